#include "app/main_loop.h"

#include <gtest/gtest.h>

#include "app/editing_state.h"
#include "panel/input_dispatch.h"
#include "tests/panel/dispatch_workspace.h"

namespace {

constexpr int32_t W = 40;
constexpr int32_t H = 30;

using test_workspace::window_at;

struct Buttons {
  bool left = false;
  bool right = false;
  bool ctrl = false;
};

// One pass of the loop for a message at window position (x, y).
void pass_at(int32_t x, int32_t y, Buttons buttons) {
  MOUSEMSG msg{};
  msg.message = buttons.left ? WM_LBUTTONDOWN : (buttons.right ? WM_RBUTTONDOWN : WM_MOUSEMOVE);
  msg.left_button = buttons.left;
  msg.right_button = buttons.right;
  msg.ctrl = buttons.ctrl;
  msg.x = static_cast<int16_t>(x);
  msg.y = static_cast<int16_t>(y);
  dispatch_message(msg);
  handle_picture_message();
}

// The same, with (px, py) in picture coordinates.
void pass_on_picture(int32_t px, int32_t py, Buttons buttons) {
  pass_at(picture_left + px, picture_top + py, buttons);
}

class MainLoop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test_workspace::enter_scratch_folder("tessary_main_loop_test"); }
  void SetUp() override { test_workspace::set_up(W, H); }
};

TEST_F(MainLoop, PictureBoundsAreInclusive) {
  struct Case {
    int32_t x, y;
    bool handled;
  };
  const int32_t top = (WINDOW_HEIGHT - H) / 2;
  const Case cases[] = {
      {W - 1, top + H - 1, true}, {0, top, true},          {W, top + 5, false},
      {5, top - 1, false},        {5, top + H, false},     {-1, top + 5, false},
  };
  for (const Case& c : cases) {
    test_workspace::set_up(W, H);
    stroke_points[0] = {-7, -7};
    pass_at(c.x, c.y, {.left = true});
    EXPECT_EQ(settings.outline_shown, c.handled ? 1 : 0) << "at " << c.x << "," << c.y;
    if (c.handled) {
      EXPECT_EQ(stroke_points[0].x, c.x - picture_left);
      EXPECT_EQ(stroke_points[0].y, c.y - picture_top);
    } else {
      EXPECT_EQ(stroke_points[0].x, -7) << "at " << c.x << "," << c.y;
    }
  }
}

TEST_F(MainLoop, CtrlStrokeKeepsAtMost101Points) {
  // Point k of the clicks, k = 1..150, all distinct within the picture.
  auto point = [](int32_t k) { return PicturePoint{k % W, k / W}; };
  for (int32_t k = 1; k <= 150; ++k) {
    pass_on_picture(point(k).x, point(k).y, {.left = true, .ctrl = true});
    ASSERT_EQ(stroke_last, k < 100 ? k : 100) << "click " << k;
  }
  // Index 0 is the zeroed start point; clicks 1..99 kept their places, the rest took 100.
  EXPECT_EQ(stroke_points[0].x, 0);
  EXPECT_EQ(stroke_points[0].y, 0);
  for (int32_t k = 1; k < 100; ++k) {
    EXPECT_EQ(stroke_points[k].x, point(k).x) << k;
    EXPECT_EQ(stroke_points[k].y, point(k).y) << k;
  }
  EXPECT_EQ(stroke_points[100].x, point(150).x);
  EXPECT_EQ(stroke_points[100].y, point(150).y);
  EXPECT_EQ(stroke_points[101].x, 0);
}

TEST_F(MainLoop, PlainClickAfterACtrlStrokeStartsOver) {
  pass_on_picture(1, 1, {.left = true});
  pass_on_picture(2, 2, {.left = true, .ctrl = true});
  pass_on_picture(3, 3, {.left = true, .ctrl = true});
  ASSERT_EQ(stroke_last, 2);
  pass_on_picture(9, 8, {.left = true});
  EXPECT_EQ(stroke_last, 0);
  EXPECT_EQ(stroke_points[0].x, 9);
  EXPECT_EQ(stroke_points[0].y, 8);
  EXPECT_EQ(settings.outline_shown, 1);
}

TEST_F(MainLoop, DeletedPixelTakesAPointOnlyInsideTheRange) {
  for (uint8_t range : {0, 1}) {
    test_workspace::set_up(W, H);
    settings.range_mode = range;
    deleted_pixels[8 * W + 9] = 1;
    pass_on_picture(9, 8, {.left = true, .ctrl = true});
    EXPECT_EQ(stroke_last, range) << "range " << int{range};
    EXPECT_EQ(settings.outline_shown, range) << "range " << int{range};
    EXPECT_EQ(stroke_points[1].x, range ? 9 : 0) << "range " << int{range};
  }
}

TEST_F(MainLoop, RightClicksFillTheEmptySlotsInOrder) {
  const uint32_t colours[] = {0x123456, 0xABCDEF, 0x00FF01, 0x777777};
  for (int32_t i = 0; i < 4; ++i) picture_pixels[i] = colours[i];
  const COLORREF slot_27_before = swatch_colors[27];
  for (int32_t i = 0; i < 4; ++i) pass_on_picture(i, 0, {.right = true});
  for (int32_t i = 0; i < 3; ++i) {
    const int32_t slot = FIRST_PICKED_SWATCH + i;
    EXPECT_EQ(swatch_used[slot], 1);
    EXPECT_EQ(swatch_colors[slot], swap_red_blue(colours[i])) << "slot " << slot;
    // The slot is drawn in the picked colour: pixel words again on the window.
    EXPECT_EQ(window_at(W + 26 + 30 * (slot % 5) + 14, 328 + 16 * (slot / 5) + 7), colours[i]) << "slot " << slot;
  }
  EXPECT_NE(slot_27_before, swatch_colors[27]);
  EXPECT_EQ(settings.outline_shown, 0);

  // With every slot used a pick changes nothing; an emptied slot is filled next.
  pass_on_picture(3, 0, {.right = true});
  for (int32_t slot = 0; slot < SWATCH_COUNT; ++slot) EXPECT_NE(swatch_colors[slot], swap_red_blue(colours[3]));
  swatch_used[4] = 0;
  pass_on_picture(3, 0, {.right = true});
  EXPECT_EQ(swatch_used[4], 1);
  EXPECT_EQ(swatch_colors[4], swap_red_blue(colours[3]));
}

TEST_F(MainLoop, BothButtonsRunOnlyTheStroke) {
  picture_pixels[0] = 0x123456;
  pass_on_picture(0, 0, {.left = true, .right = true});
  EXPECT_EQ(settings.outline_shown, 1);
  EXPECT_EQ(swatch_used[27], 0);
  EXPECT_EQ(swatch_colors[27], 0u);
}

TEST_F(MainLoop, StrokeReplacesTheShownOutline) {
  // Left half white, right half black: each click selects its own half.
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = W / 2; x < W; ++x) picture_pixels[y * W + x] = 0;
  gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
  const uint32_t outline = swap_red_blue(swatch_colors[21]);
  auto outline_pixels_in = [&](int32_t x0, int32_t x1) {
    int n = 0;
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = x0; x <= x1; ++x) n += window_at(x, picture_top + y) == outline;
    return n;
  };
  pass_on_picture(2, 2, {.left = true});
  EXPECT_GT(outline_pixels_in(0, W / 2 - 2), 0);
  EXPECT_EQ(outline_pixels_in(W / 2 + 1, W - 1), 0);
  pass_on_picture(W - 3, 2, {.left = true});
  EXPECT_EQ(outline_pixels_in(0, W / 2 - 2), 0);
  EXPECT_GT(outline_pixels_in(W / 2 + 1, W - 1), 0);
}

TEST_F(MainLoop, MessagesOverThePanelAreLeftToTheDispatch) {
  pass_at(W + 100, 115, {.left = true});
  pass_at(W + 70, 335, {.right = true});
  EXPECT_EQ(settings.outline_shown, 0);
  EXPECT_EQ(swatch_used[27], 0);
  EXPECT_EQ(settings.fill_color_index, 1);  // the right click chose swatch 1 instead
}

}  // namespace
