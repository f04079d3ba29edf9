#include "panel/tool_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/editing_state.h"
#include "app/workspace.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "graphics/picture_files.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t GREY = 0x808080;
constexpr uint32_t BLACK = 0x000000;
constexpr uint32_t WHITE = 0xFFFFFF;
constexpr int32_t VALUE_ROWS[] = {0, 1, 2, 3, 6, 8};

struct Rect {
  int32_t left, top, right, bottom;  // inclusive
};

// The editing state as workspace setup leaves it for a picture `width` wide.
void start_values(int32_t width) {
  clear_editing_state();
  picture_width = width;
  set_start_values();
}

// A window-sized image standing in for the window, as the drawing target, inside a
// working directory of its own (the logo is looked up there).
class ToolPanel : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override {
    W = GetParam();
    previous_dir_ = fs::current_path();
    std::random_device seed;
    work_dir_ = fs::temp_directory_path() / ("tessary-panel-" + std::to_string(seed()));
    fs::create_directories(work_dir_);
    fs::current_path(work_dir_);
    start_values(W);
    window = IMAGE(W + PANEL_WIDTH, WINDOW_HEIGHT);
    gfx_set_target(&window);
  }

  void TearDown() override {
    graph_context().target = nullptr;
    graph_context().device = nullptr;
    std::error_code error;
    fs::current_path(previous_dir_, error);
    fs::remove_all(work_dir_, error);
  }

  uint32_t at(int32_t x, int32_t y) const { return window.pixels[y * window.width + x]; }

  void fill(uint32_t pixel) { std::fill_n(window.pixels, window.width * window.height, pixel); }

  Rect value_box(int32_t row) const {
    const PanelRow& r = panel_rows[row];
    return {W + r.left + 80, r.top + 5, W + r.right - 10, r.bottom - 5};
  }

  Rect swatch(int32_t k) const {
    const int32_t x0 = W + 26 + 30 * (k % 5);
    const int32_t y0 = 328 + 16 * (k / 5);
    return {x0 + 1, y0 + 1, x0 + 28, y0 + 14};
  }

  std::vector<uint32_t> region(const Rect& r) const {
    std::vector<uint32_t> out;
    for (int32_t y = r.top; y <= r.bottom; ++y)
      for (int32_t x = r.left; x <= r.right; ++x) out.push_back(at(x, y));
    return out;
  }

  // Every pixel of `r` has the pixel value `pixel`.
  ::testing::AssertionResult solid(const Rect& r, uint32_t pixel) const {
    for (int32_t y = r.top; y <= r.bottom; ++y)
      for (int32_t x = r.left; x <= r.right; ++x)
        if (at(x, y) != pixel)
          return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << std::hex << at(x, y);
    return ::testing::AssertionSuccess();
  }

  // The ring of pixels just outside `r` has no pixel of value `pixel`.
  ::testing::AssertionResult bordered(const Rect& r, uint32_t pixel) const {
    for (int32_t x = r.left - 1; x <= r.right + 1; ++x)
      for (int32_t y : {r.top - 1, r.bottom + 1})
        if (at(x, y) == pixel) return ::testing::AssertionFailure() << "spills to (" << x << "," << y << ")";
    for (int32_t y = r.top; y <= r.bottom; ++y)
      for (int32_t x : {r.left - 1, r.right + 1})
        if (at(x, y) == pixel) return ::testing::AssertionFailure() << "spills to (" << x << "," << y << ")";
    return ::testing::AssertionSuccess();
  }

  int32_t W = 0;
  IMAGE window;
  fs::path previous_dir_;
  fs::path work_dir_;
};

TEST_P(ToolPanel, RowFramesAreGreyBandsFivePixelsWideCentredOnTheRowEdges) {
  draw_panel();
  for (int32_t row = 0; row < PANEL_ROW_COUNT; ++row) {
    SCOPED_TRACE(row);
    const PanelRow& r = panel_rows[row];
    const int32_t left = W + r.left;
    const int32_t right = W + r.right;
    const int32_t mid_x = W + (r.left + r.right) / 2;
    const int32_t mid_y = (r.top + r.bottom) / 2;
    for (int32_t d = -2; d <= 2; ++d) {
      EXPECT_EQ(at(mid_x, r.top + d), GREY) << d;
      EXPECT_EQ(at(mid_x, r.bottom + d), GREY) << d;
      EXPECT_EQ(at(left + d, mid_y), GREY) << d;
      EXPECT_EQ(at(right + d, mid_y), GREY) << d;
    }
    for (int32_t d : {-3, 3}) {
      EXPECT_NE(at(mid_x, r.top + d), GREY) << d;
      EXPECT_NE(at(mid_x, r.bottom + d), GREY) << d;
      EXPECT_NE(at(left + d, mid_y), GREY) << d;
      EXPECT_NE(at(right + d, mid_y), GREY) << d;
    }
  }
}

TEST_P(ToolPanel, CaptionsAreDrawnAtTheirRowsInThePanelFont) {
  draw_panel();
  IMAGE reference(window.width, window.height);
  gfx_set_target(&reference);
  gfx_set_font(20, 0, texts::font_panel);
  gfx_set_text_color(0xFFFFFF);
  for (int32_t row = 0; row < PANEL_ROW_COUNT; ++row) {
    SCOPED_TRACE(row);
    const PanelRow& r = panel_rows[row];
    const int32_t x = W + r.left + r.text_dx;
    const int32_t y = r.top + r.text_dy;
    gfx_text_at(x, y, panel_labels[row]);
    // Only the part of the cell that later drawing (value boxes, samples) leaves alone.
    int32_t right = x + gfx_text_width(panel_labels[row]) - 1;
    if (std::find(std::begin(VALUE_ROWS), std::end(VALUE_ROWS), row) != std::end(VALUE_ROWS))
      right = std::min(right, W + r.left + 79);
    if (row == 4) right = std::min(right, W + r.left + 52);
    int32_t white = 0;
    for (int32_t py = y; py < y + 20; ++py) {
      for (int32_t px = x; px <= right; ++px) {
        ASSERT_EQ(at(px, py), reference.pixels[py * reference.width + px]) << px << "," << py;
        white += at(px, py) == WHITE;
      }
    }
    EXPECT_GT(white, 10);
  }
}

TEST_P(ToolPanel, ValueBoxesAreBlackWithWhiteText) {
  draw_panel();
  for (int32_t row : VALUE_ROWS) {
    SCOPED_TRACE(row);
    const Rect box = value_box(row);
    EXPECT_EQ(box.left, W + 100);
    EXPECT_EQ(box.right, W + 170);
    EXPECT_EQ(box.bottom - box.top + 1, 21);
    int32_t white = 0;
    for (uint32_t v : region(box)) {
      white += v == WHITE;
      // Only black, white and the greys between them.
      ASSERT_TRUE((v & 0xFF) == ((v >> 8) & 0xFF) && (v & 0xFF) == (v >> 16)) << std::hex << v;
    }
    EXPECT_GT(white, 5);
  }
}

TEST_P(ToolPanel, RowValueShowsTheSettingFormattedForItsRow) {
  struct Case {
    int32_t row;
    void (*set)();
    const char* text;
  };
  const Case cases[] = {
      {0, [] { settings.tolerance = 255; }, "255"},
      {0, [] { settings.tolerance = 0; }, "0"},
      {1, [] { settings.block_index = 5; }, "5"},
      {1, [] { block_sizes[0] = 3, block_sizes[3] = 40, settings.block_index = 3; }, "40"},
      {2, [] { settings.distance_mode = 0; }, texts::distance_labels[0]},
      {2, [] { settings.distance_mode = 1; }, texts::distance_labels[1]},
      {3, [] { settings.reference_mode = 0; }, texts::reference_labels[0]},
      {3, [] { settings.reference_mode = 1; }, texts::reference_labels[1]},
      {6, [] { settings.include_inner = 0; }, texts::include_labels[0]},
      {6, [] { settings.include_inner = 1; }, texts::include_labels[1]},
      {8, [] { settings.range_mode = 0; }, texts::range_labels[0]},
      {8, [] { settings.range_mode = 1; }, texts::range_labels[1]},
      {5, [] {}, ""},
  };
  std::vector<uint32_t> previous;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    start_values(W);
    c.set();
    fill(BLACK);
    draw_value_box(c.row, c.text);
    const std::vector<uint32_t> expected = region(value_box(c.row));
    fill(0x405060);
    draw_row_value(c.row);
    EXPECT_EQ(region(value_box(c.row)), expected);
    // Each value looks different from the one before it in the table.
    EXPECT_NE(expected, previous);
    previous = expected;
  }
}

TEST_P(ToolPanel, ValueBoxReplacesTheOldValue) {
  draw_value_box(0, "1");
  const std::vector<uint32_t> fresh = region(value_box(0));
  fill(BLACK);
  draw_value_box(0, "888");
  draw_value_box(0, "1");
  EXPECT_EQ(region(value_box(0)), fresh);
}

TEST_P(ToolPanel, SwatchesFillTheirExactRectangles) {
  draw_panel();
  EXPECT_EQ(swatch(0).left, W + 27);
  EXPECT_EQ(swatch(0).top, 329);
  EXPECT_EQ(swatch(29).right, W + 174);
  EXPECT_EQ(swatch(29).bottom, 422);
  for (int32_t k = 0; k < FIRST_PICKED_SWATCH; ++k) {
    SCOPED_TRACE(k);
    const Rect r = swatch(k);
    const uint32_t pixel = swap_red_blue(swatch_colors[k]);
    EXPECT_TRUE(solid(r, pixel));
    // The 2-pixel gaps between swatches stay black.
    EXPECT_EQ(at(r.right + 1, r.top), BLACK);
    EXPECT_EQ(at(r.right + 2, r.bottom), BLACK);
    EXPECT_EQ(at(r.left, r.bottom + 1), BLACK);
    EXPECT_EQ(at(r.right, r.top - 1), BLACK);
  }
}

TEST_P(ToolPanel, EmptySwatchesAreHatchedAndUsedOnesSolidAgain) {
  draw_panel();
  for (int32_t k = FIRST_PICKED_SWATCH; k < SWATCH_COUNT; ++k) {
    SCOPED_TRACE(k);
    int32_t white = 0, black = 0;
    for (uint32_t v : region(swatch(k))) {
      ASSERT_TRUE(v == WHITE || v == BLACK) << std::hex << v;
      white += v == WHITE;
      black += v == BLACK;
    }
    EXPECT_GT(white, 28);
    EXPECT_GT(black, 28);
  }
  // A used slot drawn right after an empty one is solid again.
  fill(BLACK);
  draw_swatch(29);
  draw_swatch(3);
  EXPECT_TRUE(solid(swatch(3), swap_red_blue(swatch_colors[3])));
  // A colour picked into an empty slot replaces its hatch.
  swatch_colors[28] = 0x123456;
  swatch_used[28] = 1;
  draw_swatch(28);
  EXPECT_TRUE(solid(swatch(28), 0x563412));
}

TEST_P(ToolPanel, SamplesShowTheChosenSwatchColours) {
  settings.outline_color_index = 9;  // 0x800000: dark blue
  settings.fill_color_index = 5;     // 0x0080FF: orange
  draw_panel();
  const Rect outline = {W + 73, 309, W + 100, 323};
  const Rect background = {W + 147, 309, W + 174, 323};
  EXPECT_TRUE(solid(outline, 0x000080));
  EXPECT_TRUE(bordered(outline, 0x000080));
  EXPECT_TRUE(solid(background, 0xFF8000));
  EXPECT_TRUE(bordered(background, 0xFF8000));

  settings.outline_color_index = 21;
  settings.fill_color_index = 26;
  draw_outline_sample();
  draw_fill_sample();
  EXPECT_TRUE(solid(outline, 0x0080FF));
  EXPECT_TRUE(solid(background, WHITE));
}

TEST_P(ToolPanel, HistoryFramesAreBlackWhenTheStepIsUnavailable) {
  struct Case {
    int32_t pos, oldest, newest;
    bool back, forward;  // available
  };
  const Case cases[] = {
      {0, 0, 0, false, false}, {3, 0, 7, true, true},  {3, 0, 4, true, false},
      {19, 5, 0, true, false}, {5, 5, 9, false, true}, {0, 15, 2, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.pos << " " << c.oldest << " " << c.newest);
    history_pos = c.pos;
    history_oldest = c.oldest;
    history_newest = c.newest;
    fill(0x203040);
    draw_history_buttons();
    for (auto [row, available] : {std::pair{9, c.back}, {10, c.forward}}) {
      const PanelRow& r = panel_rows[row];
      const uint32_t expected = available ? GREY : BLACK;
      for (int32_t d = -2; d <= 2; ++d) {
        EXPECT_EQ(at(W + (r.left + r.right) / 2, r.top + d), expected) << row;
        EXPECT_EQ(at(W + r.right + d, (r.top + r.bottom) / 2), expected) << row;
      }
    }
  }
}

TEST_P(ToolPanel, MissingLogoLeavesItsAreaBlack) {
  draw_panel();
  EXPECT_TRUE(solid({W, 0, W + 199, 95}, BLACK));
  EXPECT_EQ(at(W + 100, 100), GREY);
}

TEST_P(ToolPanel, LogoIsCopiedBelowThePanelTop) {
  fs::copy_file(fs::path(TESSARY_SOURCE_DIR) / "assets" / "CORVALIS.jpg", work_dir_ / "CORVALIS.jpg");
  IMAGE logo;
  gfx_load_picture(&logo, "CORVALIS.jpg", 0, 0, false);
  ASSERT_GT(logo.width, 100);
  ASSERT_LE(logo.width, 186);
  ASSERT_LE(15 + logo.height, 96);
  draw_panel();
  for (int32_t y = 0; y < logo.height; ++y)
    for (int32_t x = 0; x < logo.width; ++x)
      ASSERT_EQ(at(W + 7 + x, 15 + y), logo.pixels[y * logo.width + x]) << x << "," << y;
  int32_t bright = 0;
  for (int32_t i = 0; i < logo.width * logo.height; ++i) bright += (logo.pixels[i] & 0xFF) > 0x80;
  EXPECT_GT(bright, 100);
  EXPECT_EQ(at(W + 6, 15), BLACK);
}

INSTANTIATE_TEST_SUITE_P(PictureWidths, ToolPanel, ::testing::Values(1024, 537));

}  // namespace
