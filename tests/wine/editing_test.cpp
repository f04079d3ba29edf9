// The Windows builds under Wine edit like the Linux build: the same click, delete and
// save give the same file, pixel for pixel; back and forward step through the
// deletes; the save message box comes and goes; the close box ends the program.
#include <utility>

#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

constexpr uint32_t BG = 0x285AA0;

// 200 x 100 with 14 squares of 10 x 10 (two by two blocks), each its own colour, and
// a gradient strip that a scaling or colour slip would show.
Picture squares() {
  Picture p(200, 100, BG);
  for (int i = 0; i < 14; ++i) {
    int x = 10 + 25 * (i % 7), y = 10 + 30 * (i / 7);
    p.fill(x, y, x + 9, y + 9, rgb(200 - 9 * i, 20 + 13 * i, 60 + (i % 3) * 60));
  }
  for (int x = 0; x < 200; ++x) p.fill(x, 80, x, 95, rgb(x, 255 - x, (x * 7) & 0xFF));
  return p;
}
std::pair<int, int> square_centre(int i) { return {10 + 25 * (i % 7) + 4, 10 + 30 * (i / 7) + 4}; }

// Selects square i with a click and deletes it, keeping the model in step.
void delete_square(Session& s, Model& m, int i) {
  auto [x, y] = square_centre(i);
  Picture before = s.settle();
  s.click(x, s.picture_top() + y);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "square " << i << " not selected";
  before = s.settle();
  s.click_row(7);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "square " << i << " not deleted";
  m.stroke = {{x, y}};
  m.apply();
  m.remove();
}

// Starts `program` on the squares, deletes square 3, saves and returns the saved file.
std::optional<Picture> click_delete_save(const Program& program, const char* what) {
  Session s(program);
  Model m{squares()};
  s.start(m.picture);
  if (::testing::Test::HasFatalFailure()) return std::nullopt;
  delete_square(s, m, 3);
  if (::testing::Test::HasFatalFailure()) return std::nullopt;
  EXPECT_TRUE(shows_picture(picture_area(s, s.settle()), m.picture)) << what;
  EXPECT_EQ(s.save_and_confirm(), save_caption()) << what;
  auto saved = read_bmp(s.work() / "pic_0.bmp");
  EXPECT_TRUE(saved.has_value()) << what << ": no pic_0.bmp saved";
  if (saved) {
    EXPECT_TRUE(shows_picture(*saved, m.picture)) << what << ": saved file";
  }
  return saved;
}

TEST(WineEditing, ClickDeleteAndSaveGiveTheLinuxBuildsFileOnBothArchitectures) {
  const auto on_linux = click_delete_save(linux_build(), "Linux build");
  ASSERT_TRUE(on_linux.has_value());
  const auto on_x86_64 = click_delete_save(windows_build("x86_64"), "x86_64 under wine64");
  ASSERT_TRUE(on_x86_64.has_value());
  DiffReport d = diff_pictures(*on_linux, *on_x86_64);
  EXPECT_TRUE(d.same()) << "x86_64 against Linux: " << d.describe();
  const auto on_i686 = click_delete_save(windows_build("i686"), "i686 under wine32");
  ASSERT_TRUE(on_i686.has_value());
  d = diff_pictures(*on_x86_64, *on_i686);
  EXPECT_TRUE(d.same()) << "i686 against x86_64: " << d.describe();
}

// Colours of the back and forward frames with the pointer away from them.
std::pair<uint32_t, uint32_t> frames(Session& s) {
  s.park();
  Picture now = s.settle();
  Rect back = s.row_rect(9), forward = s.row_rect(10);
  return {now.at(back.x, back.y + 15), now.at(forward.x, forward.y + 15)};
}

void step(Session& s, int row) {
  Picture before = s.settle();
  s.click_row(row);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "row " << row << " changed nothing";
}

TEST(WineEditing, BackAndForwardStepThroughTheDeletes) {
  Session s(windows_build("x86_64"));
  Model m{squares()};
  ASSERT_NO_FATAL_FAILURE(s.start(m.picture));
  const Picture p0 = m.picture;
  EXPECT_EQ(frames(s), std::pair(BLACK, BLACK)) << "nothing to step to at start";
  ASSERT_NO_FATAL_FAILURE(delete_square(s, m, 0));
  const Picture p1 = m.picture;
  ASSERT_NO_FATAL_FAILURE(delete_square(s, m, 8));
  EXPECT_EQ(frames(s), std::pair(GREY, BLACK)) << "after two deletes";

  ASSERT_NO_FATAL_FAILURE(step(s, 9));
  EXPECT_TRUE(shows_picture(picture_area(s, s.settle()), p1)) << "one step back";
  ASSERT_NO_FATAL_FAILURE(step(s, 9));
  EXPECT_TRUE(shows_picture(picture_area(s, s.settle()), p0)) << "two steps back";
  EXPECT_EQ(frames(s), std::pair(BLACK, GREY)) << "two steps back";
  ASSERT_NO_FATAL_FAILURE(step(s, 10));
  EXPECT_TRUE(shows_picture(picture_area(s, s.settle()), p1)) << "forward again";
  EXPECT_EQ(frames(s), std::pair(GREY, BLACK)) << "forward again";
}

TEST(WineEditing, TheSaveMessageBoxIsShownAndDismissed) {
  Session s(windows_build("x86_64"));
  ASSERT_NO_FATAL_FAILURE(s.start(squares(), "pic.bmp", true));
  s.park();
  s.keep("panel.png", s.settle());
  Picture box;
  EXPECT_EQ(s.save_and_confirm(&box), save_caption());
  s.keep("save-box.png", box);
  ASSERT_GT(box.width, 0) << "no shot of the message box";
  int lit = 0;
  for (uint32_t v : box.pixels) lit += v != box.pixels[0];
  EXPECT_GT(lit, 100) << "the message box shows no text";
  EXPECT_TRUE(fs::exists(s.work() / "pic_0.bmp"));
  // Dismissed: the editing window takes input again.
  Picture before = s.settle();
  s.click_row(5);
  EXPECT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "no input after the box closed";
  EXPECT_TRUE(s.app().running());
}

TEST(WineEditing, TheCloseBoxEndsTheProgramWithStatus0) {
  Session s(windows_build("x86_64"));
  ASSERT_NO_FATAL_FAILURE(s.start(squares()));
  s.x().send_close_request(s.window());
  auto status = s.app().wait_exit(20);
  ASSERT_TRUE(status.has_value()) << "the program kept running after its window was closed";
  EXPECT_EQ(*status, 0) << "program output:\n" << s.app().log();
}

}  // namespace
}  // namespace e2e
