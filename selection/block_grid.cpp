#include "selection/block_grid.h"

#include <algorithm>
#include <cstring>

#include "app/editing_state.h"

namespace {

// Per-pixel-column channel sums over one band of block rows. A band is at most
// LARGEST_BLOCK_SIZE rows, so its sums fit in 16 bits.
static_assert(LARGEST_BLOCK_SIZE * 255 <= 0xFFFF);
uint16_t band_red[MAX_PICTURE_WIDTH];
uint16_t band_green[MAX_PICTURE_WIDTH];
uint16_t band_blue[MAX_PICTURE_WIDTH];

// Truncating division by d as a multiply and shift: exact for n * d < 2^32, and
// every sum here is at most 255 x 80 with d at most 80.
uint64_t reciprocal(uint32_t d) { return (uint64_t{1} << 32) / d + 1; }
uint32_t divide(uint32_t n, uint64_t reciprocal_of_d) { return static_cast<uint32_t>((n * reciprocal_of_d) >> 32); }

// Block size 1: every block is one pixel and its average is the pixel itself.
void single_pixel_blocks(bool deleted_are_walls) {
  const int32_t total = picture_width * picture_height;
  if (!deleted_are_walls) {
    for (int32_t i = 0; i < total; ++i) block_colors[i] = picture_pixels[i] & 0x00FFFFFFu;
    std::memset(block_deleted, 0, static_cast<size_t>(total));
    return;
  }
  for (int32_t i = 0; i < total; ++i) {
    const uint8_t deleted = deleted_pixels[i] != 0;
    block_deleted[i] = deleted;
    block_colors[i] = deleted ? block_colors[i] : picture_pixels[i] & 0x00FFFFFFu;
  }
}

// The mean of the block's column means, each rounded down: the column sums of the
// band are divided by the band's height, then the block's w column means are summed
// and divided by w.
void averaged_blocks(int32_t block_size, bool deleted_are_walls) {
  const int32_t width = picture_width;
  const int32_t cols = grid_cols;
  const int32_t last_width = width - (cols - 1) * block_size;
  const uint64_t full_width_reciprocal = reciprocal(static_cast<uint32_t>(block_size));
  const uint64_t last_width_reciprocal = reciprocal(static_cast<uint32_t>(last_width));

  for (int32_t r = 0; r < grid_rows; ++r) {
    const int32_t y0 = r * block_size;
    const int32_t h = std::min(block_size, picture_height - y0);

    const uint32_t* row = picture_pixels + static_cast<size_t>(y0) * width;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t p = row[x];
      band_red[x] = static_cast<uint16_t>((p >> 16) & 0xFF);
      band_green[x] = static_cast<uint16_t>((p >> 8) & 0xFF);
      band_blue[x] = static_cast<uint16_t>(p & 0xFF);
    }
    for (int32_t y = 1; y < h; ++y) {
      row += width;
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t p = row[x];
        band_red[x] = static_cast<uint16_t>(band_red[x] + ((p >> 16) & 0xFF));
        band_green[x] = static_cast<uint16_t>(band_green[x] + ((p >> 8) & 0xFF));
        band_blue[x] = static_cast<uint16_t>(band_blue[x] + (p & 0xFF));
      }
    }

    const uint64_t height_reciprocal = reciprocal(static_cast<uint32_t>(h));
    const uint8_t* deleted_row = deleted_pixels + static_cast<size_t>(y0) * width;
    for (int32_t c = 0; c < cols; ++c) {
      const int32_t index = r * cols + c;
      const int32_t x0 = c * block_size;
      if (deleted_are_walls && deleted_row[x0] != 0) {
        // A deleted block keeps the colour it had.
        block_deleted[index] = 1;
        continue;
      }
      block_deleted[index] = 0;
      const int32_t w = c + 1 < cols ? block_size : last_width;
      uint32_t red = 0, green = 0, blue = 0;
      for (int32_t x = x0; x < x0 + w; ++x) {
        red += divide(band_red[x], height_reciprocal);
        green += divide(band_green[x], height_reciprocal);
        blue += divide(band_blue[x], height_reciprocal);
      }
      const uint64_t width_reciprocal = c + 1 < cols ? full_width_reciprocal : last_width_reciprocal;
      block_colors[index] = divide(red, width_reciprocal) << 16 | divide(green, width_reciprocal) << 8 |
                            divide(blue, width_reciprocal);
    }
  }
}

}  // namespace

void rebuild_block_grid() {
  const int32_t block_size = std::max(current_block_size(), 1);
  grid_cols = picture_width / block_size + (picture_width % block_size != 0 ? 1 : 0);
  grid_rows = picture_height / block_size + (picture_height % block_size != 0 ? 1 : 0);

  // The main loop records only points over the picture; a point off it is held to
  // the nearest block so growth never indexes outside the grid.
  for (int32_t i = 0; i <= stroke_last; ++i) {
    const int32_t col = std::clamp(stroke_points[i].x / block_size, 0, std::max(grid_cols - 1, 0));
    const int32_t row = std::clamp(stroke_points[i].y / block_size, 0, std::max(grid_rows - 1, 0));
    stroke_blocks[i] = BlockPos{col, row};
  }

  if (grid_cols == 0 || grid_rows == 0 || picture_pixels == nullptr) return;
  const bool deleted_are_walls = settings.range_mode == 0;
  if (block_size == 1) {
    single_pixel_blocks(deleted_are_walls);
  } else {
    averaged_blocks(block_size, deleted_are_walls);
  }
}
