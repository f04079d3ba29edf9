// The SSE2 twin of pack_word's eight-byte steps (block_rows.cpp): sixteen bytes
// compared with zero at once.
#include <emmintrin.h>

#include "selection/sse2_paths.h"

int32_t pack_sixteens_sse2(const uint8_t* bytes, int32_t count, uint64_t& word) {
  const __m128i zero = _mm_setzero_si128();
  int32_t i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
    word |= static_cast<uint64_t>(~zeros & 0xFFFFu) << i;
  }
  return i;
}
