#pragma once
// Which blocks pass the colour rule against one reference colour, for the whole
// grid at once, as rows of bits.
#include <cstdint>

#include "selection/block_rows.h"

// Bit c of row r is set when colors_similar(reference, colors[r * cols + c]) holds.
void similar_rows(uint32_t reference, const uint32_t* colors, int32_t cols, int32_t row_count, uint32_t tolerance,
                  bool euclidean, BlockRows& out);

// Bit i of `out` (count bits, whole words) is set when colors_similar(references[i],
// candidates[i]) holds; the bits past count are 0.
void similar_pairs(const uint32_t* references, const uint32_t* candidates, int32_t count, uint32_t tolerance,
                   bool euclidean, uint64_t* out);
