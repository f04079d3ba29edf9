#include "selection/verdict_rows.h"

#include <algorithm>

#include "selection/similarity_rule.h"
#include "selection/sse2_paths.h"

namespace {

uint64_t similar_word(uint32_t reference, const uint32_t* colors, int32_t count, uint32_t tolerance, bool euclidean) {
  uint64_t word = 0;
  int32_t i = 0;
  if constexpr (sse2_paths) {
    if (euclidean) i = euclidean_fours_sse2(reference, colors, count, tolerance, word);
  }
  for (; i < count; ++i) word |= static_cast<uint64_t>(colors_similar(reference, colors[i], tolerance, euclidean)) << i;
  return word;
}

}  // namespace

void similar_rows(uint32_t reference, const uint32_t* colors, int32_t cols, int32_t row_count, uint32_t tolerance,
                  bool euclidean, BlockRows& out) {
  const int32_t words = row_words(cols);
  for (int32_t r = 0; r < row_count; ++r) {
    const uint32_t* line = colors + static_cast<size_t>(r) * cols;
    for (int32_t w = 0; w < words; ++w) {
      const int32_t count = w + 1 < words ? 64 : cols - 64 * w;
      out[r][w] = similar_word(reference, line + 64 * w, count, tolerance, euclidean);
    }
    for (int32_t w = words; w < ROW_WORDS; ++w) out[r][w] = 0;
  }
}

void similar_pairs(const uint32_t* references, const uint32_t* candidates, int32_t count, uint32_t tolerance,
                   bool euclidean, uint64_t* out) {
  for (int32_t w = 0; w < (count + 63) / 64; ++w) {
    const int32_t base = 64 * w;
    const int32_t n = std::min(64, count - base);
    uint64_t word = 0;
    int32_t i = 0;
    if constexpr (sse2_paths) {
      if (euclidean) i = euclidean_pair_fours_sse2(references + base, candidates + base, n, tolerance, word);
    }
    for (; i < n; ++i)
      word |= static_cast<uint64_t>(colors_similar(references[base + i], candidates[base + i], tolerance, euclidean))
              << i;
    out[w] = word;
  }
}
