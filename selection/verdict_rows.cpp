#include "selection/verdict_rows.h"

#include <algorithm>

#include "selection/similarity_rule.h"

#if defined(__SSE2__) && !defined(TESSARY_NO_SIMD)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__) && !defined(TESSARY_NO_SIMD)
// Four colour differences, as 16-bit channel lanes (two colours in each half):
// bit i set when the squared distance of difference i is within `limit`.
inline uint32_t within_limit(__m128i d_low, __m128i d_high, __m128i limit) {
  __m128i low = _mm_madd_epi16(d_low, d_low);
  __m128i high = _mm_madd_epi16(d_high, d_high);
  low = _mm_add_epi32(low, _mm_srli_epi64(low, 32));
  high = _mm_add_epi32(high, _mm_srli_epi64(high, 32));
  const __m128 sums = _mm_shuffle_ps(_mm_castsi128_ps(low), _mm_castsi128_ps(high), _MM_SHUFFLE(2, 0, 2, 0));
  // Distances are at most 3 x 255², so a signed compare is exact.
  const __m128i far = _mm_cmpgt_epi32(_mm_castps_si128(sums), limit);
  return ~static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(far))) & 0xFu;
}

// Four blocks under the Euclidean rule: bit i set when block i is similar.
uint32_t euclidean_four(const uint32_t* colors, __m128i reference_low, __m128i reference_high, __m128i limit) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  const __m128i v = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(colors)), rgb);
  // Channel differences in 16-bit lanes, squared and summed in pairs.
  const __m128i d_low = _mm_sub_epi16(_mm_unpacklo_epi8(v, zero), reference_low);
  const __m128i d_high = _mm_sub_epi16(_mm_unpackhi_epi8(v, zero), reference_high);
  return within_limit(d_low, d_high, limit);
}
#endif

#if defined(__SSE2__) && !defined(TESSARY_NO_SIMD)
// Four pairs under the Euclidean rule: bit i set when pair i is similar.
uint32_t euclidean_pairs_four(const uint32_t* references, const uint32_t* candidates, __m128i limit) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
  const __m128i r = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(references)), rgb);
  const __m128i c = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(candidates)), rgb);
  const __m128i d_low = _mm_sub_epi16(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(r, zero));
  const __m128i d_high = _mm_sub_epi16(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(r, zero));
  return within_limit(d_low, d_high, limit);
}
#endif

uint64_t similar_word(uint32_t reference, const uint32_t* colors, int32_t count, uint32_t tolerance, bool euclidean) {
  uint64_t word = 0;
  int32_t i = 0;
#if defined(__SSE2__) && !defined(TESSARY_NO_SIMD)
  if (euclidean) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i ref = _mm_set1_epi32(static_cast<int32_t>(reference & 0x00FFFFFFu));
    const __m128i ref_low = _mm_unpacklo_epi8(ref, zero);
    const __m128i ref_high = _mm_unpackhi_epi8(ref, zero);
    const __m128i limit = _mm_set1_epi32(static_cast<int32_t>(tolerance * tolerance));
    for (; i + 4 <= count; i += 4) word |= static_cast<uint64_t>(euclidean_four(colors + i, ref_low, ref_high, limit)) << i;
  }
#endif
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
#if defined(__SSE2__) && !defined(TESSARY_NO_SIMD)
    if (euclidean) {
      const __m128i limit = _mm_set1_epi32(static_cast<int32_t>(tolerance * tolerance));
      for (; i + 4 <= n; i += 4)
        word |= static_cast<uint64_t>(euclidean_pairs_four(references + base + i, candidates + base + i, limit)) << i;
    }
#endif
    for (; i < n; ++i)
      word |= static_cast<uint64_t>(colors_similar(references[base + i], candidates[base + i], tolerance, euclidean))
              << i;
    out[w] = word;
  }
}
