// What a save leaves in the working folder: the PNG beside the BMP is the cut-out,
// transparent where the deleted parts are, to the picture's own pixels, and a later
// run never replaces an earlier run's results.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

// A ball and a box on a background with a gradient, so no two neighbours match.
Picture scene() {
  Picture p(150, 100);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) p.set(x, y, rgb(40 + x / 3, 90 + y / 4, 160));
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if ((x - 40) * (x - 40) + (y - 45) * (y - 45) < 20 * 20) p.set(x, y, rgb(230, 30, 40));
  p.fill(95, 20, 129, 69, rgb(250, 210, 20));
  return p;
}

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void delete_at(Session& s, Model& m, int x, int y) {
  Picture before = s.settle();
  s.click(x, s.picture_top() + y);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "nothing selected at " << x << "," << y;
  m.stroke = {{x, y}};
  m.apply();
  before = s.settle();
  s.click_row(7);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "nothing deleted at " << x << "," << y;
  m.remove();
}

bool on_ball_or_box(int x, int y) {
  return (x - 40) * (x - 40) + (y - 45) * (y - 45) < 20 * 20 || (x >= 95 && x <= 129 && y >= 20 && y <= 69);
}

// The blocks deleted hold a rim of background, and the kept ones a rim of the ball and
// the box: the cut-out's alpha follows the pictures's own pixels instead.
TEST(CutOut, PngIsTheCutOutOfWhatWasDeletedToThePixel) {
  Session s;
  Model m{scene()};
  const Picture original = m.picture;
  ASSERT_NO_FATAL_FAILURE(s.start(m.picture));
  ASSERT_NO_FATAL_FAILURE(delete_at(s, m, 40, 45));
  ASSERT_NO_FATAL_FAILURE(delete_at(s, m, 110, 40));
  EXPECT_EQ(s.save_and_confirm(), save_caption());

  auto bmp = read_bmp(s.work() / "pic_0.bmp");
  ASSERT_TRUE(bmp.has_value());
  DiffReport d = diff_pictures(m.picture, *bmp, s.root() / "bmp-diff.png");
  EXPECT_TRUE(d.same()) << "the BMP: " << d.describe();

  Rgba png = read_rgba_png(s.work() / "pic_0.png");
  ASSERT_EQ(png.width, bmp->width);
  ASSERT_EQ(png.height, bmp->height);
  int64_t deleted = 0, by_blocks_wrong = 0, wrong_alpha = 0, wrong_colour = 0;
  for (int y = 0; y < png.height; ++y)
    for (int x = 0; x < png.width; ++x) {
      const size_t i = static_cast<size_t>(y) * png.width + x;
      const uint8_t truth = on_ball_or_box(x, y) ? 0 : 255;
      deleted += m.deleted_pixels[i] != 0;
      by_blocks_wrong += (m.deleted_pixels[i] ? 0 : 255) != truth;
      wrong_alpha += png.alpha(i) != truth;
      if (png.alpha(i) > 0) wrong_colour += png.colour(i) != original.pixels[i];
    }
  EXPECT_GT(deleted, 1000) << "the deletes hardly deleted anything";
  EXPECT_GT(by_blocks_wrong, 100) << "the blocks followed the edges already";
  EXPECT_EQ(wrong_alpha, 0) << "pixels whose alpha is not the ball's and the box's own";
  EXPECT_EQ(wrong_colour, 0) << "seen pixels whose colour is not the picture's own";
}

TEST(CutOut, ASecondRunSavesBesideTheFirstRunsResults) {
  Session s;
  const Picture original = scene();
  ASSERT_NO_FATAL_FAILURE(s.start(original, "cat.bmp"));
  EXPECT_EQ(s.save_and_confirm(), save_caption());
  ASSERT_TRUE(fs::is_regular_file(s.work() / "cat_0.bmp"));
  const std::string first_bmp = contents(s.work() / "cat_0.bmp");
  const std::string first_png = contents(s.work() / "cat_0.png");
  s.x().send_close_request(s.window());
  ASSERT_TRUE(s.app().wait_exit(10).has_value()) << "the first run did not end";

  ASSERT_NO_FATAL_FAILURE(s.start_file("cat.bmp", original.width, original.height));
  // Something of the second run's own, so a replaced first result would show.
  Picture before = s.settle();
  s.click_row(5);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value());
  s.park();
  EXPECT_EQ(s.save_and_confirm(), save_caption());
  EXPECT_EQ(contents(s.work() / "cat_0.bmp"), first_bmp) << "the first run's BMP was replaced";
  EXPECT_EQ(contents(s.work() / "cat_0.png"), first_png) << "the first run's PNG was replaced";
  auto second = read_bmp(s.work() / "cat_1.bmp");
  ASSERT_TRUE(second.has_value()) << "the second run saved no cat_1.bmp";
  EXPECT_NE(*second, original);
  EXPECT_TRUE(fs::is_regular_file(s.work() / "cat_1.png"));
}

}  // namespace
}  // namespace e2e
