#include "selection/color_similarity.h"

#include "app/editing_state.h"
#include "selection/similarity_rule.h"

bool blocks_similar(int32_t reference_col, int32_t reference_row, int32_t candidate_col, int32_t candidate_row) {
  const uint32_t reference = block_colors[reference_row * grid_cols + reference_col];
  const uint32_t candidate = block_colors[candidate_row * grid_cols + candidate_col];
  return colors_similar(reference, candidate, static_cast<uint32_t>(settings.tolerance),
                        settings.distance_mode == 1);
}
