#include "selection/region_growing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "selection_fixture.h"

namespace {

class RegionGrowing : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_selection_state();
    settings.tolerance = 0;
  }
  void run() {
    grow_selection();
    find_boundary();
  }
  int32_t at(int32_t c, int32_t r) const { return r * grid_cols + c; }
  std::string selected() const { return describe(list_of(selected_blocks, selected_count)); }
  // The order of growth is not kept beyond the seeds: the selection row by row.
  std::string selected_set() const {
    std::vector<BlockPos> list = list_of(selected_blocks, selected_count);
    std::sort(list.begin(), list.end(), [](const BlockPos& a, const BlockPos& b) {
      return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    return describe(list);
  }
  std::string boundary() const { return describe(list_of(boundary_blocks, boundary_count)); }
  std::string outside_rows() const {
    std::string out;
    for (int32_t r = 0; r < grid_rows; ++r) {
      for (int32_t c = 0; c < grid_cols; ++c) out += outside_map[at(c, r)] ? 'O' : '-';
      out += '/';
    }
    return out;
  }
};

TEST_F(RegionGrowing, NeighbourStepsRunTopRightBottomLeft) {
  const NeighbourStep expected[4] = {{0, -1, 1}, {1, 0, 2}, {0, 1, 4}, {-1, 0, 8}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(neighbour_steps[i].dcol, expected[i].dcol);
    EXPECT_EQ(neighbour_steps[i].drow, expected[i].drow);
    EXPECT_EQ(neighbour_steps[i].edge_bit, expected[i].edge_bit);
  }
}

TEST_F(RegionGrowing, UniformGridIsTakenWholeSeedFirst) {
  make_grid({"###", "###"});
  set_seeds({{1, 0}});
  run();
  EXPECT_EQ(selected_set(), "(0,0)(1,0)(2,0)(0,1)(1,1)(2,1)");
  EXPECT_EQ(selected_blocks[0], (BlockPos{1, 0}));
  EXPECT_EQ(outside_queue_len, 0);
  EXPECT_EQ(outside_rows(), "---/---/");
  // Every block touches the border; column-major order.
  EXPECT_EQ(boundary(), "(0,0)(0,1)(1,0)(1,1)(2,0)(2,1)");
  EXPECT_EQ(selected_edges[at(1, 0)], EDGE_TOP);
  EXPECT_EQ(selected_edges[at(0, 1)], EDGE_BOTTOM | EDGE_LEFT);
  EXPECT_EQ(boundary_edges[at(2, 0)], EDGE_TOP | EDGE_RIGHT);
}

TEST_F(RegionGrowing, SeedsAreListedOncePerStrokePointWhateverTheirColour) {
  // No two blocks share a colour.
  make_grid({"....", "....", "...."});
  for (int32_t i = 0; i < 12; ++i) block_colors[i] = static_cast<uint32_t>(i * 20) << 8;
  set_seeds({{0, 0}, {3, 2}, {0, 0}, {2, 1}});
  run();
  EXPECT_EQ(selected(), "(0,0)(3,2)(0,0)(2,1)");
  EXPECT_EQ(selected_map[at(3, 2)], 1);
  EXPECT_EQ(selected_map[at(1, 0)], 0);
  EXPECT_EQ(selected_edges[at(2, 1)], EDGE_TOP | EDGE_RIGHT | EDGE_BOTTOM | EDGE_LEFT);
  EXPECT_EQ(selected_edges[at(3, 2)], EDGE_TOP | EDGE_RIGHT | EDGE_BOTTOM | EDGE_LEFT);
}

TEST_F(RegionGrowing, RingAroundACentreHole) {
  make_grid({"###", "#.#", "###"});
  set_seeds({{0, 0}});
  run();
  EXPECT_EQ(selected_count, 8);
  EXPECT_EQ(selected_map[at(1, 1)], 0);
  EXPECT_EQ(outside_queue_len, 0);
  EXPECT_EQ(outside_rows(), "---/---/---/");
  EXPECT_EQ(boundary(), "(0,0)(0,1)(0,2)(1,0)(1,2)(2,0)(2,1)(2,2)");
  EXPECT_EQ(boundary_edges[at(1, 0)], EDGE_TOP);
  EXPECT_EQ(selected_edges[at(1, 0)], EDGE_TOP | EDGE_BOTTOM);
  EXPECT_EQ(boundary_edges[at(1, 2)], EDGE_BOTTOM);
  EXPECT_EQ(selected_edges[at(2, 1)], EDGE_RIGHT | EDGE_LEFT);
  EXPECT_EQ(boundary_edges[at(2, 1)], EDGE_RIGHT);
}

TEST_F(RegionGrowing, EnclosedHoleStaysInsideAndInnerSidesLeaveTheBoundary) {
  make_grid({".....", ".###.", ".#.#.", ".###.", "....."});
  set_seeds({{1, 1}});
  run();
  EXPECT_EQ(selected_count, 8);
  EXPECT_EQ(outside_rows(), "OOOOO/O---O/O---O/O---O/OOOOO/");
  EXPECT_EQ(outside_queue_len, 16);
  // Every ring block faces the outside; the centre hole is not listed.
  EXPECT_EQ(boundary(), "(1,1)(1,2)(1,3)(2,1)(2,3)(3,1)(3,2)(3,3)");
  EXPECT_EQ(selected_edges[at(2, 1)], EDGE_TOP | EDGE_BOTTOM);
  EXPECT_EQ(boundary_edges[at(2, 1)], EDGE_TOP);
  EXPECT_EQ(selected_edges[at(1, 2)], EDGE_RIGHT | EDGE_LEFT);
  EXPECT_EQ(boundary_edges[at(1, 2)], EDGE_LEFT);
  EXPECT_EQ(boundary_edges[at(1, 1)], EDGE_TOP | EDGE_LEFT);
}

TEST_F(RegionGrowing, EveryUnselectedBorderBlockIsOutside) {
  make_grid({"...", ".#.", "..."});
  block_colors[at(0, 0)] = COLOR_O;  // keeps growth to the seed alone
  settings.tolerance = 0;
  set_seeds({{1, 1}});
  run();
  EXPECT_EQ(selected(), "(1,1)");
  EXPECT_EQ(outside_rows(), "OOO/O-O/OOO/");
  EXPECT_EQ(outside_queue_len, 8);
}

TEST_F(RegionGrowing, OneRowGridCountsEachBorderBlockOnce) {
  make_grid({"#..#"});
  set_seeds({{0, 0}});
  run();
  EXPECT_EQ(selected(), "(0,0)");
  EXPECT_EQ(outside_rows(), "-OOO/");
  EXPECT_EQ(outside_queue_len, 3);
  EXPECT_EQ(boundary(), "(0,0)");
  EXPECT_EQ(selected_edges[0], EDGE_TOP | EDGE_RIGHT | EDGE_BOTTOM | EDGE_LEFT);
}

TEST_F(RegionGrowing, OneColumnGridCountsEachBorderBlockOnce) {
  make_grid({".", ".", "#"});
  set_seeds({{0, 2}});
  run();
  EXPECT_EQ(outside_rows(), "O/O/-/");
  EXPECT_EQ(outside_queue_len, 2);
}

TEST_F(RegionGrowing, OutsideReachesInThroughAGap) {
  // The outside reaches the interior through the gap at (2, 0).
  make_grid({"##.##", "#...#", "#####"});
  set_seeds({{0, 0}});
  run();
  EXPECT_EQ(outside_rows(), "--O--/-OOO-/-----/");
  EXPECT_EQ(outside_queue_len, 4);
  EXPECT_EQ(boundary(), "(0,0)(0,1)(0,2)(1,0)(1,2)(2,2)(3,0)(3,2)(4,0)(4,1)(4,2)");
  EXPECT_EQ(boundary_edges[at(2, 2)], EDGE_TOP | EDGE_BOTTOM);
}

TEST_F(RegionGrowing, DeletedBlocksAreWallsWhileRangeModeIsZero) {
  make_grid({"#x#", "###"});
  settings.range_mode = 0;
  set_seeds({{0, 0}});
  run();
  EXPECT_EQ(selected_set(), "(0,0)(2,0)(0,1)(1,1)(2,1)");
  EXPECT_EQ(selected_map[at(1, 0)], 0);
  EXPECT_EQ(selected_edges[at(0, 0)], EDGE_TOP | EDGE_RIGHT | EDGE_LEFT);
  EXPECT_EQ(selected_edges[at(1, 1)], EDGE_TOP | EDGE_BOTTOM);
  EXPECT_EQ(boundary_edges[at(1, 1)], EDGE_TOP | EDGE_BOTTOM);
}

TEST_F(RegionGrowing, DeletedBlocksTakePartInRangeModeOne) {
  make_grid({"#x#", "###"});
  settings.range_mode = 1;
  set_seeds({{0, 0}});
  run();
  EXPECT_EQ(selected_set(), "(0,0)(1,0)(2,0)(0,1)(1,1)(2,1)");
  // Sides towards a block flagged deleted still carry a segment.
  EXPECT_EQ(selected_edges[at(0, 0)], EDGE_TOP | EDGE_RIGHT | EDGE_LEFT);
}

TEST_F(RegionGrowing, EnclosedDeletedBlockStillGetsBoundarySegments) {
  make_grid({"###", "#x#", "###"});
  set_seeds({{0, 0}});
  run();
  EXPECT_EQ(outside_map[at(1, 1)], 0);
  EXPECT_EQ(boundary_edges[at(1, 0)], EDGE_TOP | EDGE_BOTTOM);
  EXPECT_EQ(selected_edges[at(1, 0)], EDGE_TOP | EDGE_BOTTOM);
  EXPECT_EQ(boundary_edges[at(0, 1)], EDGE_RIGHT | EDGE_LEFT);
}

TEST_F(RegionGrowing, ReferenceModeDecidesWhetherColourMayDrift) {
  // Red rises by 8 per block; tolerance 10.
  const struct {
    uint8_t reference_mode;
    int32_t expected_count;
  } cases[] = {{0, 6}, {1, 2}};
  for (const auto& c : cases) {
    reset_selection_state();
    settings.tolerance = 10;
    settings.reference_mode = c.reference_mode;
    make_grid({"......"});
    for (int32_t i = 0; i < 6; ++i) block_colors[i] = static_cast<uint32_t>(i * 8) << 16;
    set_seeds({{0, 0}});
    run();
    EXPECT_EQ(selected_count, c.expected_count) << "reference mode " << int(c.reference_mode);
  }
}

TEST_F(RegionGrowing, ComputeEdgesLeavesUnlistedEntriesAlone) {
  make_grid({"##", "##"});
  std::memset(selected_map, 1, 4);
  int32_t edges[4] = {-1, -1, -1, -1};
  const BlockPos list[1] = {{1, 1}};
  compute_edges(list, 1, selected_map, edges, 1);
  EXPECT_EQ(edges[0], -1);
  EXPECT_EQ(edges[1], -1);
  EXPECT_EQ(edges[2], -1);
  EXPECT_EQ(edges[3], EDGE_RIGHT | EDGE_BOTTOM);
}

TEST_F(RegionGrowing, LargestGridAtBlockSizeOneStaysWithinCapacity) {
  grid_cols = MAX_PICTURE_WIDTH;
  grid_rows = MAX_PICTURE_HEIGHT;
  std::memset(block_colors, 0, sizeof block_colors);
  std::memset(block_deleted, 0, sizeof block_deleted);
  // 101 stroke points, all in one block: the seeds are listed once each.
  stroke_last = MAX_STROKE_POINTS - 1;
  for (int32_t i = 0; i <= stroke_last; ++i) stroke_blocks[i] = BlockPos{500, 400};
  run();
  EXPECT_EQ(selected_count, MAX_GRID_BLOCKS + MAX_STROKE_POINTS - 1);
  EXPECT_EQ(outside_queue_len, 0);
  EXPECT_EQ(boundary_count, 2 * MAX_PICTURE_WIDTH + 2 * (MAX_PICTURE_HEIGHT - 2));
  EXPECT_EQ(boundary_blocks[boundary_count - 1], (BlockPos{1023, 767}));

  // The opposite extreme: one selected block, everything else outside.
  block_colors[at(0, 0)] = 0x00FFFFFF;
  stroke_last = 0;
  stroke_blocks[0] = BlockPos{0, 0};
  run();
  EXPECT_EQ(selected_count, 1);
  EXPECT_EQ(outside_queue_len, MAX_GRID_BLOCKS - 1);
  EXPECT_EQ(boundary(), "(0,0)");
}

}  // namespace
