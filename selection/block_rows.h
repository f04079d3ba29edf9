#pragma once
// The block grid as rows of bits: bit c of row r stands for block (c, r). Rows are
// ROW_WORDS words apart whatever the grid's width, and bits past the grid's last
// column are always 0, so a neighbour past the right edge reads as absent.
#include <cstdint>

#include "app/editing_state.h"

inline constexpr int32_t ROW_WORDS = MAX_PICTURE_WIDTH / 64;
using BlockRow = uint64_t[ROW_WORDS];
using BlockRows = BlockRow[MAX_PICTURE_HEIGHT];

// Words in use per row for `cols` columns, and the mask of the last one.
inline int32_t row_words(int32_t cols) { return (cols + 63) / 64; }
inline uint64_t last_word_mask(int32_t cols) { return cols % 64 == 0 ? ~uint64_t{0} : (uint64_t{1} << (cols % 64)) - 1; }

// Eight bits to eight bytes 0 or 1 (bit i to byte i).
struct ByteSpread {
  uint64_t bytes[256];
  constexpr ByteSpread() : bytes() {
    for (int v = 0; v < 256; ++v) {
      for (int i = 0; i < 8; ++i) bytes[v] |= static_cast<uint64_t>((v >> i) & 1) << (8 * i);
    }
  }
};
inline constexpr ByteSpread byte_spread;

// Row r of `rows` gets bit c set where map[r * cols + c] != 0.
void pack_block_map(const uint8_t* map, int32_t cols, int32_t row_count, BlockRow* rows);
// map[r * cols + c] = bit c of row r, 0 or 1.
void unpack_block_map(const BlockRow* rows, int32_t cols, int32_t row_count, uint8_t* map);

// Row r's bits moved one column: `from_right` has bit c = bit c + 1 of the row (the
// right neighbour), `from_left` bit c = bit c - 1 (0 at column 0).
void from_right_neighbours(const uint64_t* row, int32_t words, uint64_t* out);
void from_left_neighbours(const uint64_t* row, int32_t words, uint64_t* out);

// Grows `filled` inside `passable` to everything reachable from it through side
// neighbours. `filled` must lie inside `passable`; only rows first..last are
// started from (the rest must already be closed).
void flood_rows(const BlockRows& passable, BlockRows& filled, int32_t cols, int32_t row_count, int32_t first,
                int32_t last);

// The steps growth may take out of each block, one bit per block and direction:
// bit c of right[r] lets it go from (c, r) to (c + 1, r), and so on.
struct BlockSteps {
  BlockRows up, right, down, left;
};

// Grows `filled` to everything reachable from it along allowed steps (a directed
// reachability: a step one way says nothing about the way back). Only rows
// first..last are started from.
void flood_steps(const BlockSteps& steps, BlockRows& filled, int32_t cols, int32_t row_count, int32_t first,
                 int32_t last);

// Counts the set bits of rows 0..row_count - 1.
int32_t count_bits(const BlockRows& rows, int32_t cols, int32_t row_count);
