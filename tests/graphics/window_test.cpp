// The graphics window on a real (virtual) display: its size, what it shows, and the
// mouse messages that real pointer input turns into.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/fatal_message.h"
#include "app/texts.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"
#include "graphics/message_box.h"
#include "graphics/window_device.h"
#include "platform/window.h"
#include "window_display.h"

namespace {

using namespace std::chrono_literals;

// The same program started again as a child plays one part, chosen by this variable:
// "close" serves a window until it ends the process; "message" shows a refusal and
// then exits with status 7; "open" exits with 0 when a window opened, else 1.
[[maybe_unused]] const bool child_ran = [] {
  const char* part = std::getenv("TESSARY_WINDOW_CHILD");
  if (part == nullptr) return false;
  if (std::strcmp(part, "close") == 0) {
    gfx_open_window(240, 100, 0);
    for (;;) gfx_next_mouse_msg();
  }
  if (std::strcmp(part, "message") == 0) {
    show_fatal_message(texts::msg_unreadable_picture);
    std::exit(7);
  }
  if (std::strcmp(part, "open") == 0) std::exit(gfx_open_window(240, 100, 0) ? 0 : 1);
  std::exit(99);
}();

enum class ChildInput { null_device, pipe_with_byte, empty_pipe };

// A child process; one the test did not wait for is killed when it goes out of
// scope, so a failed check never leaves it behind holding the test's output open.
struct Child {
  pid_t pid = 0;
  int input = -1;  // write end of the child's standard input, when a pipe
  bool reaped = false;

  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (pid > 0 && !reaped) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (input >= 0) close(input);
  }
};

struct ChildSetup {
  ChildInput input = ChildInput::null_device;
  std::vector<std::string> environment;  // NAME=value entries added to ours
  std::string error_file;                // where standard error goes, if not ours
};

void start_child(Child& child, const char* part, const ChildSetup& setup) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int ends[2] = {-1, -1};
  if (setup.input == ChildInput::null_device) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  } else {
    if (pipe(ends) != 0) return;
    posix_spawn_file_actions_adddup2(&actions, ends[0], 0);
    posix_spawn_file_actions_addclose(&actions, ends[1]);
  }
  if (!setup.error_file.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, setup.error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) env_text.emplace_back(*e);
  // A replaced name is dropped, so the child sees one value for it.
  for (const std::string& added : setup.environment) {
    const std::string name = added.substr(0, added.find('=') + 1);
    std::erase_if(env_text, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
    env_text.push_back(added);
  }
  env_text.push_back(std::string("TESSARY_WINDOW_CHILD=") + part);
  std::vector<char*> env;
  for (auto& text : env_text) env.push_back(text.data());
  env.push_back(nullptr);
  const std::string self = test_display::self_path();
  char* args[] = {const_cast<char*>(self.c_str()), nullptr};
  posix_spawn(&child.pid, self.c_str(), &actions, nullptr, args, env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (ends[0] >= 0) {
    close(ends[0]);
    child.input = ends[1];
    if (setup.input == ChildInput::pipe_with_byte) {
      const char byte = 'x';
      EXPECT_EQ(write(child.input, &byte, 1), 1);
    }
  }
}

void start_child(Child& child, const char* part, ChildInput input) {
  ChildSetup setup;
  setup.input = input;
  start_child(child, part, setup);
}

// Waits for the child to end; its exit status, or -1 when it is still running after
// `limit` (then it is killed).
int child_status(Child& child, std::chrono::milliseconds limit) {
  int status = 0;
  bool ended = test_display::wait_until([&] { return waitpid(child.pid, &status, WNOHANG) == child.pid; }, limit);
  if (!ended) {
    kill(child.pid, SIGKILL);
    waitpid(child.pid, &status, 0);
  }
  child.reaped = true;
  if (child.input >= 0) close(child.input);
  child.input = -1;
  if (!ended) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// CPU time the process has used, in clock ticks.
long cpu_ticks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t after_name = text.rfind(')');
  if (after_name == std::string::npos) return -1;
  std::vector<std::string> fields;
  size_t at = after_name + 2;
  while (at < text.size()) {
    const size_t end = text.find(' ', at);
    fields.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  // Fields after the name start at the state (field 3); utime and stime are 14 and 15.
  if (fields.size() < 13) return -1;
  return std::atol(fields[11].c_str()) + std::atol(fields[12].c_str());
}

// The visible top-level window titled `title` (UTF-8), found by the title the window
// system shows (xdotool reads only the legacy title, which has no CJK); 0 when none.
unsigned long find_titled(const std::string& title, std::chrono::milliseconds limit) {
  unsigned long id = 0;
  test_display::wait_until(
      [&] {
        std::istringstream tree(test_display::run("xwininfo -root -children"));
        for (std::string line; std::getline(tree, line);) {
          if (line.find("\"" + title + "\"") == std::string::npos) continue;
          id = std::strtoul(line.c_str() + line.find("0x"), nullptr, 16);
          return id != 0;
        }
        return false;
      },
      limit);
  return id;
}

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

TEST_F(WindowTest, CtrlDragCarriesCtrlAndButtonOnEveryMessage) {
  const unsigned long id = open(300, 200);
  const std::string window = std::to_string(id);
  xdotool("windowfocus --sync " + window);
  xdotool("mousemove --sync --window " + window + " 30 40");
  gfx_clear_mouse_queue();
  xdotool("keydown ctrl mousedown 1 mousemove --sync --window " + window + " 60 70 mouseup 1 keyup ctrl");
  std::vector<MOUSEMSG> got = read_until(WM_LBUTTONUP, true);
  // The move to the start may reach the queue only after it was cleared.
  while (!got.empty() && got.front().message == WM_MOUSEMOVE && !got.front().ctrl) got.erase(got.begin());
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(got.front().message, WM_LBUTTONDOWN);
  EXPECT_EQ(got.front().x, 30);
  EXPECT_EQ(got.front().y, 40);
  EXPECT_EQ(got.back().message, WM_LBUTTONUP);
  EXPECT_FALSE(got.back().left_button);
  EXPECT_EQ(got.back().x, 60);
  EXPECT_EQ(got.back().y, 70);
  bool moved = false;
  for (const MOUSEMSG& msg : got) {
    EXPECT_TRUE(msg.ctrl) << std::hex << msg.message;
    EXPECT_FALSE(msg.shift);
    if (msg.message == WM_MOUSEMOVE) {
      moved = true;
      EXPECT_TRUE(msg.left_button);
    }
  }
  EXPECT_TRUE(moved);
}

TEST_F(WindowTest, DoubleClickIsDownUpDoubleClickUp) {
  const unsigned long id = open(300, 200);
  xdotool("mousemove --sync --window " + std::to_string(id) + " 100 50");
  gfx_clear_mouse_queue();
  xdotool("click --repeat 2 --delay 80 1");
  std::vector<MOUSEMSG> got = read_until(WM_LBUTTONDBLCLK);
  const std::vector<MOUSEMSG> last = read_until(WM_LBUTTONUP);
  got.insert(got.end(), last.begin(), last.end());
  ASSERT_EQ(got.size(), 4u);
  const uint32_t expected[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(got[i].message, expected[i]) << i;
    EXPECT_EQ(got[i].left_button, i % 2 == 0) << i;
    EXPECT_EQ(got[i].x, 100);
    EXPECT_EQ(got[i].y, 50);
  }
}

TEST_F(WindowTest, WheelNotchesAreOneHundredTwentyAtThePointer) {
  const unsigned long id = open(300, 200);
  xdotool("mousemove --sync --window " + std::to_string(id) + " 123 77");
  gfx_clear_mouse_queue();
  xdotool("click 4");
  std::vector<MOUSEMSG> got = read_until(WM_MOUSEWHEEL);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].wheel_delta, 120);
  EXPECT_EQ(got[0].x, 123);
  EXPECT_EQ(got[0].y, 77);
  xdotool("click 5");
  got = read_until(WM_MOUSEWHEEL);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].wheel_delta, -120);
}

TEST_F(WindowTest, RightClickHasItsOwnMessages) {
  const unsigned long id = open(300, 200);
  xdotool("mousemove --sync --window " + std::to_string(id) + " 7 8");
  gfx_clear_mouse_queue();
  xdotool("click 3");
  const std::vector<MOUSEMSG> got = read_until(WM_RBUTTONUP);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, WM_RBUTTONDOWN);
  EXPECT_TRUE(got[0].right_button);
  EXPECT_FALSE(got[0].left_button);
  EXPECT_EQ(got[1].message, WM_RBUTTONUP);
  EXPECT_FALSE(got[1].right_button);
}

TEST_F(WindowTest, QueueDropsTheSixtyFourthMoveAndTakesMoreAfterARead) {
  const unsigned long id = open(300, 200);
  const std::string window = std::to_string(id);
  xdotool("mousemove --sync --window " + window + " 0 0");
  test_display::wait_until([] { return false; }, 200ms);
  gfx_clear_mouse_queue();
  std::string moves;
  for (int x = 1; x <= 70; ++x) moves += " mousemove --sync --window " + window + " " + std::to_string(x) + " 5";
  xdotool(moves);
  Canvas::GraphWnd& wnd = Canvas::graph_window();
  test_display::wait_until([&] { return wnd.mouse_queue().is_full(); }, 3s);
  test_display::wait_until([] { return false; }, 200ms);
  ASSERT_EQ(wnd.mouse_queue().count(), 63u);
  for (int x = 1; x <= 10; ++x) ASSERT_EQ(gfx_next_mouse_msg().x, x);
  xdotool("mousemove --sync --window " + window + " 200 6");
  test_display::wait_until([&] { return wnd.mouse_queue().count() == 54; }, 3s);
  for (int x = 11; x <= 63; ++x) ASSERT_EQ(gfx_next_mouse_msg().x, x);
  const MOUSEMSG after = gfx_next_mouse_msg();
  EXPECT_EQ(after.x, 200);
  EXPECT_EQ(after.y, 6);
}

TEST_F(WindowTest, ReaderWaitsForTheNextMessage) {
  const unsigned long id = open(300, 200);
  xdotool("mousemove --sync --window " + std::to_string(id) + " 10 10");
  test_display::wait_until([] { return false; }, 200ms);
  gfx_clear_mouse_queue();
  std::thread mover([&] {
    std::this_thread::sleep_for(300ms);
    xdotool("mousemove --window " + std::to_string(id) + " 44 55");
  });
  const auto start = std::chrono::steady_clock::now();
  const MOUSEMSG msg = gfx_next_mouse_msg();
  const auto waited = std::chrono::steady_clock::now() - start;
  mover.join();
  EXPECT_EQ(msg.message, WM_MOUSEMOVE);
  EXPECT_EQ(msg.x, 44);
  EXPECT_EQ(msg.y, 55);
  EXPECT_GE(waited, 250ms);
}

TEST_F(WindowTest, FlushShowsDirectPixelWritesAndOnlyThen) {
  const unsigned long id = open(120, 80);
  const test_display::Geometry g = test_display::window_geometry(id);
  uint32_t* pixels = gfx_pixels(nullptr);
  ASSERT_NE(pixels, nullptr);
  pixels[30 * 120 + 40] = 0x123456;
  gfx_solid_rect(100, 70, 101, 71);  // drawing elsewhere shows only its own place
  test_display::wait_until([] { return false; }, 300ms);
  test_display::Screenshot shot = test_display::take_screenshot();
  EXPECT_EQ(shot.at(g.x + 100, g.y + 70), 0xFFFFFFu);
  EXPECT_EQ(shot.at(g.x + 40, g.y + 30), 0u);
  gfx_flush();
  shot = test_display::take_screenshot();
  EXPECT_EQ(shot.at(g.x + 40, g.y + 30), 0x123456u);
}

TEST_F(WindowTest, FlushRectShowsItsRectangleAndWhatDrawingMarked) {
  const unsigned long id = open(120, 80);
  const test_display::Geometry g = test_display::window_geometry(id);
  uint32_t* pixels = gfx_pixels(nullptr);
  ASSERT_NE(pixels, nullptr);
  pixels[30 * 120 + 40] = 0x123456;
  pixels[10 * 120 + 10] = 0x654321;  // outside the rectangle and never marked
  gfx_flush_rect(35, 25, 45, 35);
  test_display::Screenshot shot = test_display::take_screenshot();
  EXPECT_EQ(shot.at(g.x + 40, g.y + 30), 0x123456u);
  EXPECT_EQ(shot.at(g.x + 10, g.y + 10), 0u);
  // An empty rectangle still shows what was marked changed, and waits for it.
  pixels[60 * 120 + 90] = 0x0000FF;
  gfx_mark_changed(90, 60, 90, 60);
  gfx_flush_rect(0, 0, -1, -1);
  shot = test_display::take_screenshot();
  EXPECT_EQ(shot.at(g.x + 90, g.y + 60), 0x0000FFu);
}

TEST_F(WindowTest, MarkedChangeShowsWithoutAFlush) {
  const unsigned long id = open(120, 80);
  const test_display::Geometry g = test_display::window_geometry(id);
  gfx_pixels(nullptr)[20 * 120 + 70] = 0x00FF00;
  gfx_mark_changed(70, 20, 70, 20);
  const bool shown = test_display::wait_until(
      [&] { return test_display::take_screenshot().at(g.x + 70, g.y + 20) == 0x00FF00u; }, 2000ms);
  EXPECT_TRUE(shown);
}

TEST_F(WindowTest, BatchedDrawingWaitsForTheEndOfTheBatch) {
  const unsigned long id = open(120, 80);
  const test_display::Geometry g = test_display::window_geometry(id);
  Canvas::DrawOnWnd& device = Canvas::window_device();
  device.begin_batch();
  gfx_solid_rect(10, 10, 19, 19);
  gfx_solid_rect(50, 50, 59, 59);
  test_display::wait_until([] { return false; }, 300ms);
  test_display::Screenshot shot = test_display::take_screenshot();
  EXPECT_EQ(shot.at(g.x + 10, g.y + 10), 0u);
  device.end_batch_rect(10, 10, 19, 19);
  shot = test_display::take_screenshot();
  EXPECT_EQ(shot.at(g.x + 10, g.y + 10), 0xFFFFFFu);
  EXPECT_EQ(shot.at(g.x + 19, g.y + 19), 0xFFFFFFu);
  EXPECT_EQ(shot.at(g.x + 50, g.y + 50), 0u);
  device.begin_batch();
  device.end_batch();
  shot = test_display::take_screenshot();
  EXPECT_EQ(shot.at(g.x + 59, g.y + 59), 0xFFFFFFu);
}

TEST_F(WindowTest, TitleIsTheProgramNameAndCaptionsChangeIt) {
  open(200, 30);
  EXPECT_EQ(platform::executable_title(), "graphics_window_test");
  gfx_set_window_caption(texts::caption_initialising);
  const unsigned long id = test_display::find_window("Vorlane .*");
  ASSERT_NE(id, 0u);
  const std::string name = test_display::run("xprop -id " + std::to_string(id) + " _NET_WM_NAME");
  EXPECT_NE(name.find("\"Vorlane      初始化中...\""), std::string::npos) << name;
}

// The close box ends the process with status 0, from a plain window and from a
// refusal's message window alike.
TEST_F(WindowTest, CloseBoxEndsTheProcessWithStatusZero) {
  const struct {
    const char* part;
    ChildInput input;
  } cases[] = {{"close", ChildInput::null_device}, {"message", ChildInput::empty_pipe}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.part);
    Child child;
    start_child(child, c.part, c.input);
    const unsigned long id = test_display::find_window(platform::executable_title());
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(test_display::send_close_request(id));
    EXPECT_EQ(child_status(child, 10s), 0);
  }
}

TEST_F(WindowTest, KeyInTheMessageWindowEndsTheWait) {
  Child child;
  start_child(child, "message", ChildInput::null_device);
  const unsigned long id = test_display::find_window(platform::executable_title());
  ASSERT_NE(id, 0u);
  // End of input on standard input neither ends the wait nor makes it spin.
  const long before = cpu_ticks(child.pid);
  std::this_thread::sleep_for(1s);
  const long after = cpu_ticks(child.pid);
  EXPECT_LT(after - before, 20);
  int status = 0;
  EXPECT_EQ(waitpid(child.pid, &status, WNOHANG), 0) << "the wait ended without a key";
  xdotool("windowfocus --sync " + std::to_string(id) + " key space");
  EXPECT_EQ(child_status(child, 10s), 7);
}

TEST_F(WindowTest, ByteOnStandardInputEndsTheWait) {
  Child child;
  start_child(child, "message", ChildInput::pipe_with_byte);
  EXPECT_EQ(child_status(child, 20s), 7);
}

// A display that cannot be reached: SDL would fall back to a driver that draws
// nowhere, leaving a window nobody can see, dismiss or close.
TEST_F(WindowTest, WithoutAReachableDisplayNoWindowOpens) {
  Child child;
  start_child(child, "open", {ChildInput::null_device, {"DISPLAY=:9999"}, "/dev/null"});
  EXPECT_EQ(child_status(child, 30s), 1);
}

TEST_F(WindowTest, WithoutAReachableDisplayARefusalPrintsItsTextAndEnds) {
  const std::string errors = std::string(TESSARY_BINARY_DIR) + "/message_without_display.txt";
  Child child;
  start_child(child, "message", {ChildInput::empty_pipe, {"DISPLAY=:9999"}, errors});
  EXPECT_EQ(child_status(child, 30s), 7);
  std::ifstream in(errors);
  const std::string printed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(printed.find("无法读入图像文件或其为空\n"), std::string::npos) << printed;
}

TEST_F(WindowTest, MessageWindowShowsItsLineOfText) {
  Child child;
  start_child(child, "message", ChildInput::empty_pipe);
  const unsigned long id = test_display::find_window(platform::executable_title());
  ASSERT_NE(id, 0u);
  const test_display::Geometry g = test_display::window_geometry(id);
  EXPECT_EQ(g.width, 200);
  EXPECT_EQ(g.height, 30);
  // Lit pixels inside the window, and where they lie.
  int lit = 0, left = 200, right = -1, top = 30, bottom = -1;
  test_display::wait_until(
      [&] {
        const test_display::Screenshot shot =
            test_display::take_screenshot(std::string(TESSARY_BINARY_DIR) + "/message_window.png");
        lit = 0;
        for (int y = 0; y < 30; ++y) {
          for (int x = 0; x < 200; ++x) {
            if (shot.at(g.x + x, g.y + y) == 0) continue;
            ++lit;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
          }
        }
        return lit > 100;
      },
      10s);
  EXPECT_GT(lit, 100);
  // The text starts at (28, 9), is one line of twelve-pixel characters and fits.
  EXPECT_GE(left, 28);
  EXPECT_LT(left, 34);
  EXPECT_GE(top, 9);
  EXPECT_LE(bottom, 9 + 14);
  EXPECT_GT(right, 28 + 8 * 12);
  const char byte = 'k';
  EXPECT_EQ(write(child.input, &byte, 1), 1);
  EXPECT_EQ(child_status(child, 10s), 7);
}

// The box is a window of the program's own, on the window thread beside the editing
// window; each way of dismissing it ends the wait, and only that does.
TEST_F(WindowTest, MessageBoxReturnsOnlyWhenDismissedEachWay) {
  const unsigned long editing = open(300, 200);
  const MessageBoxLayout layout = lay_out_message_box(texts::msg_unreadable_picture);
  const struct {
    const char* way;
    std::function<void(unsigned long box, const test_display::Geometry& g)> dismiss;
  } ways[] = {
      {"Return", [&](unsigned long box, auto&) { xdotool("windowfocus --sync " + std::to_string(box) + " key Return"); }},
      {"Space", [&](unsigned long box, auto&) { xdotool("windowfocus --sync " + std::to_string(box) + " key space"); }},
      {"Escape", [&](unsigned long box, auto&) { xdotool("windowfocus --sync " + std::to_string(box) + " key Escape"); }},
      {"OK button",
       [&](unsigned long, const test_display::Geometry& g) {
         const int x = g.x + (layout.button.left + layout.button.right) / 2;
         const int y = g.y + (layout.button.top + layout.button.bottom) / 2;
         xdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
       }},
      {"close box", [&](unsigned long box, auto&) { EXPECT_TRUE(test_display::send_close_request(box)); }},
  };
  int spot = 2;
  for (const auto& way : ways) {
    SCOPED_TRACE(way.way);
    // A new spot each time: xdotool waits long for a pointer that is already there.
    ++spot;
    std::atomic<bool> returned{false};
    std::thread caller([&] {
      gfx_message_box(texts::msg_unreadable_picture, texts::caption_save);
      returned.store(true);
    });
    const unsigned long box = find_titled("保存图片", 10s);
    if (box == 0) {
      caller.detach();
      FAIL() << "no message box titled with the save caption appeared";
    }
    const test_display::Geometry g = test_display::window_geometry(box);
    EXPECT_EQ(g.width, layout.width);
    EXPECT_EQ(g.height, layout.height);
    // A click beside the button and a key that is none of the three leave it open.
    xdotool("mousemove --sync " + std::to_string(g.x + spot) + " " + std::to_string(g.y + spot) + " click 1");
    xdotool("windowfocus --sync " + std::to_string(box) + " key a");
    test_display::wait_until([] { return false; }, 300ms);
    EXPECT_FALSE(returned.load());
    way.dismiss(box, g);
    EXPECT_TRUE(test_display::wait_until([&] { return returned.load(); }, 10s));
    if (!returned.load()) test_display::send_close_request(box);
    caller.join();
    EXPECT_EQ(find_titled("保存图片", 0ms), 0u) << "the box stayed on screen";
  }
  // The editing window went on being served throughout.
  gfx_set_fill_color(0x00FF00);
  gfx_solid_rect(0, 0, 9, 9);
  gfx_flush();
  const test_display::Geometry g = test_display::window_geometry(editing);
  EXPECT_EQ(test_display::take_screenshot().at(g.x + 5, g.y + 5), 0x00FF00u);
}

}  // namespace
