// The Windows builds under Wine edit like the Linux build: the same click, delete and
// save give the same file, pixel for pixel; back and forward step through the
// deletes; the save message box comes and goes; the close box ends the program.
#include <png.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

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

// An 8-bit RGBA PNG as four bytes per pixel; empty (and a failed test) otherwise.
std::vector<uint8_t> read_rgba_png(const fs::path& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  std::vector<uint8_t> bytes;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    ADD_FAILURE() << path << ": " << png.message;
    return bytes;
  }
  EXPECT_EQ(png.format, static_cast<uint32_t>(PNG_FORMAT_RGBA)) << path << " is not 8-bit RGBA";
  png.format = PNG_FORMAT_RGBA;
  bytes.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) {
    ADD_FAILURE() << path << ": " << png.message;
    bytes.clear();
  }
  return bytes;
}

struct Saved {
  Picture bmp;
  std::vector<uint8_t> png;
};

// Starts `program` on the squares, deletes square 3, saves and returns the saved
// BMP and the cut-out PNG beside it.
std::optional<Saved> click_delete_save(const Program& program, const char* what) {
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
  if (!saved) return std::nullopt;
  EXPECT_TRUE(shows_picture(*saved, m.picture)) << what << ": saved file";
  Saved both{*saved, read_rgba_png(s.work() / "pic_0.png")};
  EXPECT_EQ(both.png.size(), saved->pixels.size() * 4) << what << ": pic_0.png";
  if (both.png.size() != saved->pixels.size() * 4) return both;
  // Transparent exactly where deleted, the BMP's own colours elsewhere.
  int64_t wrong_alpha = 0, wrong_colour = 0, deleted = 0;
  for (size_t i = 0; i < saved->pixels.size(); ++i) {
    const uint8_t* p = &both.png[i * 4];
    const bool gone = m.deleted_pixels[i] != 0;
    deleted += gone;
    wrong_alpha += p[3] != (gone ? 0 : 255);
    wrong_colour += !gone && rgb(p[0], p[1], p[2]) != saved->pixels[i];
  }
  EXPECT_GT(deleted, 50) << what;
  EXPECT_EQ(wrong_alpha, 0) << what << ": pixels whose alpha is not 0 exactly where deleted";
  EXPECT_EQ(wrong_colour, 0) << what << ": kept pixels whose colour differs from the BMP";
  return both;
}

// Click, delete and save on `arch` under Wine give the Linux build's BMP and PNG.
void gives_the_linux_builds_file(const std::string& arch) {
  const auto on_linux = click_delete_save(linux_build(), "Linux build");
  ASSERT_TRUE(on_linux.has_value());
  const std::string what = arch + " under Wine";
  const auto on_windows = click_delete_save(windows_build(arch), what.c_str());
  ASSERT_TRUE(on_windows.has_value());
  const DiffReport d = diff_pictures(on_linux->bmp, on_windows->bmp);
  EXPECT_TRUE(d.same()) << arch << " against Linux: " << d.describe();
  EXPECT_TRUE(on_windows->png == on_linux->png) << "the " << arch << " PNG's pixels differ from the Linux build's";
}

TEST(WineEditing, ClickDeleteAndSaveGiveTheLinuxBuildsFileOnX86_64) { gives_the_linux_builds_file("x86_64"); }

TEST(WineEditing, ClickDeleteAndSaveGiveTheLinuxBuildsFileOnI686) {
  if (const std::string reason = why_no_wine32(); !reason.empty()) GTEST_SKIP() << reason;
  gives_the_linux_builds_file("i686");
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

// A picture in a folder with a Chinese name, and a space in its own name, opens
// from the wide command line and is saved under its own base name.
TEST(WineEditing, APictureAtANonAsciiPathOpensAndSaves) {
  // Wine reads the command line's bytes in the locale's character set.
  setenv("LC_ALL", "C.UTF-8", 1);
  Session s(windows_build("x86_64"));
  fs::create_directories(s.work() / "图片");
  const Picture picture = squares();
  ASSERT_TRUE(write_bmp(s.work() / "图片" / "my cat.bmp", picture));
  ASSERT_NO_FATAL_FAILURE(s.start_file("图片\\my cat.bmp", picture.width, picture.height));
  EXPECT_TRUE(shows_picture(picture_area(s, s.settle()), picture));
  EXPECT_EQ(s.save_and_confirm(), save_caption());
  const auto saved = read_bmp(s.work() / "my cat_0.bmp");
  ASSERT_TRUE(saved.has_value()) << "no \"my cat_0.bmp\" in the working folder";
  EXPECT_TRUE(shows_picture(*saved, picture));
  EXPECT_TRUE(fs::exists(s.work() / "my cat_0.png"));
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
