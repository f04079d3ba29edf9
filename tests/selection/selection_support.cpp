#include "selection_fixture.h"

#include <cstring>

#include "app/workspace.h"

void reset_selection_state(int32_t block_size) {
  clear_editing_state();
  set_start_values();
  settings.block_index = block_size;
}

void make_picture(int32_t width, int32_t height, uint32_t fill) {
  picture.resize(width, height);
  picture_pixels = picture.pixels;
  place_picture(width, height);
  for (int32_t i = 0; i < width * height; ++i) picture_pixels[i] = fill;
}

void set_stroke(std::initializer_list<PicturePoint> points) {
  int32_t i = 0;
  for (const PicturePoint& p : points) stroke_points[i++] = p;
  stroke_last = i - 1;
}

void make_grid(const std::vector<std::string>& rows) {
  grid_rows = static_cast<int32_t>(rows.size());
  grid_cols = static_cast<int32_t>(rows[0].size());
  for (int32_t r = 0; r < grid_rows; ++r) {
    for (int32_t c = 0; c < grid_cols; ++c) {
      const int32_t index = r * grid_cols + c;
      const char ch = rows[r][c];
      block_colors[index] = ch == '.' ? COLOR_DOT : ch == 'o' ? COLOR_O : COLOR_HASH;
      block_deleted[index] = ch == 'x' ? 1 : 0;
    }
  }
}

void set_seeds(std::initializer_list<BlockPos> seeds) {
  int32_t i = 0;
  for (const BlockPos& b : seeds) stroke_blocks[i++] = b;
  stroke_last = i - 1;
}

std::vector<BlockPos> list_of(const BlockPos* list, int32_t count) { return {list, list + count}; }

std::string describe(const std::vector<BlockPos>& list) {
  std::string out;
  for (const BlockPos& b : list) {
    out += '(';
    out += std::to_string(b.col) + "," + std::to_string(b.row) + ")";
  }
  return out;
}
