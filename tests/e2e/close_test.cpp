// Nothing of the program outlives its window: closing it right after the save's
// message box, or while the box is still open.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "e2e_support.h"

namespace e2e {
namespace {

Picture small_picture() {
  Picture p(64, 48, rgb(40, 120, 200));
  p.fill(8, 8, 30, 20, rgb(240, 220, 10));
  return p;
}

unsigned long wait_for_save_box(Session& s) {
  unsigned long box = 0;
  for (int i = 0; i < 400 && box == 0; ++i) {
    box = s.x().find_window_by_title(save_caption());
    if (box == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return box;
}

TEST(Close, RightAfterTheSaveBoxIsDismissedEndsTheProgramFiftyTimesInARow) {
  Session s;
  for (int run = 0; run < 50; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    ASSERT_NO_FATAL_FAILURE(s.start(small_picture()));
    ASSERT_EQ(s.save_and_confirm(), save_caption());
    s.x().send_close_request(s.window());
    const auto status = s.app().wait_exit(10);
    ASSERT_TRUE(status.has_value()) << "the close request was ignored";
    EXPECT_EQ(*status, 0);
  }
}

// The program runs beside a stand-in process, so whatever it left behind would stay
// in that namespace, and be counted by the next start there.
TEST(Close, WhileTheSaveBoxIsOpenLeavesNothingBehind) {
  Session s;
  Process holder(s.x(), "/bin/sleep", {"600"}, s.work(), s.root());
  ASSERT_TRUE(holder.running());
  s.run_beside(holder);
  ASSERT_NO_FATAL_FAILURE(s.start(small_picture()));
  s.click_row(11);
  const unsigned long box = wait_for_save_box(s);
  ASSERT_NE(box, 0u) << "no message box appeared after saving";

  s.x().send_close_request(s.window());
  const auto status = s.app().wait_exit(10);
  ASSERT_TRUE(status.has_value()) << "the program kept running after its window was closed";
  EXPECT_EQ(*status, 0) << s.app().log();
  EXPECT_FALSE(s.x().window_viewable(box)) << "the message box outlived the program";
  const std::vector<std::string> left = holder.left_in_namespace();
  ASSERT_EQ(left.size(), 1u) << "besides the stand-in, left: " << testing::PrintToString(left);
  EXPECT_NE(left[0].find("sleep"), std::string::npos) << left[0];

  // The next start in the same place is not refused as a second instance.
  ASSERT_NO_FATAL_FAILURE(s.start(small_picture()));
  EXPECT_TRUE(s.app().running());
}

}  // namespace
}  // namespace e2e
