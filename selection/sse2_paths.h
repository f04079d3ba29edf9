#pragma once
// The selection engine's SSE2 paths. Each lives in a file of its own beside its
// portable twin (block_grid_sse2.cpp beside block_grid.cpp, and so on) and gives
// exactly the twin's results. CMake builds them, and defines TESSARY_SSE2_PATHS,
// where the compiler targets SSE2, unless TESSARY_PORTABLE_ONLY asks for the portable
// paths alone; the portable files choose with `if constexpr (sse2_paths)`.
#include <cstdint>

#if defined(TESSARY_SSE2_PATHS)
inline constexpr bool sse2_paths = true;
#else
inline constexpr bool sse2_paths = false;
#endif

// block_deleted and block_colors at a block size above 1, as averaged_blocks
// (block_grid.cpp) sets them.
void averaged_blocks_sse2(int32_t block_size, bool deleted_are_walls);

// ORs into `word` bit i for every non-zero bytes[i] of the first whole sixteens of
// `count` bytes; returns how many bytes it took (pack_word, block_rows.cpp, does the
// rest).
int32_t pack_sixteens_sse2(const uint8_t* bytes, int32_t count, uint64_t& word);

// The Euclidean verdicts of verdict_rows.cpp for the first whole fours of `count`
// blocks (or pairs), OR-ed into `word` at their bit; each returns how many it took.
int32_t euclidean_fours_sse2(uint32_t reference, const uint32_t* colors, int32_t count, uint32_t tolerance,
                             uint64_t& word);
int32_t euclidean_pair_fours_sse2(const uint32_t* references, const uint32_t* candidates, int32_t count,
                                  uint32_t tolerance, uint64_t& word);
