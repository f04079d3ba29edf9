#include "selection/stroke.h"

#include <algorithm>

#include "app/editing_state.h"
#include "graphics/graph_context.h"
#include "selection/block_grid.h"
#include "selection/outline.h"
#include "selection/region_growing.h"

namespace {

void draw_selection_outline() {
  if (settings.include_inner == 1) {
    draw_outline(boundary_blocks, boundary_count, boundary_edges);
  } else {
    draw_outline(selected_blocks, selected_count, selected_edges);
  }
}

}  // namespace

void apply_stroke() {
  rebuild_block_grid();
  regrow_on_current_grid();
}

void regrow_on_current_grid() {
  if (grid_cols == 0 || grid_rows == 0) return;
  grow_selection();
  find_boundary();
  settings.outline_shown = 1;
  draw_selection_outline();
}

void change_selection_by_ring(int32_t step) {
  if (grid_cols == 0 || grid_rows == 0 || step == 0) return;
  if (step > 0) {
    add_selection_ring();
  } else {
    remove_selection_ring();
  }
  find_boundary();
  draw_selection_outline();
}

void delete_selection() {
  const uint32_t fill = swap_red_blue(swatch_colors[settings.fill_color_index]);
  const int32_t block_size = std::max(current_block_size(), 1);
  const int32_t width = picture_width;
  const bool whole_inside = settings.include_inner == 1;

  for (int32_t r = 0; r < grid_rows; ++r) {
    const int32_t y0 = r * block_size;
    const int32_t y1 = std::min(y0 + block_size, picture_height);
    for (int32_t c = 0; c < grid_cols; ++c) {
      const int32_t index = r * grid_cols + c;
      const bool painted = whole_inside ? outside_map[index] == 0 : selected_map[index] != 0;
      if (!painted) continue;
      block_deleted[index] = 1;
      const int32_t x0 = c * block_size;
      const int32_t x1 = std::min(x0 + block_size, width);
      for (int32_t y = y0; y < y1; ++y) {
        const size_t row = static_cast<size_t>(y) * width;
        std::fill(picture_pixels + row + x0, picture_pixels + row + x1, fill);
        std::fill(deleted_pixels + row + x0, deleted_pixels + row + x1, uint8_t{1});
      }
    }
  }

  // Background can be left inside a kept block up to a block's width from the border.
  cutout.deleted_block_size = std::max(cutout.deleted_block_size, block_size);
  gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
  gfx_flush();
}
