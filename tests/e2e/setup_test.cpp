// The editing window as it comes up: size, placement of the picture, divider and
// panel frames.
#include <array>

#include <gtest/gtest.h>

#include "e2e_model.h"
#include "e2e_support.h"

namespace e2e {
namespace {

// Flat rectangles with every channel different, so a swapped channel or a flipped row
// order shows.
Picture test_card(int w, int h) {
  Picture p(w, h, rgb(30, 60, 90));
  p.fill(0, 0, w / 2 - 1, h / 3 - 1, rgb(200, 40, 10));
  p.fill(w / 2, 0, w - 1, h / 3 - 1, rgb(20, 180, 70));
  p.fill(0, 2 * h / 3, w / 3 - 1, h - 1, rgb(250, 240, 5));
  p.fill(w / 3, h / 3, 2 * w / 3, 2 * h / 3, rgb(120, 0, 220));
  p.set(0, 0, rgb(1, 2, 3));
  p.set(w - 1, h - 1, rgb(7, 8, 9));
  return p;
}

TEST(Setup, PictureOf800x600SitsAtRow84BesideThePanel) {
  Session s;
  const Picture card = test_card(800, 600);
  s.start(card);
  ASSERT_EQ(s.client().width, 1000);
  ASSERT_EQ(s.client().height, 768);
  const Picture screen = s.settle();

  // The picture at (x, 84 + y), pixel for pixel.
  Picture area = screen.crop(Rect{0, 84, 800, 600});
  DiffReport d = diff_pictures(card, area, s.root() / "picture-diff.png");
  EXPECT_TRUE(d.same()) << d.describe();

  // Black above and below it.
  int64_t not_black = 0;
  for (int y = 0; y < 768; ++y) {
    if (y >= 84 && y < 684) continue;
    for (int x = 0; x < 800; ++x) not_black += screen.at(x, y) != BLACK;
  }
  EXPECT_EQ(not_black, 0) << "pixels above or below the picture that are not black";

  // The white divider, three pixels wide around x = 801.
  for (int y = 1; y < 767; ++y)
    for (int x = 800; x <= 802; ++x) ASSERT_EQ(screen.at(x, y), WHITE) << "divider at (" << x << ", " << y << ")";
  EXPECT_EQ(screen.at(803, 400), BLACK);

  // Grey frames, five pixels wide, centred on the row rectangles; the back and
  // forward frames are black while nothing can be undone or redone.
  for (int row = 0; row < 12; ++row) {
    Rect r = s.row_rect(row);
    const uint32_t want = row == 9 || row == 10 ? BLACK : GREY;
    int cx = r.x + r.width / 2, cy = r.y + r.height / 2;
    int right = r.x + r.width - 1, bottom = r.y + r.height - 1;
    for (int k = -2; k <= 2; ++k) {
      EXPECT_EQ(screen.at(r.x + k, cy), want) << "left frame of row " << row;
      EXPECT_EQ(screen.at(right + k, cy), want) << "right frame of row " << row;
      EXPECT_EQ(screen.at(cx + 25, r.y + k), want) << "top frame of row " << row;
      EXPECT_EQ(screen.at(cx + 25, bottom + k), want) << "bottom frame of row " << row;
    }
    EXPECT_EQ(screen.at(r.x - 3, cy), BLACK) << "outside the frame of row " << row;
  }
  // The value boxes hold white text on black.
  for (int row : {0, 1, 2, 3, 6, 8}) {
    Picture box = screen.crop(s.value_box(row));
    int white = 0, other = 0;
    for (uint32_t v : box.pixels) {
      white += v == WHITE;
      other += v != WHITE && v != BLACK;
    }
    EXPECT_GT(white, 10) << "value box of row " << row << " shows no text";
  }
  // Swatches 0..26 in their colours, 27..29 hatched.
  for (int k = 0; k < 30; ++k) {
    Picture sw = screen.crop(s.swatch_rect(k));
    if (k < 27) {
      uint32_t want = rgb(std::array{0, 0x80, 0xFF}[k % 3], std::array{0, 0x80, 0xFF}[(k / 3) % 3],
                          std::array{0, 0x80, 0xFF}[k / 9]);
      for (uint32_t v : sw.pixels) ASSERT_EQ(v, want) << "swatch " << k;
    } else {
      int white = 0, black = 0;
      for (uint32_t v : sw.pixels) {
        white += v == WHITE;
        black += v == BLACK;
      }
      EXPECT_GT(white, 20) << "empty swatch " << k;
      EXPECT_GT(black, 20) << "empty swatch " << k;
      EXPECT_EQ(white + black, 28 * 14) << "empty swatch " << k;
    }
  }
  // The samples: outline 0xFF8000, background white.
  for (uint32_t v : screen.crop(s.outline_sample()).pixels) ASSERT_EQ(v, OUTLINE_BLUE);
  for (uint32_t v : screen.crop(s.fill_sample()).pixels) ASSERT_EQ(v, WHITE);
  if (HasFailure()) s.keep("screen.png", screen);
}

TEST(Setup, PictureOf2000x1500IsScaledTo1024x768) {
  Session s;
  Picture big(2000, 1500, rgb(10, 200, 100));
  big.fill(1000, 0, 1999, 749, rgb(240, 20, 60));
  big.fill(0, 750, 999, 1499, rgb(40, 50, 230));
  ASSERT_TRUE(write_bmp(s.work() / "big.bmp", big));
  s.start_file("big.bmp", 1024, 768);
  ASSERT_EQ(s.client().width, 1224);
  ASSERT_EQ(s.client().height, 768);
  const Picture screen = s.settle();
  // Away from the edges of the quarters the colours are exact whatever the
  // resampling; the picture fills the whole height.
  struct Probe {
    int x, y;
    uint32_t want;
  } probes[] = {{10, 10, rgb(10, 200, 100)},     {500, 370, rgb(10, 200, 100)}, {520, 10, rgb(240, 20, 60)},
                {1013, 370, rgb(240, 20, 60)},   {10, 390, rgb(40, 50, 230)},   {500, 757, rgb(40, 50, 230)},
                {520, 390, rgb(10, 200, 100)},   {1013, 757, rgb(10, 200, 100)}};
  for (auto& p : probes) {
    for (int dy = -5; dy <= 5; ++dy)
      for (int dx = -5; dx <= 5; ++dx)
        ASSERT_EQ(screen.at(p.x + dx, p.y + dy), p.want) << "at (" << p.x + dx << ", " << p.y + dy << ")";
  }
  for (int y = 1; y < 767; ++y) ASSERT_EQ(screen.at(1025, y), WHITE) << "divider";
  EXPECT_EQ(screen.at(1024 + 20, 115), GREY) << "panel starts at x = 1024";
}

}  // namespace
}  // namespace e2e
