#include "selection/block_grid.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "app/editing_state.h"
#include "selection/sse2_paths.h"

namespace {

// Per-pixel-column channel sums over one band of block rows, two neighbouring
// columns per 64-bit word: red and blue of both in four 16-bit lanes, green of both
// in two 32-bit lanes. A band is at most LARGEST_BLOCK_SIZE rows, so no lane
// overflows.
static_assert(LARGEST_BLOCK_SIZE * 255 <= 0xFFFF);
constexpr int32_t MAX_PAIRS = (MAX_PICTURE_WIDTH + 1) / 2;
uint64_t band_red_blue[MAX_PAIRS];
uint64_t band_green[MAX_PAIRS];
// The band's column means, per channel.
uint32_t mean_red[MAX_PAIRS * 2];
uint32_t mean_green[MAX_PAIRS * 2];
uint32_t mean_blue[MAX_PAIRS * 2];

constexpr uint64_t RED_BLUE_LANES = 0x00FF00FF00FF00FFull;
constexpr uint64_t GREEN_LANES = 0x000000FF000000FFull;

// Pixels x = 2k and 2k + 1 of a row as one word (x = 2k in the low half).
static_assert(std::endian::native == std::endian::little);
uint64_t pixel_pair(const uint32_t* row, int32_t k) {
  uint64_t v;
  std::memcpy(&v, row + 2 * k, sizeof v);
  return v;
}

// Truncating division by d as a multiply and shift: exact for n * d < 2^32, and
// every sum here is at most 255 x 80 with d at most 80.
uint64_t reciprocal(uint32_t d) { return (uint64_t{1} << 32) / d + 1; }
uint32_t divide(uint64_t n, uint64_t reciprocal_of_d) { return static_cast<uint32_t>((n * reciprocal_of_d) >> 32); }

// Sums the h rows of the band starting at row y0 into column means.
void band_column_means(int32_t y0, int32_t h) {
  const int32_t width = picture_width;
  const int32_t full_pairs = width / 2;
  const int32_t pairs = (width + 1) / 2;
  const uint32_t* band = picture_pixels + static_cast<size_t>(y0) * width;
  for (int32_t k = 0; k < full_pairs; ++k) {
    uint64_t red_blue = 0, green = 0;
    const uint32_t* row = band;
    for (int32_t y = 0; y < h; ++y, row += width) {
      const uint64_t v = pixel_pair(row, k);
      red_blue += v & RED_BLUE_LANES;
      green += (v >> 8) & GREEN_LANES;
    }
    band_red_blue[k] = red_blue;
    band_green[k] = green;
  }
  if (full_pairs < pairs) {
    // An odd width leaves the last column without a partner.
    uint64_t red_blue = 0, green = 0;
    const uint32_t* row = band + width - 1;
    for (int32_t y = 0; y < h; ++y, row += width) {
      red_blue += *row & RED_BLUE_LANES;
      green += (*row >> 8) & GREEN_LANES;
    }
    band_red_blue[full_pairs] = red_blue;
    band_green[full_pairs] = green;
  }
  const uint64_t height_reciprocal = reciprocal(static_cast<uint32_t>(h));
  for (int32_t k = 0; k < pairs; ++k) {
    const uint64_t rb = band_red_blue[k];
    const uint64_t g = band_green[k];
    mean_blue[2 * k] = divide(rb & 0xFFFF, height_reciprocal);
    mean_red[2 * k] = divide((rb >> 16) & 0xFFFF, height_reciprocal);
    mean_green[2 * k] = divide(g & 0xFFFFFFFF, height_reciprocal);
    mean_blue[2 * k + 1] = divide((rb >> 32) & 0xFFFF, height_reciprocal);
    mean_red[2 * k + 1] = divide(rb >> 48, height_reciprocal);
    mean_green[2 * k + 1] = divide(g >> 32, height_reciprocal);
  }
}

// Block size 1: every block is one pixel and its average is the pixel itself.
void single_pixel_blocks(bool deleted_are_walls) {
  const int32_t total = picture_width * picture_height;
  if (!deleted_are_walls) {
    for (int32_t i = 0; i < total; ++i) block_colors[i] = picture_pixels[i] & 0x00FFFFFFu;
    std::memset(block_deleted, 0, static_cast<size_t>(total));
    return;
  }
  int32_t i = 0;
  // Sixteen at a time where none is deleted, which is nearly everywhere.
  for (; i + 16 <= total; i += 16) {
    uint64_t low, high;
    std::memcpy(&low, deleted_pixels + i, 8);
    std::memcpy(&high, deleted_pixels + i + 8, 8);
    if ((low | high) == 0) {
      std::memset(block_deleted + i, 0, 16);
      for (int32_t k = 0; k < 16; ++k) block_colors[i + k] = picture_pixels[i + k] & 0x00FFFFFFu;
      continue;
    }
    for (int32_t k = i; k < i + 16; ++k) {
      const uint8_t deleted = deleted_pixels[k] != 0;
      block_deleted[k] = deleted;
      block_colors[k] = deleted ? block_colors[k] : picture_pixels[k] & 0x00FFFFFFu;
    }
  }
  for (; i < total; ++i) {
    const uint8_t deleted = deleted_pixels[i] != 0;
    block_deleted[i] = deleted;
    block_colors[i] = deleted ? block_colors[i] : picture_pixels[i] & 0x00FFFFFFu;
  }
}

// The mean of the block's column means, each rounded down: the column sums of the
// band are divided by the band's height, then the block's w column means are summed
// and divided by w. The portable path; averaged_blocks_sse2 is its twin.
void averaged_blocks(int32_t block_size, bool deleted_are_walls) {
  const int32_t width = picture_width;
  const int32_t cols = grid_cols;
  const int32_t last_width = width - (cols - 1) * block_size;
  const uint64_t full_width_reciprocal = reciprocal(static_cast<uint32_t>(block_size));
  const uint64_t last_width_reciprocal = reciprocal(static_cast<uint32_t>(last_width));

  for (int32_t r = 0; r < grid_rows; ++r) {
    const int32_t y0 = r * block_size;
    const int32_t h = std::min(block_size, picture_height - y0);
    band_column_means(y0, h);

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
        red += mean_red[x];
        green += mean_green[x];
        blue += mean_blue[x];
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
  } else if constexpr (sse2_paths) {
    averaged_blocks_sse2(block_size, deleted_are_walls);
  } else {
    averaged_blocks(block_size, deleted_are_walls);
  }
}
