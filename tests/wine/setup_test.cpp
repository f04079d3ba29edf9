// The editing window of the Windows build under Wine as it comes up: the exact client
// area beside the panel, the picture pixel for pixel at its place.
#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

// Flat rectangles with every channel different, so a swapped channel or a flipped
// row order shows.
Picture test_card(int w, int h) {
  Picture p(w, h, rgb(30, 60, 90));
  p.fill(0, 0, w / 2 - 1, h / 3 - 1, rgb(200, 40, 10));
  p.fill(w / 2, 0, w - 1, h / 3 - 1, rgb(20, 180, 70));
  p.fill(w / 3, h / 3, 2 * w / 3, 2 * h / 3, rgb(120, 0, 220));
  p.set(0, 0, rgb(1, 2, 3));
  p.set(w - 1, h - 1, rgb(7, 8, 9));
  return p;
}

struct Case {
  int width, height;        // of the picture file
  int shown_width, shown_height;
  int client_width;
};

class WineSetup : public ::testing::TestWithParam<Case> {};

TEST_P(WineSetup, ClientAreaAndPictureMatchTheLinuxBuild) {
  const Case c = GetParam();
  Session s(windows_build("x86_64"));
  const Picture card = test_card(c.width, c.height);
  ASSERT_TRUE(write_bmp(s.work() / "card.bmp", card));
  ASSERT_NO_FATAL_FAILURE(s.start_file("card.bmp", c.shown_width, c.shown_height));
  EXPECT_EQ(s.client().width, c.client_width);
  EXPECT_EQ(s.client().height, 768);
  const Picture screen = s.settle();
  if (c.width == c.shown_width) {
    DiffReport d = diff_pictures(card, picture_area(s, screen), s.root() / "picture-diff.png");
    EXPECT_TRUE(d.same()) << d.describe();
  } else {
    // Scaled: away from the edges of the rectangles the colours are exact.
    EXPECT_EQ(screen.at(100, 100), rgb(200, 40, 10));
    EXPECT_EQ(screen.at(c.shown_width - 100, 100), rgb(20, 180, 70));
    EXPECT_EQ(screen.at(c.shown_width / 2, 384), rgb(120, 0, 220));
    EXPECT_EQ(screen.at(100, 700), rgb(30, 60, 90));
  }
  // Black above and below a picture lower than the window, the white divider, the
  // first panel frame.
  if (c.shown_height < 768) {
    EXPECT_EQ(screen.at(10, s.picture_top() - 1), BLACK);
  }
  for (int y = 1; y < 767; ++y) ASSERT_EQ(screen.at(c.shown_width + 1, y), WHITE) << "divider at y = " << y;
  EXPECT_EQ(screen.at(c.shown_width + 20, 115), GREY) << "the panel's first frame";
  if (HasFailure()) s.keep("screen.png", screen);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WineSetup,
                         ::testing::Values(Case{800, 600, 800, 600, 1000}, Case{2000, 1500, 1024, 768, 1224}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

}  // namespace
}  // namespace e2e
