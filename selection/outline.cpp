#include "selection/outline.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"

namespace {

// Pixel extent of block (c, r), clipped to the picture: the outline lies on the
// block's own outermost pixels.
struct BlockExtent {
  int32_t x0, x1, y0, y1;
};

BlockExtent block_extent(int32_t c, int32_t r, int32_t block_size) {
  return BlockExtent{c * block_size, std::min((c + 1) * block_size, picture_width) - 1, r * block_size,
                     std::min((r + 1) * block_size, picture_height) - 1};
}

// Outline sides go to the drawing in batches, x1, y1, x2, y2 each: one lock and
// one pen per batch instead of per side.
constexpr int32_t LINES_PER_BATCH = 4096;
int32_t line_batch[LINES_PER_BATCH * 4];

// The inclusive window rectangle that a set of sides covers.
struct Covered {
  int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  void add(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    left = std::min(left, x0);
    top = std::min(top, y0);
    right = std::max(right, x1);
    bottom = std::max(bottom, y1);
  }
  // Shows the rectangle; with nothing covered it still waits for the window.
  void show() const {
    if (left > right) {
      gfx_flush_rect(0, 0, -1, -1);
    } else {
      gfx_flush_rect(left, top, right, bottom);
    }
  }
};

}  // namespace

void draw_outline(const BlockPos* list, int32_t count, const int32_t* edges) {
  gfx_set_line_style(PS_DASHDOT, 1, nullptr, 0);
  gfx_set_line_color(swatch_colors[settings.outline_color_index]);
  const int32_t block_size = std::max(current_block_size(), 1);
  const int32_t t = picture_top;
  Covered covered;
  int32_t batched = 0;
  auto line = [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    int32_t* end = line_batch + 4 * batched;
    end[0] = x1;
    end[1] = y1;
    end[2] = x2;
    end[3] = y2;
    covered.add(x1, y1, x2, y2);
    if (++batched == LINES_PER_BATCH) {
      gfx_lines(line_batch, batched);
      batched = 0;
    }
  };
  // At block size 1 every side is one pixel long and covers nothing (see below).
  if (block_size > 1) {
    for (int32_t k = 0; k < count; ++k) {
      const int32_t c = list[k].col;
      const int32_t r = list[k].row;
      const int32_t word = edges[r * grid_cols + c];
      if (word == 0) continue;
      const BlockExtent b = block_extent(c, r, block_size);
      // A side one pixel long is a line that ends where it starts, which covers no
      // pixel; it is not worth drawing.
      const bool across = b.x1 > b.x0;
      const bool down = b.y1 > b.y0;
      if ((word & EDGE_TOP) && across) line(b.x0, b.y0 + t, b.x1, b.y0 + t);
      if ((word & EDGE_RIGHT) && down) line(b.x1, b.y0 + t, b.x1, b.y1 + t);
      if ((word & EDGE_BOTTOM) && across) line(b.x0, b.y1 + t, b.x1, b.y1 + t);
      if ((word & EDGE_LEFT) && down) line(b.x0, b.y0 + t, b.x0, b.y1 + t);
    }
  }
  if (batched > 0) gfx_lines(line_batch, batched);
  covered.show();
}

void erase_outline() {
  Covered covered;
  if (window_pixels != nullptr && picture_pixels != nullptr) {
    const int32_t block_size = std::max(current_block_size(), 1);
    const size_t window_stride = static_cast<size_t>(picture_width) + PANEL_WIDTH;
    const size_t picture_stride = static_cast<size_t>(picture_width);
    uint32_t* const window = window_pixels + static_cast<size_t>(picture_top) * window_stride;
    auto copy_row = [&](int32_t y, int32_t x0, int32_t x1) {
      std::memcpy(window + y * window_stride + x0, picture_pixels + y * picture_stride + x0,
                  static_cast<size_t>(x1 - x0 + 1) * sizeof(uint32_t));
    };
    auto copy_column = [&](int32_t x, int32_t y0, int32_t y1) {
      for (int32_t y = y0; y <= y1; ++y) window[y * window_stride + x] = picture_pixels[y * picture_stride + x];
    };
    // Held so a repaint never shows the outline half erased.
    std::lock_guard lock(graph_context().graph_lock);
    for (int32_t k = 0; k < selected_count; ++k) {
      const int32_t c = selected_blocks[k].col;
      const int32_t r = selected_blocks[k].row;
      const int32_t word = selected_edges[r * grid_cols + c];
      if (word == 0) continue;
      const BlockExtent b = block_extent(c, r, block_size);
      if (word & EDGE_TOP) copy_row(b.y0, b.x0, b.x1);
      if (word & EDGE_RIGHT) copy_column(b.x1, b.y0, b.y1);
      if (word & EDGE_BOTTOM) copy_row(b.y1, b.x0, b.x1);
      if (word & EDGE_LEFT) copy_column(b.x0, b.y0, b.y1);
      covered.add(b.x0, b.y0 + picture_top, b.x1, b.y1 + picture_top);
    }
  }
  // Only the sides' pixels changed, all inside the rectangle. A new outline usually
  // follows at once and waits for the window; the erased sides need not wait too.
  if (covered.left <= covered.right) gfx_mark_changed(covered.left, covered.top, covered.right, covered.bottom);
}
