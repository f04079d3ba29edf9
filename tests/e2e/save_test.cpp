// Saving: numbered files named after the picture, the colour transform's full cycle,
// and a save that cannot be written.
#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

// Every pixel its own colour, no grey, no symmetry.
Picture colourful() {
  Picture p(120, 90);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) p.set(x, y, rgb((x * 2 + 7) & 0xFF, (y * 3 + 50) & 0xFF, (x * y + 11) & 0xFF));
  return p;
}

Picture transformed(const Picture& p, int step) {
  Picture out = p;
  for (uint32_t& v : out.pixels) {
    uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
    if (step == 0 || step == 1)
      v = rgb(b, r, g);
    else if (step == 2 || step == 5)
      v = rgb(255 - r, 255 - g, 255 - b);
    else
      v = rgb(g, b, r);
  }
  return out;
}

void expect_file(const Session& s, const std::string& name, const Picture& want) {
  auto saved = read_bmp(s.work() / name);
  ASSERT_TRUE(saved.has_value()) << name << " missing or not a BMP";
  DiffReport d = diff_pictures(want, *saved, s.root() / (name + "-diff.png"));
  EXPECT_TRUE(d.same()) << name << ": " << d.describe();
}

TEST(Save, SixColourTransformsGiveBackEveryPixelAndSavesCountUp) {
  Session s;
  const Picture original = colourful();
  ASSERT_NO_FATAL_FAILURE(s.start(original, "cat.photo.bmp"));
  EXPECT_EQ(s.save_and_confirm(), save_caption());
  ASSERT_NO_FATAL_FAILURE(expect_file(s, "cat.photo_0.bmp", original));

  Picture want = original;
  for (int step = 0; step < 6; ++step) {
    Picture before = s.settle();
    s.click_row(5);
    ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "press " << step + 1 << " changed nothing";
    want = transformed(want, step);
    EXPECT_TRUE(shows_picture(picture_area(s, s.settle()), want)) << "after press " << step + 1;
  }
  EXPECT_EQ(want, original);
  EXPECT_EQ(s.save_and_confirm(), save_caption());
  ASSERT_NO_FATAL_FAILURE(expect_file(s, "cat.photo_1.bmp", original));
  ASSERT_NO_FATAL_FAILURE(expect_file(s, "cat.photo_0.bmp", original));

  // A transformed picture is saved as transformed.
  Picture before = s.settle();
  s.click_row(5);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value());
  s.save_and_confirm();
  ASSERT_NO_FATAL_FAILURE(expect_file(s, "cat.photo_2.bmp", transformed(original, 0)));
}

// Makes a folder unwritable even for root (an immutable folder), for as long as it lives.
class UnwritableFolder {
 public:
  explicit UnwritableFolder(const fs::path& folder) : folder_(folder) {
    made_ = run_command("chattr +i " + shell_quote(folder_.string()) + " 2>/dev/null").status == 0;
  }
  ~UnwritableFolder() { restore(); }
  bool made() const { return made_; }
  void restore() {
    if (made_) run_command("chattr -i " + shell_quote(folder_.string()));
    made_ = false;
  }

 private:
  fs::path folder_;
  bool made_ = false;
};

TEST(Save, AFailedSaveIsReportedAndKeepsItsNumber) {
  Session s;
  const Picture original = colourful();
  ASSERT_NO_FATAL_FAILURE(s.start(original));
  UnwritableFolder unwritable(s.work());
  if (!unwritable.made()) GTEST_SKIP() << "this file system cannot make a folder immutable";
  Picture failed_box;
  EXPECT_EQ(s.save_and_confirm(&failed_box), save_caption());
  unwritable.restore();
  EXPECT_FALSE(fs::exists(s.work() / "pic_0.bmp"));
  EXPECT_FALSE(fs::exists(s.work() / "pic_0.png"));

  Picture saved_box;
  EXPECT_EQ(s.save_and_confirm(&saved_box), save_caption());
  ASSERT_NO_FATAL_FAILURE(expect_file(s, "pic_0.bmp", original)) << "a failed save took a number";
  EXPECT_NE(failed_box, saved_box) << "the failed save showed the same message as a successful one";
  if (failed_box == saved_box) {
    s.keep("failed-box.png", failed_box);
    s.keep("saved-box.png", saved_box);
  }

  s.save_and_confirm();
  ASSERT_NO_FATAL_FAILURE(expect_file(s, "pic_1.bmp", original));
  EXPECT_TRUE(s.app().running()) << "the program ended while saving";
}

}  // namespace
}  // namespace e2e
