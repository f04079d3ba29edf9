#include "selection/stroke.h"

#include <gtest/gtest.h>

#include <memory>

#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "selection_fixture.h"

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }

// A picture with an image standing in for the window: drawing goes to the image and
// window_pixels points at its pixels.
class StrokeTest : public ::testing::Test {
 protected:
  void use_picture(int32_t width, int32_t height, uint32_t fill = 0, int32_t block_size = 5) {
    reset_selection_state(block_size);
    make_picture(width, height, fill);
    window = std::make_unique<IMAGE>(width + PANEL_WIDTH, WINDOW_HEIGHT);
    gfx_set_target(window.get());
    window_pixels = window->pixels;
  }
  void TearDown() override { gfx_set_target(nullptr); }
  uint32_t& pixel(int32_t x, int32_t y) { return picture_pixels[y * picture_width + x]; }
  uint32_t block_color(int32_t c, int32_t r) const { return block_colors[r * grid_cols + c]; }
  // Does the window show the picture's pixels in the picture's place?
  bool window_shows_picture() const {
    for (int32_t y = 0; y < picture_height; ++y) {
      for (int32_t x = 0; x < picture_width; ++x) {
        if (window_pixels[(y + picture_top) * (picture_width + PANEL_WIDTH) + x] != picture_pixels[y * picture_width + x])
          return false;
      }
    }
    return true;
  }

  std::unique_ptr<IMAGE> window;
};

TEST_F(StrokeTest, NarrowerLastColumnAndRowAverageOverTheirOwnPixels) {
  const struct {
    int32_t width, height, cols, rows;
  } cases[] = {{103, 50, 21, 10}, {103, 48, 21, 10}, {100, 50, 20, 10}};
  for (const auto& c : cases) {
    use_picture(c.width, c.height);
    // Red by column, green by row: the last block's averages show the divisor.
    for (int32_t y = 0; y < c.height; ++y) {
      for (int32_t x = 0; x < c.width; ++x) pixel(x, y) = rgb(static_cast<uint32_t>(x), static_cast<uint32_t>(y * 5), 7);
    }
    set_stroke({{0, 0}});
    apply_stroke();
    EXPECT_EQ(grid_cols, c.cols);
    EXPECT_EQ(grid_rows, c.rows);
    const int32_t x0 = (c.cols - 1) * 5, y0 = (c.rows - 1) * 5;
    const int32_t w = c.width - x0, h = c.height - y0;
    uint32_t red = 0, green = 0;
    for (int32_t i = 0; i < w; ++i) red += static_cast<uint32_t>(x0 + i);
    for (int32_t j = 0; j < h; ++j) green += static_cast<uint32_t>((y0 + j) * 5);
    EXPECT_EQ(block_color(c.cols - 1, c.rows - 1), rgb(red / w, green / h, 7)) << c.width << "x" << c.height;
    EXPECT_EQ(block_color(0, 0), rgb(2, 10, 7));
  }
}

TEST_F(StrokeTest, AverageIsTheMeanOfColumnMeansRoundedDown) {
  use_picture(2, 2, 0, 2);
  pixel(0, 0) = rgb(1, 0, 0);
  pixel(0, 1) = rgb(2, 0, 0);
  pixel(1, 0) = rgb(2, 0, 0);
  pixel(1, 1) = rgb(3, 0, 0);
  set_stroke({{1, 1}});
  apply_stroke();
  EXPECT_EQ(block_colors[0], rgb(1, 0, 0));
}

TEST_F(StrokeTest, BlockSizeOneTakesEachPixelAsItsAverage) {
  use_picture(7, 3, 0, 1);
  for (int32_t i = 0; i < 21; ++i) picture_pixels[i] = 0xAB000000u | static_cast<uint32_t>(i * 0x0B0703);
  set_stroke({{3, 1}});
  apply_stroke();
  ASSERT_EQ(grid_cols, 7);
  ASSERT_EQ(grid_rows, 3);
  for (int32_t i = 0; i < 21; ++i) EXPECT_EQ(block_colors[i], static_cast<uint32_t>(i * 0x0B0703)) << i;
  EXPECT_EQ(stroke_blocks[0], (BlockPos{3, 1}));
}

TEST_F(StrokeTest, StrokePointsBecomeBlocksAndEverySeedIsListed) {
  use_picture(40, 40, rgb(9, 9, 9));
  set_stroke({{0, 0}, {4, 4}, {39, 12}, {17, 33}});
  apply_stroke();
  EXPECT_EQ(describe(list_of(stroke_blocks, 4)), "(0,0)(0,0)(7,2)(3,6)");
  EXPECT_EQ(describe(list_of(selected_blocks, 4)), "(0,0)(0,0)(7,2)(3,6)");
  EXPECT_EQ(selected_count, 64 + 1);  // (0, 0) is listed twice
  EXPECT_EQ(settings.outline_shown, 1);
}

TEST_F(StrokeTest, DeletedPixelsKeepTheirBlockColourOnlyWhileRangeModeIsZero) {
  for (uint8_t range_mode : {0, 1}) {
    use_picture(10, 5, rgb(50, 60, 70));
    settings.range_mode = range_mode;
    // The top-left pixel of block (1, 0) decides; the rest of the block is not marked.
    deleted_pixels[5] = 1;
    block_colors[1] = 0x00123456;
    set_stroke({{0, 0}});
    apply_stroke();
    if (range_mode == 0) {
      EXPECT_EQ(block_deleted[1], 1);
      EXPECT_EQ(block_colors[1], 0x00123456u);
      EXPECT_EQ(selected_count, 1);
    } else {
      EXPECT_EQ(block_deleted[1], 0);
      EXPECT_EQ(block_colors[1], rgb(50, 60, 70));
      EXPECT_EQ(selected_count, 2);
    }
  }
}

// A 5 x 5 grid of 4-pixel blocks: a ring of '#' around a hole, '.' outside.
void paint_ring_picture() {
  const char* rows[5] = {".....", ".###.", ".#.#.", ".###.", "....."};
  for (int32_t y = 0; y < 20; ++y) {
    for (int32_t x = 0; x < 20; ++x) {
      picture_pixels[y * 20 + x] = rows[y / 4][x / 4] == '#' ? COLOR_HASH : COLOR_DOT;
    }
  }
}

TEST_F(StrokeTest, DeleteSelectionPaintsTheRingOrAllItEncloses) {
  for (uint8_t include_inner : {0, 1}) {
    use_picture(20, 20, 0, 4);
    paint_ring_picture();
    settings.include_inner = include_inner;
    set_stroke({{5, 5}});
    apply_stroke();
    delete_selection();
    const uint32_t white = 0x00FFFFFF;
    for (int32_t y = 0; y < 20; ++y) {
      for (int32_t x = 0; x < 20; ++x) {
        const int32_t c = x / 4, r = y / 4;
        const bool ring = c >= 1 && c <= 3 && r >= 1 && r <= 3 && !(c == 2 && r == 2);
        const bool hole = c == 2 && r == 2;
        const bool painted = ring || (hole && include_inner == 1);
        const uint32_t before = ring ? COLOR_HASH : COLOR_DOT;
        EXPECT_EQ(pixel(x, y), painted ? white : before) << "include " << int(include_inner) << " at " << x << "," << y;
        EXPECT_EQ(deleted_pixels[y * 20 + x], painted ? 1 : 0);
        EXPECT_EQ(block_deleted[r * 5 + c], painted ? 1 : 0);
      }
    }
    EXPECT_TRUE(window_shows_picture());
  }
}

TEST_F(StrokeTest, DeleteConvertsTheSwatchToPixelOrderAndRepaintsDeletedBlocks) {
  use_picture(12, 8, rgb(1, 2, 3), 4);
  swatch_colors[5] = 0x00FF8000;
  settings.fill_color_index = 5;
  set_stroke({{0, 0}});
  apply_stroke();
  delete_selection();
  for (int32_t i = 0; i < 96; ++i) ASSERT_EQ(picture_pixels[i], 0x000080FFu) << i;
  // In range mode 1 the deleted area is selectable again and painted once more.
  settings.range_mode = 1;
  swatch_colors[5] = 0x00000080;
  apply_stroke();
  EXPECT_EQ(selected_count, 6);
  delete_selection();
  for (int32_t i = 0; i < 96; ++i) ASSERT_EQ(picture_pixels[i], 0x00800000u) << i;
}

TEST_F(StrokeTest, StrokeOffThePictureIsHeldToTheNearestBlock) {
  use_picture(12, 8, rgb(1, 2, 3), 4);
  set_stroke({{500, -3}});
  apply_stroke();
  EXPECT_EQ(stroke_blocks[0], (BlockPos{2, 0}));
  EXPECT_EQ(selected_count, 6);
}

}  // namespace
