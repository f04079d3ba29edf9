#pragma once
// The stroke pipeline written straight from its rules, with no tricks: averages
// column by column, a breadth-first growth, the outside flood, the boundary and the
// edges, and the outline drawn side by side. It works on the editing state like the
// real pipeline, so the benchmark can time both on the same picture and the
// differential test can hold one against the other.

#include "app/editing_state.h"

// The colour rule on two colour words, case by case.
bool plain_colors_similar(uint32_t reference, uint32_t candidate, uint32_t tolerance, bool euclidean);
// Grid size, stroke blocks, block_deleted and block_colors.
void plain_rebuild_block_grid();
// selected_map, selected_blocks, selected_count, selected_edges.
void plain_grow_selection();
// outside_map, outside_queue, boundary_blocks, boundary_edges.
void plain_find_boundary();
// The three above in order: apply_stroke without its outline.
void plain_stroke_pipeline();
// One ring of blocks more (step > 0: every block beside the selection that is no wall
// joins) or less (step < 0: every selected block beside an unselected one or the grid
// border goes, but never a stroke block), then the edges and the boundary again.
void plain_change_ring(int32_t step);
// The outline through gfx_line, every side of every listed block, then gfx_flush.
void plain_draw_outline(const BlockPos* list, int32_t count, const int32_t* edges);
// Copies the picture back over every side of the selected list, then gfx_flush.
void plain_erase_outline();
