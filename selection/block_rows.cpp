#include "selection/block_rows.h"

#include <bit>
#include <cstring>

#include "selection/sse2_paths.h"

namespace {

// Eight bytes, each 0 or not, to eight bits (byte i to bit i).
uint64_t pack_eight(uint64_t bytes) {
  // Each byte's top bit set when the byte is not 0, then gathered by a multiply.
  const uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
  const uint64_t nonzero = (((bytes & low7) + low7) | bytes) & 0x8080808080808080ull;
  return ((nonzero >> 7) * 0x0102040810204080ull) >> 56;
}

// Up to 64 bytes to bits; with SSE2 paths the whole sixteens are packed there first.
uint64_t pack_word(const uint8_t* bytes, int32_t count) {
  uint64_t word = 0;
  int32_t i = 0;
  if constexpr (sse2_paths) i = pack_sixteens_sse2(bytes, count, word);
  for (; i + 8 <= count; i += 8) {
    uint64_t v;
    std::memcpy(&v, bytes + i, 8);
    word |= pack_eight(v) << i;
  }
  for (; i < count; ++i) word |= static_cast<uint64_t>(bytes[i] != 0) << i;
  return word;
}

// Spreads every set bit of `g` towards bit 0 through the bits set in `p`, within one
// word: doubling steps, each twice as far as the one before.
inline uint64_t spread_down(uint64_t g, uint64_t p) {
  g |= p & (g >> 1);
  p &= p >> 1;
  g |= p & (g >> 2);
  p &= p >> 2;
  g |= p & (g >> 4);
  p &= p >> 4;
  g |= p & (g >> 8);
  p &= p >> 8;
  g |= p & (g >> 16);
  p &= p >> 16;
  return g | (p & (g >> 32));
}

// Fills each run of `passable` bits that holds a bit of `seeds` (seeds inside
// passable), across the whole row.
void fill_runs(const uint64_t* passable, uint64_t* seeds, int32_t words) {
  // Upwards: an add carries from every seed through the passable bits above it.
  uint64_t carry = 0;
  for (int32_t w = 0; w < words; ++w) {
    const uint64_t t = passable[w];
    const uint64_t x = seeds[w];
    const uint64_t sum1 = t + x;
    const uint64_t sum = sum1 + carry;
    const uint64_t carried = sum ^ t ^ x;
    carry = (sum1 < t) | (sum < sum1);
    seeds[w] = (carried & t) | x;
  }
  // Downwards: doubling steps through the passable bits below every filled bit.
  uint64_t incoming = 0;
  for (int32_t w = words - 1; w >= 0; --w) {
    const uint64_t g = spread_down(seeds[w] | (incoming & passable[w]), passable[w]);
    seeds[w] = g;
    incoming = (g & 1) << 63;
  }
}

// Settles the pending rows in sweeps down and up, each carrying a fill as far as it
// goes in its direction, until no row is pending. Settling a row may mark its
// neighbours pending again.
template <typename Settle>
void sweep_until_settled(const bool* pending, int32_t row_count, Settle& settle) {
  bool any = true;
  while (any) {
    any = false;
    for (int32_t r = 0; r < row_count; ++r) {
      if (pending[r]) {
        settle(r);
        any = true;
      }
    }
    for (int32_t r = row_count - 1; r >= 0; --r) {
      if (pending[r]) {
        settle(r);
        any = true;
      }
    }
  }
}

}  // namespace

void pack_block_map(const uint8_t* map, int32_t cols, int32_t row_count, BlockRow* rows) {
  const int32_t words = row_words(cols);
  for (int32_t r = 0; r < row_count; ++r) {
    const uint8_t* line = map + static_cast<size_t>(r) * cols;
    for (int32_t w = 0; w < words; ++w) {
      const int32_t count = w + 1 < words ? 64 : cols - 64 * w;
      rows[r][w] = pack_word(line + 64 * w, count);
    }
    for (int32_t w = words; w < ROW_WORDS; ++w) rows[r][w] = 0;
  }
}

void unpack_block_map(const BlockRow* rows, int32_t cols, int32_t row_count, uint8_t* map) {
  const int32_t words = row_words(cols);
  for (int32_t r = 0; r < row_count; ++r) {
    uint8_t* line = map + static_cast<size_t>(r) * cols;
    for (int32_t w = 0; w < words; ++w) {
      const uint64_t word = rows[r][w];
      const int32_t count = w + 1 < words ? 64 : cols - 64 * w;
      uint8_t* out = line + 64 * w;
      int32_t i = 0;
      for (; i + 8 <= count; i += 8) std::memcpy(out + i, &byte_spread.bytes[(word >> i) & 0xFF], 8);
      for (; i < count; ++i) out[i] = static_cast<uint8_t>((word >> i) & 1);
    }
  }
}

void from_right_neighbours(const uint64_t* row, int32_t words, uint64_t* out) {
  for (int32_t w = 0; w < words; ++w) {
    const uint64_t next = w + 1 < words ? row[w + 1] : 0;
    out[w] = (row[w] >> 1) | (next << 63);
  }
}

void from_left_neighbours(const uint64_t* row, int32_t words, uint64_t* out) {
  for (int32_t w = words - 1; w >= 0; --w) {
    const uint64_t previous = w > 0 ? row[w - 1] : 0;
    out[w] = (row[w] << 1) | (previous >> 63);
  }
}

void flood_rows(const BlockRows& passable, BlockRows& filled, int32_t cols, int32_t row_count, int32_t first,
                int32_t last) {
  const int32_t words = row_words(cols);
  // A row is worth a look when a neighbour row gained blocks since it was last seen.
  static bool pending[MAX_PICTURE_HEIGHT];
  std::memset(pending, 0, sizeof pending);
  auto settle = [&](int32_t r) {
    pending[r] = false;
    uint64_t seeds[ROW_WORDS];
    bool grew = false;
    for (int32_t w = 0; w < words; ++w) {
      uint64_t touching = 0;
      if (r > 0) touching |= filled[r - 1][w];
      if (r + 1 < row_count) touching |= filled[r + 1][w];
      seeds[w] = filled[r][w] | (touching & passable[r][w]);
      grew |= seeds[w] != filled[r][w];
    }
    if (!grew) return;
    fill_runs(passable[r], seeds, words);
    std::memcpy(filled[r], seeds, sizeof(uint64_t) * words);
    if (r > 0) pending[r - 1] = true;
    if (r + 1 < row_count) pending[r + 1] = true;
  };
  for (int32_t r = first; r <= last; ++r) {
    // The starting rows are filled along themselves first.
    fill_runs(passable[r], filled[r], words);
    if (r > 0) pending[r - 1] = true;
    if (r + 1 < row_count) pending[r + 1] = true;
  }
  sweep_until_settled(pending, row_count, settle);
}

int32_t count_bits(const BlockRows& rows, int32_t cols, int32_t row_count) {
  const int32_t words = row_words(cols);
  int32_t count = 0;
  for (int32_t r = 0; r < row_count; ++r) {
    for (int32_t w = 0; w < words; ++w) count += std::popcount(rows[r][w]);
  }
  return count;
}

namespace {

// Every block reachable along the row from `reached`: rightwards an add carries
// through the blocks whose right step is allowed, leftwards doubling steps walk
// through the left steps.
void close_row(const uint64_t* right, const uint64_t* left, uint64_t* reached, int32_t words) {
  uint64_t carry = 0;
  for (int32_t w = 0; w < words; ++w) {
    const uint64_t a = right[w];
    const uint64_t b = reached[w] & a;
    const uint64_t sum1 = a + b;
    const uint64_t sum = sum1 + carry;
    reached[w] |= sum ^ a ^ b;
    carry = (sum1 < a) | (sum < sum1);
  }
  uint64_t incoming = 0;
  for (int32_t w = words - 1; w >= 0; --w) {
    // Bit i may be entered from bit i + 1 when that block may step left.
    const uint64_t g = spread_down(reached[w] | incoming, left[w] >> 1);
    reached[w] = g;
    incoming = (g & left[w] & 1) << 63;
  }
}

}  // namespace

void flood_steps(const BlockSteps& steps, BlockRows& filled, int32_t cols, int32_t row_count, int32_t first,
                 int32_t last) {
  const int32_t words = row_words(cols);
  static bool pending[MAX_PICTURE_HEIGHT];
  std::memset(pending, 0, sizeof pending);
  auto mark_neighbours = [&](int32_t r) {
    if (r > 0) pending[r - 1] = true;
    if (r + 1 < row_count) pending[r + 1] = true;
  };
  auto settle = [&](int32_t r) {
    pending[r] = false;
    uint64_t reached[ROW_WORDS];
    bool grew = false;
    for (int32_t w = 0; w < words; ++w) {
      uint64_t entered = 0;
      if (r > 0) entered |= filled[r - 1][w] & steps.down[r - 1][w];
      if (r + 1 < row_count) entered |= filled[r + 1][w] & steps.up[r + 1][w];
      reached[w] = filled[r][w] | entered;
      grew |= reached[w] != filled[r][w];
    }
    if (!grew) return;
    close_row(steps.right[r], steps.left[r], reached, words);
    std::memcpy(filled[r], reached, sizeof(uint64_t) * words);
    mark_neighbours(r);
  };
  for (int32_t r = first; r <= last; ++r) {
    close_row(steps.right[r], steps.left[r], filled[r], words);
    mark_neighbours(r);
  }
  sweep_until_settled(pending, row_count, settle);
}
