#include "selection/outline.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "selection/stroke.h"
#include "selection_fixture.h"

namespace {

constexpr uint32_t BACKGROUND = 0x00102030;
constexpr uint32_t MARK = 0x00445566;

struct Segment {
  int32_t x1, y1, x2, y2;
};

// An image stands in for the window: drawing goes to it and window_pixels points at
// its pixels, with the window's row stride of picture width + 200.
class OutlineTest : public ::testing::Test {
 protected:
  void use_picture(int32_t width, int32_t height, int32_t block_size) {
    reset_selection_state(block_size);
    make_picture(width, height, BACKGROUND);
    window = std::make_unique<IMAGE>(width + PANEL_WIDTH, WINDOW_HEIGHT);
    gfx_set_target(window.get());
    window_pixels = window->pixels;
    stride = width + PANEL_WIDTH;
  }
  void TearDown() override { gfx_set_target(nullptr); }
  void show_picture() { gfx_put_image(picture_left, picture_top, &picture, SRCCOPY); }
  // Gives block (c, r) a colour unlike everything else and shows the picture.
  void mark_block(int32_t c, int32_t r) {
    const int32_t bs = current_block_size();
    for (int32_t y = r * bs; y < std::min((r + 1) * bs, picture_height); ++y) {
      for (int32_t x = c * bs; x < std::min((c + 1) * bs, picture_width); ++x) picture_pixels[y * picture_width + x] = MARK;
    }
    show_picture();
  }
  // A stroke on the marked block selects exactly that block.
  void stroke_on_block(int32_t c, int32_t r) {
    set_stroke({{c * current_block_size(), r * current_block_size()}});
    apply_stroke();
    ASSERT_EQ(selected_count, 1);
    ASSERT_EQ(selected_blocks[0], (BlockPos{c, r}));
  }
  uint32_t window_at(int32_t x, int32_t y) const { return window_pixels[y * stride + x]; }
  // Every window pixel that differs from `reference` (an earlier copy of the window).
  std::vector<int32_t> changed_pixels(const std::vector<uint32_t>& reference) const {
    std::vector<int32_t> out;
    for (size_t i = 0; i < reference.size(); ++i) {
      if (window_pixels[i] != reference[i]) out.push_back(static_cast<int32_t>(i));
    }
    return out;
  }
  std::vector<uint32_t> window_copy() const { return {window_pixels, window_pixels + stride * WINDOW_HEIGHT}; }
  bool on_segment(int32_t x, int32_t y, const Segment& s) const {
    return x >= std::min(s.x1, s.x2) && x <= std::max(s.x1, s.x2) && y >= std::min(s.y1, s.y2) && y <= std::max(s.y1, s.y2);
  }
  // The outline's pixels lie on the expected segments only, each segment's first pixel
  // is drawn, and the result is what those lines drawn one by one give.
  void expect_segments(const std::vector<uint32_t>& before, const std::vector<Segment>& segments, COLORREF color) {
    for (int32_t i : changed_pixels(before)) {
      const int32_t x = i % stride, y = i / stride;
      bool covered = false;
      for (const Segment& s : segments) covered = covered || on_segment(x, y, s);
      EXPECT_TRUE(covered) << "stray outline pixel at " << x << "," << y;
      EXPECT_EQ(window_pixels[i], swap_red_blue(color)) << "at " << x << "," << y;
    }
    for (const Segment& s : segments) {
      EXPECT_EQ(window_at(s.x1, s.y1), swap_red_blue(color)) << "segment from " << s.x1 << "," << s.y1;
    }
    IMAGE expected(stride, WINDOW_HEIGHT);
    std::copy(before.begin(), before.end(), expected.pixels);
    gfx_set_target(&expected);
    gfx_set_line_style(3, 1, nullptr, 0);
    gfx_set_line_color(color);
    for (const Segment& s : segments) gfx_line(s.x1, s.y1, s.x2, s.y2);
    gfx_set_target(window.get());
    EXPECT_EQ(std::vector<uint32_t>(expected.pixels, expected.pixels + stride * WINDOW_HEIGHT), window_copy());
  }

  std::unique_ptr<IMAGE> window;
  int32_t stride = 0;
};

TEST_F(OutlineTest, SingleBlockInTheMiddleDrawsItsFourSides) {
  use_picture(100, 600, 5);
  ASSERT_EQ(picture_top, 84);
  mark_block(6, 9);
  const std::vector<uint32_t> before = window_copy();
  stroke_on_block(6, 9);
  const int32_t x0 = 30, x1 = 34, y0 = 45 + 84, y1 = 49 + 84;
  expect_segments(before, {{x0, y0, x1, y0}, {x1, y0, x1, y1}, {x0, y1, x1, y1}, {x0, y0, x0, y1}},
                  swatch_colors[21]);
}

TEST_F(OutlineTest, LastNarrowColumnDrawsItsRightSideOnThePicturesLastColumn) {
  use_picture(103, 50, 5);
  mark_block(20, 2);
  const std::vector<uint32_t> before = window_copy();
  stroke_on_block(20, 2);
  const int32_t t = picture_top;
  expect_segments(before, {{100, 10 + t, 102, 10 + t}, {102, 10 + t, 102, 14 + t}, {100, 14 + t, 102, 14 + t},
                           {100, 10 + t, 100, 14 + t}},
                  swatch_colors[21]);
}

TEST_F(OutlineTest, EraseRestoresEachSideRunWithItsEndPoints) {
  use_picture(100, 600, 5);
  mark_block(6, 9);
  stroke_on_block(6, 9);
  // Scribble over the whole window: erasing puts back exactly the block's sides.
  for (int32_t i = 0; i < stride * WINDOW_HEIGHT; ++i) window_pixels[i] = 0x00ABCDEF;
  erase_outline();
  std::vector<int32_t> restored;
  for (int32_t i = 0; i < stride * WINDOW_HEIGHT; ++i) {
    if (window_pixels[i] != 0x00ABCDEF) restored.push_back(i);
  }
  ASSERT_EQ(restored.size(), 16u);  // 5 + 5 + 5 + 5, corners twice
  for (int32_t i : restored) {
    const int32_t x = i % stride, y = i / stride - 84;
    EXPECT_TRUE((x == 30 || x == 34 || y == 45 || y == 49) && x >= 30 && x <= 34 && y >= 45 && y <= 49) << x << "," << y;
    EXPECT_EQ(window_pixels[i], picture_pixels[y * 100 + x]);
  }
}

TEST_F(OutlineTest, DrawThenEraseLeavesTheWindowShowingThePicture) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 12; ++trial) {
    const int32_t bs = 1 + trial % 6;
    use_picture(37 + trial * 3, 29 + trial, bs);
    settings.include_inner = static_cast<uint8_t>(trial % 2);
    settings.tolerance = 30;
    for (int32_t i = 0; i < picture_width * picture_height; ++i) picture_pixels[i] = (rng() % 3) * 0x00202020u;
    for (int32_t i = 0; i < picture_width * picture_height; i += 7) deleted_pixels[i] = trial % 3 == 0;
    std::fill(window_pixels, window_pixels + stride * WINDOW_HEIGHT, 0x00777777u);
    show_picture();
    const std::vector<uint32_t> before = window_copy();
    set_stroke({{picture_width / 2, picture_height / 2}, {1, 1}});
    apply_stroke();
    erase_outline();
    EXPECT_EQ(window_copy(), before) << "trial " << trial;
  }
}

TEST_F(OutlineTest, BoundaryOutlineInIncludeInnerMode) {
  // A ring of 4-pixel blocks around a hole: only the outer sides are drawn.
  use_picture(20, 20, 4);
  settings.include_inner = 1;
  for (int32_t y = 4; y < 16; ++y) {
    for (int32_t x = 4; x < 16; ++x) {
      if (x < 8 || x >= 12 || y < 8 || y >= 12) picture_pixels[y * 20 + x] = MARK;
    }
  }
  show_picture();
  const std::vector<uint32_t> before = window_copy();
  set_stroke({{5, 5}});
  apply_stroke();
  const int32_t t = picture_top;
  std::vector<Segment> expected;
  for (int32_t k = 0; k < boundary_count; ++k) {
    const int32_t c = boundary_blocks[k].col, r = boundary_blocks[k].row;
    const int32_t word = boundary_edges[r * grid_cols + c];
    const int32_t x0 = c * 4, x1 = x0 + 3, y0 = r * 4 + t, y1 = y0 + 3;
    if (word & EDGE_TOP) expected.push_back({x0, y0, x1, y0});
    if (word & EDGE_RIGHT) expected.push_back({x1, y0, x1, y1});
    if (word & EDGE_BOTTOM) expected.push_back({x0, y1, x1, y1});
    if (word & EDGE_LEFT) expected.push_back({x0, y0, x0, y1});
  }
  ASSERT_EQ(expected.size(), 12u);
  expect_segments(before, expected, swatch_colors[21]);
  // Nothing on the hole's sides.
  for (int32_t y = 8; y < 12; ++y) {
    for (int32_t x = 8; x < 12; ++x) EXPECT_EQ(window_at(x, y + t), BACKGROUND);
  }
}

TEST_F(OutlineTest, NewOutlineSwatchRedrawsTheSameSegmentsInTheNewColour) {
  use_picture(100, 600, 5);
  mark_block(6, 9);
  const std::vector<uint32_t> before = window_copy();
  stroke_on_block(6, 9);
  const std::vector<int32_t> first = changed_pixels(before);
  ASSERT_FALSE(first.empty());
  settings.outline_color_index = 1;
  draw_outline(selected_blocks, selected_count, selected_edges);
  EXPECT_EQ(changed_pixels(before), first);
  for (int32_t i : first) EXPECT_EQ(window_pixels[i], swap_red_blue(swatch_colors[1]));
}

TEST_F(OutlineTest, BlockSizeOneDrawsNothingButErasesItsPixel) {
  use_picture(9, 9, 1);
  mark_block(4, 4);
  const std::vector<uint32_t> before = window_copy();
  stroke_on_block(4, 4);
  EXPECT_EQ(selected_edges[4 * 9 + 4], EDGE_TOP | EDGE_RIGHT | EDGE_BOTTOM | EDGE_LEFT);
  EXPECT_TRUE(changed_pixels(before).empty());  // every side is a line of length zero
  const int32_t marked = (4 + picture_top) * stride + 4;
  window_pixels[marked] = 0;
  erase_outline();
  EXPECT_EQ(window_pixels[marked], MARK);
}

}  // namespace
