#include "panel/input_dispatch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/editing_state.h"
#include "app/main_loop.h"
#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"
#include "graphics/window_device.h"
#include "panel/colour_transform.h"
#include "platform/window.h"
#include "selection/outline.h"
#include "selection/stroke.h"
#include "tests/panel/dispatch_workspace.h"

namespace {

constexpr int32_t W = 40;
constexpr int32_t H = 30;
constexpr uint32_t HOVER_PIXEL = 0x0080FF;    // COLORREF 0xFF8000 as a pixel word
constexpr uint32_t GREY_PIXEL = 0x808080;
constexpr uint32_t OUTLINE_PIXEL = 0x0080FF;  // swatch 21, the start outline colour

using test_workspace::window_at;

void set_up_workspace() { test_workspace::set_up(W, H); }

// Centre of row i, in window coordinates.
MOUSEMSG on_row(int32_t row, bool left = false) {
  const PanelRow& r = panel_rows[row];
  MOUSEMSG msg{};
  msg.message = left ? WM_LBUTTONDOWN : WM_MOUSEMOVE;
  msg.left_button = left;
  msg.x = static_cast<int16_t>(W + (r.left + r.right) / 2);
  msg.y = static_cast<int16_t>((r.top + r.bottom) / 2);
  return msg;
}

MOUSEMSG wheel_on_row(int32_t row, int16_t delta) {
  MOUSEMSG msg = on_row(row);
  msg.message = WM_MOUSEWHEEL;
  msg.wheel_delta = delta;
  return msg;
}

MOUSEMSG on_swatch(int32_t slot, bool left, bool right, bool ctrl = false) {
  MOUSEMSG msg{};
  msg.message = left ? WM_LBUTTONDOWN : (right ? WM_RBUTTONDOWN : WM_MOUSEMOVE);
  msg.left_button = left;
  msg.right_button = right;
  msg.ctrl = ctrl;
  msg.x = static_cast<int16_t>(W + 26 + 30 * (slot % 5) + 14);
  msg.y = static_cast<int16_t>(328 + 16 * (slot / 5) + 7);
  return msg;
}

// A left click on the picture, through the main loop's own handling.
void stroke_at(int32_t px, int32_t py) {
  MOUSEMSG msg{};
  msg.message = WM_LBUTTONDOWN;
  msg.left_button = true;
  msg.x = static_cast<int16_t>(picture_left + px);
  msg.y = static_cast<int16_t>(picture_top + py);
  dispatch_message(msg);
  handle_picture_message();
}

// Pixels of the window's picture area within the picture rectangle [x0, x1] x [y0, y1]
// that hold `value`.
int count_in_picture_area(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t value) {
  int count = 0;
  for (int32_t y = y0; y <= y1; ++y)
    for (int32_t x = x0; x <= x1; ++x) count += window_at(picture_left + x, picture_top + y) == value;
  return count;
}

class InputDispatch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test_workspace::enter_scratch_folder("tessary_dispatch_test"); }
  void SetUp() override { set_up_workspace(); }
};

TEST_F(InputDispatch, MessageIsKeptForTheMainLoop) {
  MOUSEMSG msg{};
  msg.message = WM_RBUTTONDOWN;
  msg.right_button = true;
  msg.ctrl = true;
  msg.x = 7;
  msg.y = 300;
  dispatch_message(msg);
  EXPECT_EQ(current_msg.message, WM_RBUTTONDOWN);
  EXPECT_TRUE(current_msg.right_button);
  EXPECT_TRUE(current_msg.ctrl);
  EXPECT_EQ(current_msg.x, 7);
  EXPECT_EQ(current_msg.y, 300);
  EXPECT_EQ(hover_row, -1);
}

TEST_F(InputDispatch, RowHitIsStrictOnAllFourSides) {
  struct Case {
    int32_t x, y;
    int32_t expected_row;
  };
  const Case cases[] = {
      {W + 20, 115, -1},  {W + 180, 115, -1}, {W + 100, 100, -1}, {W + 100, 130, -1},
      {W + 21, 101, 0},   {W + 179, 129, 0},  {W + 90, 665, -1},  {W + 110, 665, -1},
      {W + 89, 665, 9},   {W + 111, 665, 10}, {W + 100, 140, -1}, {W + 100, 715, 11},
  };
  for (const Case& c : cases) {
    set_up_workspace();
    MOUSEMSG msg{};
    msg.message = WM_MOUSEWHEEL;
    msg.wheel_delta = 120;
    msg.x = static_cast<int16_t>(c.x);
    msg.y = static_cast<int16_t>(c.y);
    dispatch_message(msg);
    EXPECT_EQ(hover_row, c.expected_row) << "at " << c.x - W << "," << c.y;
    EXPECT_EQ(settings.tolerance, c.expected_row == 0 ? 11 : 10) << "at " << c.x - W << "," << c.y;
  }
}

TEST_F(InputDispatch, HoverFrameTurnsBlueThenGreyOnLeaving) {
  dispatch_message(on_row(0));
  EXPECT_EQ(hover_row, 0);
  EXPECT_EQ(window_at(W + 20, 115), HOVER_PIXEL);  // left side, on the frame line
  EXPECT_EQ(window_at(W + 100, 100), HOVER_PIXEL);  // top side
  EXPECT_EQ(window_at(W + 180, 115), HOVER_PIXEL);
  EXPECT_EQ(window_at(W + 100, 130), HOVER_PIXEL);

  dispatch_message(on_row(1));  // straight onto the next row
  EXPECT_EQ(hover_row, 1);
  EXPECT_EQ(window_at(W + 20, 115), GREY_PIXEL);
  EXPECT_EQ(window_at(W + 20, 165), HOVER_PIXEL);

  MOUSEMSG outside{};
  outside.x = 5;
  outside.y = 5;
  dispatch_message(outside);
  EXPECT_EQ(hover_row, -1);
  EXPECT_EQ(window_at(W + 20, 165), GREY_PIXEL);
  EXPECT_EQ(window_at(W + 100, 180), GREY_PIXEL);
}

TEST_F(InputDispatch, WheelStepsAreWholeNotchesClampedToTheirRange) {
  struct Case {
    int32_t row;
    int32_t start;
    int16_t delta;
    int32_t expected;
  };
  const Case cases[] = {
      {0, 10, 119, 10},  {0, 10, 240, 12},  {0, 0, -120, 0},    {0, 10, -239, 9},
      {0, 250, 1200, 255}, {0, 3, -600, 0}, {1, 5, 240, 7},     {1, 5, -1200, 1},
      {1, 79, 360, 80},  {1, 2, -119, 2},
  };
  for (const Case& c : cases) {
    set_up_workspace();
    if (c.row == 0)
      settings.tolerance = c.start;
    else
      settings.block_index = c.start;
    dispatch_message(wheel_on_row(c.row, c.delta));
    const int32_t value = c.row == 0 ? settings.tolerance : settings.block_index;
    EXPECT_EQ(value, c.expected) << "row " << c.row << " from " << c.start << " by " << c.delta;
  }
}

TEST_F(InputDispatch, BlockIndexStaysWithinAShortenedSizeList) {
  const int32_t divisors[] = {6, 1, 2, 3, 4, 6, 12};
  for (int32_t k = 0; k < 7; ++k) block_sizes[k] = divisors[k];
  settings.block_index = 6;
  dispatch_message(wheel_on_row(1, 480));
  EXPECT_EQ(settings.block_index, 6);
  dispatch_message(wheel_on_row(1, -120));
  EXPECT_EQ(settings.block_index, 5);
  EXPECT_EQ(current_block_size(), 6);
}

TEST_F(InputDispatch, WheelOnTheSizeRowsWithoutAnOutlineEndsTheStroke) {
  for (int32_t row : {0, 1}) {
    set_up_workspace();
    stroke_last = 4;
    dispatch_message(wheel_on_row(row, -120));
    EXPECT_EQ(settings.outline_shown, 0) << "row " << row;
    EXPECT_EQ(stroke_last, 0) << "row " << row;
    EXPECT_EQ(count_in_picture_area(0, 0, W - 1, H - 1, OUTLINE_PIXEL), 0) << "row " << row;
  }
  // The wheel elsewhere leaves stroke and outline alone.
  set_up_workspace();
  stroke_at(3, 3);
  stroke_last = 4;
  dispatch_message(wheel_on_row(6, 120));
  EXPECT_EQ(settings.outline_shown, 1);
  EXPECT_EQ(stroke_last, 4);
}

TEST_F(InputDispatch, HeldButtonTogglesAgainOnEveryMoveWithinTheRow) {
  struct Step {
    uint32_t message;
    bool left;
    int32_t dx;
    uint8_t expected_mode;
  };
  const Step steps[] = {
      {WM_LBUTTONDOWN, true, 0, 0},
      {WM_MOUSEMOVE, true, 5, 1},
      {WM_MOUSEMOVE, true, 10, 0},
      {WM_LBUTTONUP, false, 10, 0},
      {WM_MOUSEMOVE, false, 12, 0},
  };
  for (int32_t row : {2, 3}) {
    set_up_workspace();
    for (const Step& s : steps) {
      MOUSEMSG msg = on_row(row);
      msg.message = s.message;
      msg.left_button = s.left;
      msg.x = static_cast<int16_t>(msg.x + s.dx);
      dispatch_message(msg);
      const uint8_t mode = row == 2 ? settings.distance_mode : settings.reference_mode;
      EXPECT_EQ(mode, s.expected_mode) << "row " << row << " message " << std::hex << s.message;
    }
  }
}

TEST_F(InputDispatch, ToggleRowsWithoutAnOutlineKeepTheStrokeAndDrawNothing) {
  stroke_last = 2;
  for (int32_t row : {2, 3, 8}) dispatch_message(on_row(row, true));
  EXPECT_EQ(settings.outline_shown, 0);
  EXPECT_EQ(stroke_last, 2);
  EXPECT_EQ(count_in_picture_area(0, 0, W - 1, H - 1, OUTLINE_PIXEL), 0);
}

TEST_F(InputDispatch, SwatchChoices) {
  struct Case {
    const char* name;
    int32_t slot;
    bool left, right, ctrl;
    int32_t outline, fill;
    uint8_t used;
  };
  const Case cases[] = {
      {"left chooses the outline", 5, true, false, false, 5, 26, 1},
      {"right chooses the background", 3, false, true, false, 21, 3, 1},
      {"ctrl+right empties the outline's slot", 21, false, true, true, 21, 26, 0},
      {"ctrl+right empties another slot", 4, false, true, true, 21, 26, 0},
      {"both buttons set both", 8, true, true, false, 8, 8, 1},
      {"an empty slot takes no choice", 27, true, true, false, 21, 26, 0},
      {"no button", 5, false, false, false, 21, 26, 1},
  };
  for (const Case& c : cases) {
    set_up_workspace();
    dispatch_message(on_swatch(c.slot, c.left, c.right, c.ctrl));
    EXPECT_EQ(settings.outline_color_index, c.outline) << c.name;
    EXPECT_EQ(settings.fill_color_index, c.fill) << c.name;
    EXPECT_EQ(swatch_used[c.slot], c.used) << c.name;
  }
}

TEST_F(InputDispatch, EmptiedOutlineSlotKeepsItsColourAndLooksEmpty) {
  dispatch_message(on_swatch(21, false, true, true));
  EXPECT_EQ(swatch_colors[21], 0xFF8000u);
  EXPECT_EQ(settings.outline_color_index, 21);
  // The slot now shows the black-and-white hatch instead of its colour.
  int coloured = 0, black = 0;
  for (int32_t y = 329 + 16 * 4; y <= 342 + 16 * 4; ++y)
    for (int32_t x = W + 27 + 30; x <= W + 54 + 30; ++x) {
      coloured += window_at(x, y) == swap_red_blue(0xFF8000);
      black += window_at(x, y) == 0;
    }
  EXPECT_EQ(coloured, 0);
  EXPECT_GT(black, 0);
}

TEST_F(InputDispatch, SwatchHitIsExactlyTheDrawnPixels) {
  struct Case {
    int32_t x, y;
    bool hit;
  };
  // Swatch 0 covers W+27..W+54 and 329..342.
  const Case cases[] = {
      {W + 27, 329, true},  {W + 54, 342, true},  {W + 26, 335, false},
      {W + 55, 335, false}, {W + 40, 328, false}, {W + 40, 343, false},
  };
  for (const Case& c : cases) {
    set_up_workspace();
    MOUSEMSG msg{};
    msg.right_button = true;
    msg.x = static_cast<int16_t>(c.x);
    msg.y = static_cast<int16_t>(c.y);
    dispatch_message(msg);
    EXPECT_EQ(settings.fill_color_index, c.hit ? 0 : 26) << "at " << c.x - W << "," << c.y;
  }
}

TEST_F(InputDispatch, NewOutlineColourRedrawsTheShownOutline) {
  stroke_at(3, 3);
  const int drawn = count_in_picture_area(0, 0, W - 1, H - 1, OUTLINE_PIXEL);
  ASSERT_GT(drawn, 0);
  dispatch_message(on_swatch(2, true, false));  // 0x0000FF, red
  EXPECT_EQ(settings.outline_shown, 1);
  EXPECT_EQ(count_in_picture_area(0, 0, W - 1, H - 1, OUTLINE_PIXEL), 0);
  EXPECT_EQ(count_in_picture_area(0, 0, W - 1, H - 1, 0xFF0000), drawn);
}

// A white picture with a black 10 x 10 hole on blocks (3..4, 2..3) of size 5: a stroke
// on the white selects a ring whose inner sides are outlined only without inclusion.
class InputDispatchHole : public InputDispatch {
 protected:
  void SetUp() override {
    set_up_workspace();
    for (int32_t y = 10; y < 20; ++y)
      for (int32_t x = 15; x < 25; ++x) picture_pixels[y * W + x] = 0;
    gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
    stroke_at(2, 2);
  }
  int hole_outline() const { return count_in_picture_area(14, 9, 25, 20, OUTLINE_PIXEL); }
  int outer_outline() const { return count_in_picture_area(0, 0, W - 1, 0, OUTLINE_PIXEL); }
};

TEST_F(InputDispatchHole, IncludeRowRedrawsInTheNewForm) {
  ASSERT_GT(hole_outline(), 0);
  ASSERT_GT(outer_outline(), 0);
  dispatch_message(on_row(6, true));
  EXPECT_EQ(settings.include_inner, 1);
  EXPECT_EQ(settings.outline_shown, 1);
  EXPECT_EQ(hole_outline(), 0);
  EXPECT_GT(outer_outline(), 0);
  dispatch_message(on_row(6, true));
  EXPECT_EQ(settings.include_inner, 0);
  EXPECT_GT(hole_outline(), 0);
}

TEST_F(InputDispatchHole, RangeRowRedrawsInTheCurrentForm) {
  const int hole = hole_outline();
  ASSERT_GT(hole, 0);
  dispatch_message(on_row(8, true));
  EXPECT_EQ(settings.range_mode, 1);
  EXPECT_EQ(settings.include_inner, 0);
  EXPECT_EQ(settings.outline_shown, 1);
  EXPECT_EQ(hole_outline(), hole);

  dispatch_message(on_row(6, true));  // now include inner points
  dispatch_message(on_row(8, true));
  EXPECT_EQ(settings.range_mode, 0);
  EXPECT_EQ(hole_outline(), 0);
  EXPECT_GT(outer_outline(), 0);
}

TEST_F(InputDispatch, DeleteNarrowsTheSizesToDivisorsOnlyOutsideTheRange) {
  for (uint8_t range : {0, 1}) {
    set_up_workspace();
    settings.range_mode = range;
    settings.block_index = 12;
    stroke_at(3, 3);
    stroke_last = 3;
    dispatch_message(on_row(7, true));
    EXPECT_EQ(settings.outline_shown, 0);
    EXPECT_EQ(history_pos, 1);
    if (range == 0) {
      const std::vector<int32_t> expected = {6, 1, 2, 3, 4, 6, 12};
      EXPECT_EQ(std::vector<int32_t>(block_sizes, block_sizes + 7), expected);
      EXPECT_EQ(settings.block_index, 6);
      EXPECT_EQ(stroke_last, 0);
    } else {
      EXPECT_EQ(block_sizes[0], 80);
      EXPECT_EQ(block_sizes[80], 80);
      EXPECT_EQ(settings.block_index, 12);
      EXPECT_EQ(stroke_last, 3);
    }
    EXPECT_EQ(current_block_size(), 12);
  }
}

TEST_F(InputDispatch, DeleteNeedsAShownOutlineAndTheLeftButton) {
  MOUSEMSG right = on_row(7);
  right.right_button = true;
  dispatch_message(on_row(7, true));
  EXPECT_EQ(history_pos, 0);
  stroke_at(3, 3);
  dispatch_message(right);
  EXPECT_EQ(history_pos, 0);
  EXPECT_EQ(settings.outline_shown, 1);
}

TEST_F(InputDispatch, RangeSwitchKeepsTheCurrentSize) {
  const int32_t divisors[] = {6, 1, 2, 3, 4, 6, 12};
  for (int32_t k = 0; k < 7; ++k) block_sizes[k] = divisors[k];
  settings.block_index = 5;  // size 6
  dispatch_message(on_row(8, true));
  EXPECT_EQ(settings.range_mode, 1);
  EXPECT_EQ(settings.block_index, 6);
  EXPECT_EQ(block_sizes[0], 80);
  for (int32_t k = 1; k <= 80; ++k) EXPECT_EQ(block_sizes[k], k);
  // Switching back leaves the list as it is.
  dispatch_message(on_row(8, true));
  EXPECT_EQ(settings.range_mode, 0);
  EXPECT_EQ(block_sizes[0], 80);
  EXPECT_EQ(settings.block_index, 6);
}

TEST(ColourTransform, EachStepMapsTheChannels) {
  struct Case {
    int32_t step;
    uint32_t expected;
  };
  const Case cases[] = {
      {0, 0x561234}, {1, 0x561234}, {2, 0xEDCBA9}, {3, 0x345612}, {4, 0x345612}, {5, 0xEDCBA9},
  };
  for (const Case& c : cases) {
    uint32_t pixel = 0xFF123456;
    transform_colours(&pixel, 1, c.step);
    EXPECT_EQ(pixel, c.expected) << "step " << c.step;
  }
}

TEST_F(InputDispatch, SixTransformPressesGiveEveryPixelBack) {
  for (int32_t i = 0; i < W * H; ++i) picture_pixels[i] = (static_cast<uint32_t>(i) * 2654435761u) & 0xFFFFFF;
  const std::vector<uint32_t> before(picture_pixels, picture_pixels + W * H);
  stroke_at(3, 3);

  dispatch_message(on_row(5, true));
  EXPECT_EQ(settings.outline_shown, 0);
  EXPECT_EQ(color_transform_step, 1);
  for (int32_t i = 0; i < W * H; ++i) {
    const uint32_t v = before[i];
    const uint32_t rotated = ((v & 0xFF) << 16) | (((v >> 16) & 0xFF) << 8) | ((v >> 8) & 0xFF);
    ASSERT_EQ(picture_pixels[i], rotated) << "pixel " << i;
    ASSERT_EQ(window_at(i % W, picture_top + i / W), rotated) << "window pixel " << i;
  }
  // The composed transform in force shows the first colours as the picture now has them.
  for (int press = 1; press <= 6; ++press) {
    for (int32_t i = 0; i < W * H; ++i)
      ASSERT_EQ(apply_colour_transform(cutout.colours, before[i]), picture_pixels[i]) << "press " << press;
    if (press < 6) dispatch_message(on_row(5, true));
  }
  EXPECT_EQ(color_transform_step, 0);
  EXPECT_EQ(std::vector<uint32_t>(picture_pixels, picture_pixels + W * H), before);
}

TEST_F(InputDispatch, TransformNeedsTheLeftButton) {
  MOUSEMSG msg = on_row(5);
  msg.right_button = true;
  dispatch_message(msg);
  EXPECT_EQ(color_transform_step, 0);
  EXPECT_EQ(picture_pixels[0], 0xFFFFFFu);
}

TEST_F(InputDispatch, BackRestoresTheStateBeforeTheDeleteAndForwardStopsShort) {
  settings.fill_color_index = 0;  // black
  stroke_at(3, 3);
  dispatch_message(on_row(7, true));
  ASSERT_EQ(picture_pixels[3 * W + 3], 0u);
  ASSERT_EQ(deleted_pixels[3 * W + 3], 1);
  dispatch_message(on_row(10, true));  // nothing ahead yet
  EXPECT_EQ(history_pos, 1);
  dispatch_message(on_row(9, true));
  EXPECT_EQ(history_pos, 0);
  EXPECT_EQ(picture_pixels[3 * W + 3], 0xFFFFFFu);
  EXPECT_EQ(window_at(3, picture_top + 3), 0xFFFFFFu);
  EXPECT_EQ(deleted_pixels[3 * W + 3], 0);
  EXPECT_EQ(block_sizes[0], 80);
  dispatch_message(on_row(9, true));  // at the oldest position
  EXPECT_EQ(history_pos, 0);
  dispatch_message(on_row(10, true));  // the state after the delete was never saved
  EXPECT_EQ(history_pos, 0);
}

TEST_F(InputDispatch, SaveRowSavesOncePerLeftButtonMessage) {
  std::snprintf(picture_base_name, sizeof picture_base_name, "dispatch");
  MOUSEMSG right = on_row(11);
  right.right_button = true;
  dispatch_message(right);
  EXPECT_EQ(save_counter, 0);
  dispatch_message(on_row(11, true));
  MOUSEMSG held_move = on_row(11, true);
  held_move.message = WM_MOUSEMOVE;
  dispatch_message(held_move);
  EXPECT_EQ(save_counter, 2);
  EXPECT_TRUE(std::filesystem::is_regular_file("dispatch_0.bmp"));
  EXPECT_TRUE(std::filesystem::is_regular_file("dispatch_1.bmp"));
}

TEST_F(InputDispatch, WheelWithTheButtonHeldAlsoToggles) {
  MOUSEMSG msg = wheel_on_row(2, 120);
  msg.left_button = true;
  dispatch_message(msg);
  EXPECT_EQ(settings.distance_mode, 0);
  EXPECT_EQ(settings.tolerance, 10);
}

}  // namespace

namespace {

MOUSEMSG key(uint32_t code, bool ctrl, bool shift = false) {
  MOUSEMSG msg{};
  msg.message = WM_KEYDOWN;
  msg.key = code;
  msg.ctrl = ctrl;
  msg.shift = shift;
  return msg;
}

TEST(Shortcuts, EachKeyStandsForItsRow) {
  struct Case {
    uint32_t code;
    bool ctrl, shift;
    int32_t row;
  };
  const Case cases[] = {
      {'z', true, false, 9},  {'z', true, true, 10},   {'y', true, false, 10}, {'y', true, true, 10},
      {'s', true, false, 11}, {platform::KEY_DELETE, false, false, 7},       {'z', false, false, -1},
      {'y', false, false, -1}, {'s', false, true, -1}, {'a', true, false, -1}, {'Z', true, false, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(shortcut_row(key(c.code, c.ctrl, c.shift)), c.row) << c.code << " ctrl " << c.ctrl << " shift " << c.shift;
  MOUSEMSG move = key('s', true);
  move.message = WM_MOUSEMOVE;
  EXPECT_EQ(shortcut_row(move), -1) << "only key records are shortcuts";
}

// Everything a row action can change, for comparing a click with its key.
struct EditingPicture {
  std::vector<uint32_t> pixels, window_area;
  std::vector<uint8_t> deleted;
  std::vector<int32_t> sizes;
  int32_t block_index, outline_shown, stroke, pos, newest, oldest, saves;
  bool operator==(const EditingPicture&) const = default;
};

EditingPicture capture() {
  EditingPicture e;
  e.pixels.assign(picture_pixels, picture_pixels + W * H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) e.window_area.push_back(window_at(x, picture_top + y));
  e.deleted.assign(deleted_pixels, deleted_pixels + W * H);
  e.sizes.assign(block_sizes, block_sizes + block_sizes[0] + 1);
  e.block_index = settings.block_index;
  e.outline_shown = settings.outline_shown;
  e.stroke = stroke_last;
  e.pos = history_pos;
  e.newest = history_newest;
  e.oldest = history_oldest;
  e.saves = save_counter;
  return e;
}

// Two deletes, back twice, forward, save, and a delete with no outline, once by left
// clicks on the rows and once by their keys: every step leaves the same state.
TEST(Shortcuts, DoExactlyWhatTheirRowsDo) {
  test_workspace::enter_scratch_folder("tessary_shortcut_test");
  const MOUSEMSG keys[] = {key(platform::KEY_DELETE, false), key('z', true), key('y', true), key('z', true, true),
                           key('s', true)};
  const int32_t rows[] = {7, 9, 10, 10, 11};
  std::vector<EditingPicture> by_click, by_key;
  for (bool use_keys : {false, true}) {
    std::vector<EditingPicture>& states = use_keys ? by_key : by_click;
    set_up_workspace();
    // Two areas, so the second delete has something of its own.
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = W / 2; x < W; ++x) picture_pixels[y * W + x] = 0xFF0000;
    gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
    std::snprintf(picture_base_name, sizeof picture_base_name, "keys");
    std::filesystem::remove("keys_0.bmp");
    std::filesystem::remove("keys_0.png");
    settings.fill_color_index = 0;
    auto act = [&](int which) {
      dispatch_message(use_keys ? keys[which] : on_row(rows[which], true));
      states.push_back(capture());
    };
    act(0);  // no outline: nothing
    stroke_at(3, 3);
    act(0);
    stroke_at(30, 20);
    act(0);
    act(1);
    act(1);
    act(2);
    act(1);
    act(3);
    act(4);
  }
  ASSERT_EQ(by_click.size(), by_key.size());
  for (size_t i = 0; i < by_click.size(); ++i) EXPECT_TRUE(by_click[i] == by_key[i]) << "after step " << i;
  EXPECT_EQ(by_key[0].pos, 0) << "Delete with no outline shown did something";
  EXPECT_EQ(by_key[2].pos, 2);
  EXPECT_EQ(by_key[4].pos, 0);
  EXPECT_EQ(by_key[5].pos, 1);
  EXPECT_EQ(by_key.back().saves, 1);
  EXPECT_TRUE(std::filesystem::is_regular_file("keys_0.png"));
}

}  // namespace

namespace {

// A red gradient, 10 per block of 5 from left to right, with the two right-hand block
// columns deleted (walls while the range is 0): each growth setting changes what a
// stroke at block column 5 selects.
void set_up_gradient() {
  set_up_workspace();
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      picture_pixels[y * W + x] = static_cast<uint32_t>(2 * x) << 16 | 0x2864;
      deleted_pixels[y * W + x] = x >= 30;
    }
  gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
}

// The window and the selection, to compare a regrowth with a fresh stroke.
std::pair<std::vector<uint32_t>, std::vector<uint8_t>> shown() {
  return {std::vector<uint32_t>(window_pixels, window_pixels + (W + PANEL_WIDTH) * WINDOW_HEIGHT),
          std::vector<uint8_t>(selected_map, selected_map + grid_cols * grid_rows)};
}

// A click and a Ctrl click; or, with `change` dispatched first (no outline up), the
// same two points grown afresh.
void two_point_stroke() {
  stroke_at(27, 12);
  MOUSEMSG msg = on_row(0, true);
  msg.ctrl = true;
  msg.x = static_cast<int16_t>(picture_left + 22);
  msg.y = static_cast<int16_t>(picture_top + 27);
  dispatch_message(msg);
  handle_picture_message();
}
auto fresh_stroke_after(const MOUSEMSG& change) {
  set_up_gradient();
  dispatch_message(change);
  stroke_points[0] = {27, 12};
  stroke_points[1] = {22, 27};
  stroke_last = 1;
  apply_stroke();
  return shown();
}

TEST_F(InputDispatch, GrowthSettingsRegrowTheShownStroke) {
  // Tolerance up 10 and down 1, block size 6, the arithmetic rule, the neighbour as
  // reference, deleted blocks in the picture.
  const MOUSEMSG changes[] = {wheel_on_row(0, 1200), wheel_on_row(0, -120), wheel_on_row(1, 120),
                              on_row(2, true),       on_row(3, true),       on_row(8, true)};
  for (int i = 0; i < 6; ++i) {
    const auto expected = fresh_stroke_after(changes[i]);
    set_up_gradient();
    two_point_stroke();
    const int32_t before = selected_count;
    dispatch_message(changes[i]);
    EXPECT_EQ(settings.outline_shown, 1) << "change " << i;
    EXPECT_EQ(stroke_last, 1) << "change " << i;
    EXPECT_NE(selected_count, before) << "change " << i << " changes nothing";
    EXPECT_TRUE(shown() == expected) << "change " << i;
  }
}

// Notches queued faster than growth all count, the stroke grows once the queue is
// drained, and a key that comes before that sees the selection grown first.
TEST_F(InputDispatch, QueuedNotchesAllCountAndGrowOnce) {
  Canvas::MouseQueue& queue = Canvas::graph_window().mouse_queue();
  const auto expected = fresh_stroke_after(wheel_on_row(0, 1200));
  set_up_gradient();
  two_point_stroke();
  for (int i = 0; i < 10; ++i) queue.push(wheel_on_row(0, 120));
  for (int i = 1; i <= 10; ++i) {
    dispatch_input();
    EXPECT_EQ(settings.tolerance, 10 + i);
    EXPECT_EQ(count_in_picture_area(0, 0, W - 1, H - 1, OUTLINE_PIXEL) > 0, i == 10) << "after notch " << i;
  }
  EXPECT_TRUE(shown() == expected);

  queue.push(wheel_on_row(0, -120));
  MOUSEMSG plus{};
  plus.message = WM_KEYDOWN;
  plus.key = '+';
  queue.push(plus);
  dispatch_input();
  dispatch_input();
  const auto ringed = shown();
  fresh_stroke_after(wheel_on_row(0, 1080));
  erase_outline();
  change_selection_by_ring(1);
  EXPECT_TRUE(shown() == ringed) << "the ring was not added to the selection at tolerance 19";
}

}  // namespace
