// The graphics window on a real (virtual) display: its size, what it shows, and the
// mouse messages that real pointer input turns into.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"
#include "graphics/window_device.h"
#include "platform/window.h"
#include "window_display.h"

namespace {

using namespace std::chrono_literals;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test_display::start()) << "Xvfb did not start";
  }
  void TearDown() override { gfx_close_window(); }

  // Opens the window, waits until it is mapped and returns its X id.
  unsigned long open(int width, int height) {
    EXPECT_TRUE(gfx_open_window(width, height, 0));
    const unsigned long id = test_display::find_window(platform::executable_title());
    EXPECT_NE(id, 0u);
    return id;
  }

  void xdotool(const std::string& args) { test_display::run("xdotool " + args + " >/dev/null 2>&1"); }

  // Reads messages until one with `message` arrives (or none is left for a while).
  // Moves are skipped unless asked for.
  std::vector<MOUSEMSG> read_until(uint32_t message, bool keep_moves = false) {
    std::vector<MOUSEMSG> got;
    Canvas::GraphWnd& window = Canvas::graph_window();
    for (;;) {
      if (!test_display::wait_until([&] { return !window.mouse_queue().is_empty(); }, 3s)) return got;
      const MOUSEMSG msg = gfx_next_mouse_msg();
      if (msg.message != WM_MOUSEMOVE || keep_moves) got.push_back(msg);
      if (msg.message == message) return got;
    }
  }
};

TEST_F(WindowTest, ClientAreaIsExactlyTheRequestedSize) {
  const struct {
    int width;
    int height;
  } sizes[] = {{200, 30}, {1224, 768}};
  for (const auto& size : sizes) {
    const unsigned long id = open(size.width, size.height);
    const test_display::Geometry g = test_display::window_geometry(id);
    EXPECT_EQ(g.width, size.width);
    EXPECT_EQ(g.height, size.height);
    EXPECT_EQ(graph_context().window->image_width(), size.width);
    EXPECT_EQ(graph_context().window->image_height(), size.height);
  }
}

TEST_F(WindowTest, ClickGivesDownAndUpWithButtonState) {
  const unsigned long id = open(300, 200);
  xdotool("mousemove --sync --window " + std::to_string(id) + " 50 20");
  gfx_clear_mouse_queue();
  xdotool("click 1");
  const std::vector<MOUSEMSG> got = read_until(WM_LBUTTONUP);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, WM_LBUTTONDOWN);
  EXPECT_TRUE(got[0].left_button);
  EXPECT_EQ(got[0].x, 50);
  EXPECT_EQ(got[0].y, 20);
  EXPECT_EQ(got[1].message, WM_LBUTTONUP);
  EXPECT_FALSE(got[1].left_button);
  EXPECT_EQ(got[1].x, 50);
  EXPECT_EQ(got[1].y, 20);
}

TEST_F(WindowTest, SolidRectShowsAtItsPlace) {
  const unsigned long id = open(300, 200);
  gfx_set_fill_color(0x0000FF);  // red as COLORREF
  gfx_solid_rect(10, 20, 59, 39);
  gfx_flush();
  const test_display::Geometry g = test_display::window_geometry(id);
  const test_display::Screenshot shot = test_display::take_screenshot();
  ASSERT_GT(shot.width, 0);
  EXPECT_EQ(shot.at(g.x + 10, g.y + 20), 0xFF0000u);
  EXPECT_EQ(shot.at(g.x + 59, g.y + 39), 0xFF0000u);
  EXPECT_EQ(shot.at(g.x + 9, g.y + 20), 0u);
  EXPECT_EQ(shot.at(g.x + 60, g.y + 39), 0u);
  EXPECT_EQ(shot.at(g.x + 10, g.y + 40), 0u);
}

}  // namespace
