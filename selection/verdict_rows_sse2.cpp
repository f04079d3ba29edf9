// The SSE2 twins of the Euclidean verdicts of verdict_rows.cpp: four squared
// distances at a time, each compared with the squared tolerance exactly as
// colors_similar compares it.
#include <emmintrin.h>

#include "selection/sse2_paths.h"

namespace {

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

}  // namespace

int32_t euclidean_fours_sse2(uint32_t reference, const uint32_t* colors, int32_t count, uint32_t tolerance,
                             uint64_t& word) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i ref = _mm_set1_epi32(static_cast<int32_t>(reference & 0x00FFFFFFu));
  const __m128i ref_low = _mm_unpacklo_epi8(ref, zero);
  const __m128i ref_high = _mm_unpackhi_epi8(ref, zero);
  const __m128i limit = _mm_set1_epi32(static_cast<int32_t>(tolerance * tolerance));
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) word |= static_cast<uint64_t>(euclidean_four(colors + i, ref_low, ref_high, limit)) << i;
  return i;
}

int32_t euclidean_pair_fours_sse2(const uint32_t* references, const uint32_t* candidates, int32_t count,
                                  uint32_t tolerance, uint64_t& word) {
  const __m128i limit = _mm_set1_epi32(static_cast<int32_t>(tolerance * tolerance));
  int32_t i = 0;
  for (; i + 4 <= count; i += 4)
    word |= static_cast<uint64_t>(euclidean_pairs_four(references + i, candidates + i, limit)) << i;
  return i;
}
