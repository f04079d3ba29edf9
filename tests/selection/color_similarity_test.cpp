#include "selection/color_similarity.h"

#include <gtest/gtest.h>

#include <ostream>

#include "selection_fixture.h"

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }

struct SimilarityCase {
  uint8_t distance_mode;
  int32_t tolerance;
  uint32_t reference;
  uint32_t candidate;
  bool similar;
};

void PrintTo(const SimilarityCase& c, std::ostream* os) {
  *os << (c.distance_mode ? "euclidean" : "arithmetic") << " tol " << c.tolerance << std::hex << " ref 0x"
      << c.reference << " cand 0x" << c.candidate << (c.similar ? " similar" : " not similar");
}

class ColorSimilarity : public ::testing::TestWithParam<SimilarityCase> {};

// Reference in block (0, 0), candidate in block (1, 0) of a 2 x 1 grid.
bool similar_in_grid(const SimilarityCase& c) {
  reset_selection_state();
  settings.distance_mode = c.distance_mode;
  settings.tolerance = c.tolerance;
  grid_cols = 2;
  grid_rows = 1;
  block_colors[0] = c.reference;
  block_colors[1] = c.candidate;
  return blocks_similar(0, 0, 1, 0);
}

TEST_P(ColorSimilarity, Verdict) {
  const SimilarityCase& c = GetParam();
  EXPECT_EQ(similar_in_grid(c), c.similar)
      << "mode " << int(c.distance_mode) << " tol " << c.tolerance << std::hex << " ref " << c.reference
      << " cand " << c.candidate;
}

constexpr uint8_t ARITH = 0;
constexpr uint8_t EUCLID = 1;

INSTANTIATE_TEST_SUITE_P(
    Euclidean, ColorSimilarity,
    ::testing::Values(SimilarityCase{EUCLID, 0, rgb(12, 34, 56), rgb(12, 34, 56), true},
                      SimilarityCase{EUCLID, 0, rgb(12, 34, 56), rgb(12, 34, 57), false},
                      SimilarityCase{EUCLID, 0, rgb(12, 34, 56), rgb(11, 34, 56), false},
                      SimilarityCase{EUCLID, 10, rgb(100, 100, 100), rgb(106, 108, 100), true},
                      SimilarityCase{EUCLID, 10, rgb(100, 100, 100), rgb(94, 92, 100), true},
                      SimilarityCase{EUCLID, 10, rgb(100, 100, 100), rgb(106, 108, 101), false},
                      SimilarityCase{EUCLID, 10, rgb(100, 100, 100), rgb(100, 100, 89), false},
                      SimilarityCase{EUCLID, 255, rgb(0, 0, 0), rgb(255, 255, 255), false},
                      SimilarityCase{EUCLID, 255, rgb(0, 0, 0), rgb(255, 0, 0), true},
                      SimilarityCase{EUCLID, 255, rgb(0, 0, 0), rgb(255, 1, 0), false},
                      SimilarityCase{EUCLID, 255, rgb(255, 255, 255), rgb(0, 255, 255), true},
                      // The byte above red is no colour.
                      SimilarityCase{EUCLID, 0, 0xFF000000u | rgb(1, 2, 3), rgb(1, 2, 3), true}));

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, ColorSimilarity,
    ::testing::Values(
        // Red larger: red decides, green and blue ignored.
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(110, 0, 0), true},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(111, 100, 100), false},
        // Red smaller: green alone decides and must not go down.
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(90, 105, 0), true},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(0, 110, 255), true},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(90, 111, 100), false},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(90, 95, 100), false},
        // Red equal, green larger: green decides.
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 110, 0), true},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 111, 100), false},
        // Red equal, green smaller: blue decides and must not go down.
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 0, 110), true},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 99, 99), false},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 99, 111), false},
        // Red and green equal: blue either way.
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 100, 90), true},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 100, 110), true},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 100, 89), false},
        SimilarityCase{ARITH, 10, rgb(100, 100, 100), rgb(100, 100, 111), false},
        // Not symmetric: the same two colours with the roles swapped.
        SimilarityCase{ARITH, 0, rgb(100, 100, 100), rgb(50, 100, 0), true},
        SimilarityCase{ARITH, 0, rgb(50, 100, 0), rgb(100, 100, 100), false},
        SimilarityCase{ARITH, 0, rgb(7, 7, 7), rgb(7, 7, 7), true},
        SimilarityCase{ARITH, 255, rgb(0, 0, 0), rgb(255, 255, 255), true},
        SimilarityCase{ARITH, 255, rgb(255, 255, 255), rgb(0, 0, 0), false}));

TEST(ColorSimilarityGrid, ReadsBothBlocksThroughTheGridStride) {
  reset_selection_state();
  settings.tolerance = 0;
  grid_cols = 3;
  grid_rows = 2;
  for (int32_t i = 0; i < 6; ++i) block_colors[i] = rgb(10, 10, 10) * static_cast<uint32_t>(i + 1);
  block_colors[5] = block_colors[1];
  EXPECT_TRUE(blocks_similar(1, 0, 2, 1));
  EXPECT_TRUE(blocks_similar(2, 1, 1, 0));
  EXPECT_FALSE(blocks_similar(1, 0, 1, 1));
  EXPECT_FALSE(blocks_similar(0, 1, 2, 1));
}

}  // namespace
