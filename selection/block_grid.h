#pragma once
// The first half of a stroke application: grid size, the stroke in block
// coordinates, and every block's deleted flag and average colour.

// Sets grid_cols / grid_rows for the current block size, fills stroke_blocks from
// stroke_points and recomputes block_deleted and block_colors.
void rebuild_block_grid();
