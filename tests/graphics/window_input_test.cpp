// Pointer events as the window reports them, turned into mouse messages: timelines of
// presses, releases, moves and wheel turns, checked message by message.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/graph_wnd.h"
#include "platform/window.h"

namespace {

using Kind = platform::PointerEvent::Kind;

platform::PointerEvent ev(Kind kind, uint8_t button, uint8_t clicks, int x, int y, bool ctrl = false,
                          bool shift = false, int notches = 0) {
  platform::PointerEvent e;
  e.kind = kind;
  e.button = button;
  e.clicks = clicks;
  e.x = x;
  e.y = y;
  e.ctrl = ctrl;
  e.shift = shift;
  e.wheel_notches = notches;
  return e;
}

struct Expected {
  uint32_t message;
  bool left, middle, right, ctrl, shift;
  int x, y, wheel;
};

void check_timeline(const std::vector<platform::PointerEvent>& events, const std::vector<Expected>& expected) {
  Canvas::GraphWnd window;
  for (const auto& e : events) window.handle_pointer(e);
  ASSERT_EQ(window.mouse_queue().count(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const MOUSEMSG got = window.next_mouse_msg();
    const Expected& want = expected[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(got.message, want.message);
    EXPECT_EQ(got.left_button, want.left);
    EXPECT_EQ(got.middle_button, want.middle);
    EXPECT_EQ(got.right_button, want.right);
    EXPECT_EQ(got.ctrl, want.ctrl);
    EXPECT_EQ(got.shift, want.shift);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.wheel_delta, want.wheel);
  }
}

TEST(WindowInput, DoubleClickIsDownUpDoubleClickUp) {
  check_timeline({ev(Kind::press, 1, 1, 5, 6), ev(Kind::release, 1, 1, 5, 6), ev(Kind::press, 1, 2, 5, 6),
                  ev(Kind::release, 1, 2, 5, 6), ev(Kind::press, 1, 3, 5, 6), ev(Kind::release, 1, 3, 5, 6)},
                 {{WM_LBUTTONDOWN, true, false, false, false, false, 5, 6, 0},
                  {WM_LBUTTONUP, false, false, false, false, false, 5, 6, 0},
                  {WM_LBUTTONDBLCLK, true, false, false, false, false, 5, 6, 0},
                  {WM_LBUTTONUP, false, false, false, false, false, 5, 6, 0},
                  // A third press in a row starts a new click.
                  {WM_LBUTTONDOWN, true, false, false, false, false, 5, 6, 0},
                  {WM_LBUTTONUP, false, false, false, false, false, 5, 6, 0}});
}

TEST(WindowInput, EachButtonHasItsOwnMessagesAndStateBit) {
  check_timeline({ev(Kind::press, 3, 1, 1, 2), ev(Kind::press, 2, 1, 1, 2), ev(Kind::move, 0, 0, 3, 4),
                  ev(Kind::release, 3, 1, 3, 4), ev(Kind::press, 3, 2, 3, 4), ev(Kind::release, 2, 1, 3, 4),
                  ev(Kind::press, 2, 2, 3, 4), ev(Kind::release, 3, 2, 3, 4), ev(Kind::release, 2, 2, 3, 4)},
                 {{WM_RBUTTONDOWN, false, false, true, false, false, 1, 2, 0},
                  {WM_MBUTTONDOWN, false, true, true, false, false, 1, 2, 0},
                  {WM_MOUSEMOVE, false, true, true, false, false, 3, 4, 0},
                  {WM_RBUTTONUP, false, true, false, false, false, 3, 4, 0},
                  {WM_RBUTTONDBLCLK, false, true, true, false, false, 3, 4, 0},
                  {WM_MBUTTONUP, false, false, true, false, false, 3, 4, 0},
                  {WM_MBUTTONDBLCLK, false, true, true, false, false, 3, 4, 0},
                  {WM_RBUTTONUP, false, true, false, false, false, 3, 4, 0},
                  {WM_MBUTTONUP, false, false, false, false, false, 3, 4, 0}});
}

TEST(WindowInput, CtrlDragKeepsKeysAndButtonOnEveryMessage) {
  check_timeline({ev(Kind::press, 1, 1, 10, 10, true), ev(Kind::move, 0, 0, 20, 15, true),
                  ev(Kind::move, 0, 0, 30, 18, true, true), ev(Kind::release, 1, 1, 30, 18, true),
                  ev(Kind::move, 0, 0, 31, 18)},
                 {{WM_LBUTTONDOWN, true, false, false, true, false, 10, 10, 0},
                  {WM_MOUSEMOVE, true, false, false, true, false, 20, 15, 0},
                  {WM_MOUSEMOVE, true, false, false, true, true, 30, 18, 0},
                  {WM_LBUTTONUP, false, false, false, true, false, 30, 18, 0},
                  {WM_MOUSEMOVE, false, false, false, false, false, 31, 18, 0}});
}

TEST(WindowInput, WheelIsOneHundredTwentyPerNotchAtThePointer) {
  check_timeline({ev(Kind::wheel, 0, 0, 40, 50, false, false, 1), ev(Kind::wheel, 0, 0, 41, 50, false, false, -1),
                  ev(Kind::wheel, 0, 0, 42, 50, true, false, 3), ev(Kind::wheel, 0, 0, 0, 0, false, false, 1000)},
                 {{WM_MOUSEWHEEL, false, false, false, false, false, 40, 50, 120},
                  {WM_MOUSEWHEEL, false, false, false, false, false, 41, 50, -120},
                  {WM_MOUSEWHEEL, false, false, false, true, false, 42, 50, 360},
                  // A huge turn saturates instead of wrapping around.
                  {WM_MOUSEWHEEL, false, false, false, false, false, 0, 0, 32767}});
}

TEST(WindowInput, PositionsBeyondSixteenBitsSaturate) {
  check_timeline({ev(Kind::move, 0, 0, 70000, -70000), ev(Kind::move, 0, 0, -5, -7)},
                 {{WM_MOUSEMOVE, false, false, false, false, false, 32767, -32768, 0},
                  {WM_MOUSEMOVE, false, false, false, false, false, -5, -7, 0}});
}

TEST(WindowInput, SixtyFourthMessageIsDroppedUntilOneIsRead) {
  Canvas::GraphWnd window;
  for (int i = 0; i < 64; ++i) window.handle_pointer(ev(Kind::move, 0, 0, i, 0));
  EXPECT_EQ(window.mouse_queue().count(), 63u);
  EXPECT_EQ(window.next_mouse_msg().x, 0);
  window.handle_pointer(ev(Kind::move, 0, 0, 100, 0));
  for (int i = 1; i < 63; ++i) ASSERT_EQ(window.next_mouse_msg().x, i);
  EXPECT_EQ(window.next_mouse_msg().x, 100);
  // With no window open and nothing queued, no message could ever come.
  EXPECT_EQ(window.next_mouse_msg().message, 0u);
}

TEST(WindowInput, ClearingTheQueueEmptiesIt) {
  Canvas::GraphWnd window;
  for (int i = 0; i < 5; ++i) window.handle_pointer(ev(Kind::move, 0, 0, i, 0));
  window.clear_mouse_queue();
  EXPECT_TRUE(window.mouse_queue().is_empty());
  window.clear_mouse_queue();
  EXPECT_TRUE(window.mouse_queue().is_empty());
}


// A key lands in the queue in order with the mouse messages around it, with its
// modifiers but never a button, even while one is held; the key wait gets it too.
TEST(WindowInput, KeysQueueInOrderWithoutButtons) {
  Canvas::GraphWnd window;
  window.handle_pointer(ev(Kind::press, 1, 1, 5, 6));
  platform::KeyEvent key;
  key.code = 'z';
  key.ctrl = true;
  key.shift = true;
  window.handle_key(key);
  window.handle_pointer(ev(Kind::release, 1, 1, 5, 6));
  ASSERT_EQ(window.mouse_queue().count(), 3u);
  EXPECT_EQ(window.next_mouse_msg().message, WM_LBUTTONDOWN);
  const MOUSEMSG got = window.next_mouse_msg();
  EXPECT_EQ(got.message, WM_KEYDOWN);
  EXPECT_EQ(got.key, uint32_t{'z'});
  EXPECT_TRUE(got.ctrl);
  EXPECT_TRUE(got.shift);
  EXPECT_FALSE(got.left_button || got.middle_button || got.right_button);
  EXPECT_EQ(window.next_mouse_msg().message, WM_LBUTTONUP);
}

}  // namespace
