// The SSE2 twin of averaged_blocks (block_grid.cpp): the same truncated means of
// column means, the band's column sums kept as 16-bit lanes, four to a column.
#include <emmintrin.h>

#include <algorithm>

#include "app/editing_state.h"
#include "selection/sse2_paths.h"

namespace {

// Truncating division of 16-bit lanes holding at most 255 x 80 (< 2^15) by d: a
// multiply by ceil(2^(15 + l) / d), l = ceil(log2 d), is exact for every such
// value, and the multiplier fits 16 bits.
struct LaneDivisor {
  __m128i multiplier;
  __m128i shift;
  bool one;
};

LaneDivisor lane_divisor(uint32_t d) {
  uint32_t l = 0;
  while ((1u << l) < d) ++l;
  const uint32_t m = ((1u << (15 + l)) + d - 1) / d;
  return LaneDivisor{_mm_set1_epi16(static_cast<int16_t>(m)), _mm_cvtsi32_si128(static_cast<int32_t>(l) - 1), d == 1};
}

__m128i divide_lanes(__m128i v, const LaneDivisor& d) {
  if (d.one) return v;
  return _mm_srl_epi16(_mm_mulhi_epu16(v, d.multiplier), d.shift);
}

// Per pixel column of the band: the sums of its blue, green and red bytes (and a
// zero lane), four 16-bit lanes a column, then divided by the band's height in place.
alignas(16) uint16_t band_lanes[MAX_PICTURE_WIDTH * 4 + 8];

void band_column_mean_lanes(int32_t y0, int32_t h) {
  const int32_t width = picture_width;
  const __m128i zero = _mm_setzero_si128();
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  const uint32_t* band = picture_pixels + static_cast<size_t>(y0) * width;
  int32_t x = 0;
  for (; x + 4 <= width; x += 4) {
    __m128i low = zero, high = zero;
    const uint32_t* p = band + x;
    for (int32_t y = 0; y < h; ++y, p += width) {
      const __m128i v = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), rgb);
      low = _mm_add_epi16(low, _mm_unpacklo_epi8(v, zero));
      high = _mm_add_epi16(high, _mm_unpackhi_epi8(v, zero));
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(band_lanes + 4 * x), low);
    _mm_store_si128(reinterpret_cast<__m128i*>(band_lanes + 4 * x + 8), high);
  }
  for (; x < width; ++x) {
    uint32_t blue = 0, green = 0, red = 0;
    const uint32_t* p = band + x;
    for (int32_t y = 0; y < h; ++y, p += width) {
      blue += *p & 0xFF;
      green += (*p >> 8) & 0xFF;
      red += (*p >> 16) & 0xFF;
    }
    uint16_t* lane = band_lanes + 4 * x;
    lane[0] = static_cast<uint16_t>(blue);
    lane[1] = static_cast<uint16_t>(green);
    lane[2] = static_cast<uint16_t>(red);
    lane[3] = 0;
  }
  const LaneDivisor height_divisor = lane_divisor(static_cast<uint32_t>(h));
  for (int32_t i = 0; i < 4 * width; i += 8) {
    __m128i* lanes = reinterpret_cast<__m128i*>(band_lanes + i);
    _mm_store_si128(lanes, divide_lanes(_mm_load_si128(lanes), height_divisor));
  }
}

}  // namespace

void averaged_blocks_sse2(int32_t block_size, bool deleted_are_walls) {
  const int32_t width = picture_width;
  const int32_t cols = grid_cols;
  const int32_t last_width = width - (cols - 1) * block_size;
  const LaneDivisor full_width = lane_divisor(static_cast<uint32_t>(block_size));
  const LaneDivisor narrow_width = lane_divisor(static_cast<uint32_t>(last_width));
  for (int32_t r = 0; r < grid_rows; ++r) {
    const int32_t y0 = r * block_size;
    band_column_mean_lanes(y0, std::min(block_size, picture_height - y0));
    const uint8_t* deleted_row = deleted_pixels + static_cast<size_t>(y0) * width;
    uint32_t* colors = block_colors + static_cast<size_t>(r) * cols;
    uint8_t* deleted = block_deleted + static_cast<size_t>(r) * cols;
    for (int32_t c = 0; c < cols; ++c) {
      const int32_t x0 = c * block_size;
      if (deleted_are_walls && deleted_row[x0] != 0) {
        // A deleted block keeps the colour it had.
        deleted[c] = 1;
        continue;
      }
      deleted[c] = 0;
      const bool narrow = c + 1 == cols;
      const int32_t w = narrow ? last_width : block_size;
      __m128i sum = _mm_setzero_si128();
      const uint16_t* lane = band_lanes + 4 * x0;
      for (int32_t k = 0; k < w; ++k, lane += 4) {
        sum = _mm_add_epi16(sum, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lane)));
      }
      const __m128i mean = divide_lanes(sum, narrow ? narrow_width : full_width);
      colors[c] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(mean, mean)));
    }
  }
}
