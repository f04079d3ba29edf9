#pragma once
// Helpers shared by the selection tests: a fresh editing state with the start-up
// settings, pictures of a given size, and block grids drawn as text.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/editing_state.h"

// Resets the editing state and gives it the start-up settings: tolerance 10,
// Euclidean rule, first stroke block as reference, white background, outline swatch
// 21, block sizes 1..80 with `block_size` selected.
void reset_selection_state(int32_t block_size = 5);

// Makes `picture` a width x height image (all pixels `fill`) and points the
// placement fields at it, the picture centred vertically on a 768-row window.
void make_picture(int32_t width, int32_t height, uint32_t fill = 0);

void set_stroke(std::initializer_list<PicturePoint> points);

// A block grid written as rows of characters, one per block: '#' and '.' are two
// colours far apart, 'x' is a deleted block of the '#' colour, 'o' a third colour.
// Seeds are given separately in block coordinates.
inline constexpr uint32_t COLOR_HASH = 0x00204060;
inline constexpr uint32_t COLOR_DOT = 0x00F0E0D0;
inline constexpr uint32_t COLOR_O = 0x00808080;
void make_grid(const std::vector<std::string>& rows);
void set_seeds(std::initializer_list<BlockPos> seeds);

std::vector<BlockPos> list_of(const BlockPos* list, int32_t count);
std::string describe(const std::vector<BlockPos>& list);

inline bool operator==(const BlockPos& a, const BlockPos& b) { return a.col == b.col && a.row == b.row; }
