#pragma once
#include <cstdint>

// May growth step from the reference block into the candidate block? Compares the
// two blocks' average colours in block_colors under settings.distance_mode and
// settings.tolerance. Both blocks lie inside the current grid.
bool blocks_similar(int32_t reference_col, int32_t reference_row, int32_t candidate_col, int32_t candidate_row);
