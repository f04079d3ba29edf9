// The editing window's keys: Delete, Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z and Ctrl+S do what
// their panel rows do, and Delete does nothing while no outline is shown.
#include <string>

#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

constexpr uint32_t BG = 0x2A5A9C;

// Three squares of their own colours on one background, three blocks each way.
Picture three_squares() {
  Picture p(160, 90, BG);
  p.fill(10, 10, 24, 24, rgb(220, 40, 30));
  p.fill(60, 40, 74, 54, rgb(30, 200, 60));
  p.fill(120, 60, 134, 74, rgb(240, 220, 20));
  return p;
}

struct Shortcuts : ::testing::Test {
  Session s;
  Model m{three_squares()};

  void SetUp() override { ASSERT_NO_FATAL_FAILURE(s.start(m.picture)); }
  Picture area() { return picture_area(s, s.settle()); }

  // Keys go to the window with the focus, with the pointer resting on the panel.
  void type(const std::string& keys) {
    s.park();
    s.x().xdotool("windowfocus --sync " + std::to_string(s.window()));
    s.x().xdotool("key " + keys);
  }
  void select(int x, int y) {
    Picture before = s.settle();
    s.click(x, s.picture_top() + y);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "nothing selected at " << x << "," << y;
    m.stroke = {{x, y}};
    m.apply();
  }
  // Types `keys` and waits for the picture to change (or, with `changes` false, to
  // have had the time to).
  void key_step(const std::string& keys, bool changes) {
    Picture before = s.settle();
    type(keys);
    if (changes)
      ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << keys << " changed nothing";
    else
      s.quiet(0.8);
  }
};

TEST_F(Shortcuts, DeleteBackForwardAndSave) {
  const Picture p0 = m.picture;
  ASSERT_NO_FATAL_FAILURE(select(17, 17));
  ASSERT_NO_FATAL_FAILURE(key_step("Delete", true));
  m.remove();
  const Picture p1 = m.picture;
  EXPECT_TRUE(shows_picture(area(), p1)) << "Delete did not delete the selection";

  // The outline went with the delete: a second Delete has nothing to act on, and
  // takes no snapshot either (one step back is still the state before the delete).
  ASSERT_NO_FATAL_FAILURE(key_step("Delete", false));
  EXPECT_TRUE(shows_picture(area(), p1)) << "Delete without an outline changed the picture";

  ASSERT_NO_FATAL_FAILURE(select(67, 47));
  ASSERT_NO_FATAL_FAILURE(key_step("Delete", true));
  m.remove();
  const Picture p2 = m.picture;
  EXPECT_TRUE(shows_picture(area(), p2));

  ASSERT_NO_FATAL_FAILURE(key_step("ctrl+z", true));
  EXPECT_TRUE(shows_picture(area(), p1)) << "Ctrl+Z";
  ASSERT_NO_FATAL_FAILURE(key_step("ctrl+z", true));
  EXPECT_TRUE(shows_picture(area(), p0)) << "second Ctrl+Z";
  ASSERT_NO_FATAL_FAILURE(key_step("ctrl+z", false));
  EXPECT_TRUE(shows_picture(area(), p0)) << "Ctrl+Z at the oldest state";
  ASSERT_NO_FATAL_FAILURE(key_step("ctrl+y", true));
  EXPECT_TRUE(shows_picture(area(), p1)) << "Ctrl+Y redoes the first delete";
  // The state after the last delete was never saved, so forward ends here.
  ASSERT_NO_FATAL_FAILURE(key_step("ctrl+y", false));
  EXPECT_TRUE(shows_picture(area(), p1)) << "Ctrl+Y at the newest state";
  ASSERT_NO_FATAL_FAILURE(key_step("ctrl+z", true));
  ASSERT_NO_FATAL_FAILURE(key_step("ctrl+shift+z", true));
  EXPECT_TRUE(shows_picture(area(), p1)) << "Ctrl+Shift+Z";

  type("ctrl+s");
  EXPECT_EQ(s.confirm_save_box(), save_caption());
  auto saved = read_bmp(s.work() / "pic_0.bmp");
  ASSERT_TRUE(saved.has_value()) << "Ctrl+S saved no pic_0.bmp";
  DiffReport d = diff_pictures(p1, *saved, s.root() / "ctrl-s-diff.png");
  EXPECT_TRUE(d.same()) << d.describe();
  EXPECT_TRUE(fs::is_regular_file(s.work() / "pic_0.png"));
}

}  // namespace
}  // namespace e2e
