// Rectangles, brushes and the drawing state on the image device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "pixel_grid.h"

namespace {

using drawing_test::lit;
using drawing_test::picture;
using drawing_test::PixelSet;
using drawing_test::rect_pixels;
using drawing_test::Target;

struct RectCase {
  int32_t x1, y1, x2, y2;
};

class SolidRectCorners : public ::testing::TestWithParam<RectCase> {};

TEST_P(SolidRectCorners, BothCornersIncludedInAnyOrder) {
  const RectCase c = GetParam();
  Target t(16, 16);
  gfx_solid_rect(c.x1, c.y1, c.x2, c.y2);
  EXPECT_EQ(lit(t.image), rect_pixels(5, 5, 10, 10)) << picture(t.image);
}

INSTANTIATE_TEST_SUITE_P(AnyOrder, SolidRectCorners,
                         ::testing::Values(RectCase{10, 10, 5, 5}, RectCase{5, 5, 10, 10}, RectCase{10, 5, 5, 10},
                                           RectCase{5, 10, 10, 5}));

TEST(SolidRect, OnePixelAndNoOutline) {
  Target t(8, 8);
  gfx_set_line_color(0x0000FF);
  gfx_set_fill_color(0x00FF00);
  gfx_solid_rect(3, 4, 3, 4);
  EXPECT_EQ(lit(t.image), (PixelSet{{3, 4}}));
  EXPECT_EQ(t.at(3, 4), 0x0000FF00u);
  gfx_frame_rect(6, 1, 6, 1);
  EXPECT_EQ(t.at(6, 1), 0x00FF0000u);
  EXPECT_EQ(lit(t.image).size(), 2u) << picture(t.image);
}

TEST(FrameRect, ThinOutlineIncludesTheFarCorner) {
  Target t(12, 12);
  gfx_frame_rect(0, 0, 9, 9);
  PixelSet expected = rect_pixels(0, 0, 9, 9);
  for (const auto& p : rect_pixels(1, 1, 8, 8)) expected.erase(p);
  EXPECT_EQ(lit(t.image), expected) << picture(t.image);
  EXPECT_TRUE(lit(t.image).count({9, 9}));
}

// A 5-wide frame is centred on the rectangle's edge lines. Round joins (the default)
// leave out the one outermost pixel of each corner, mitre joins fill the corners
// square, bevel joins cut three pixels off each; all four corners alike.
TEST(FrameRect, ThickFlatEndedFrameCentredOnTheEdges) {
  PixelSet band = rect_pixels(3, 3, 22, 17);
  for (const auto& p : rect_pixels(8, 8, 17, 12)) band.erase(p);
  PixelSet round = band;
  for (const auto& p : {std::pair{3, 3}, {22, 3}, {3, 17}, {22, 17}}) round.erase(p);
  PixelSet bevel = band;
  for (const auto& p : {std::pair{3, 3}, {4, 3}, {3, 4}, {22, 3}, {21, 3}, {22, 4}, {3, 17}, {4, 17}, {3, 16},
                        {22, 17}, {21, 17}, {22, 16}})
    bevel.erase(p);
  struct Case {
    int32_t style;
    PixelSet expected;
  };
  const Case cases[] = {{0x200, round}, {0x2200, band}, {0x1200, bevel}};
  for (const Case& c : cases) {
    Target t(26, 21);
    gfx_set_line_style(c.style, 5, nullptr, 0);
    gfx_frame_rect(5, 5, 20, 15);
    EXPECT_EQ(lit(t.image), c.expected) << "style " << std::hex << c.style << picture(t.image);
  }
}

TEST(FrameRect, DashPatternRunsOnRoundTheCorners) {
  Target t(7, 5);
  gfx_set_line_style(3, 1, nullptr, 0);
  gfx_frame_rect(0, 0, 5, 3);
  const PixelSet expected = {{0, 0}, {1, 0}, {2, 0}, {4, 0}, {5, 1}, {5, 2}, {5, 3},
                             {3, 3}, {1, 3}, {0, 3}, {0, 2}};
  EXPECT_EQ(lit(t.image), expected) << picture(t.image);
}

TEST(FrameRect, RestoresTheFillStyleAndSolidRectTheLineStyle) {
  Target t(10, 10);
  gfx_set_fill_style(2, 4, nullptr);
  gfx_frame_rect(1, 1, 8, 8);
  EXPECT_EQ(t.image.fill_style.style, 2);
  EXPECT_EQ(t.image.fill_style.hatch, 4);
  const uint32_t pattern[] = {1, 2, 3};
  gfx_set_line_style(7 | 0x100, 2, pattern, 3);
  gfx_solid_rect(1, 1, 2, 2);
  const LINESTYLE& style = t.image.line_style;
  EXPECT_EQ(style.style, 7 | 0x100);
  EXPECT_EQ(style.thickness, 2);
  ASSERT_EQ(style.count, 3);
  EXPECT_EQ(style.pattern[2], 3u);
}

// Strokes are painted once per pixel, so an exclusive-or frame drawn twice leaves
// no trace, thin or thick.
TEST(FrameRect, ExclusiveOrFramesTouchEachPixelOnce) {
  for (int32_t thickness : {1, 5}) {
    Target copy(24, 20);
    gfx_set_line_style(0x200, thickness, nullptr, 0);
    gfx_frame_rect(4, 4, 18, 14);
    Target xored(24, 20, 0x00FFFFFF);
    gfx_set_line_style(0x200, thickness, nullptr, 0);
    xored.device().set_rop(7);
    gfx_frame_rect(4, 4, 18, 14);
    EXPECT_EQ(lit(xored.image, 0x00FFFFFF), lit(copy.image)) << thickness;
    for (const auto& [x, y] : lit(copy.image)) EXPECT_EQ(xored.at(x, y), 0u);
    gfx_frame_rect(4, 4, 18, 14);
    EXPECT_TRUE(lit(xored.image, 0x00FFFFFF).empty()) << thickness;
  }
}

TEST(FillRect, InteriorInTheBrushOutlineInThePen) {
  Target t(8, 8);
  gfx_set_line_color(0x0000FF);
  gfx_set_fill_color(0x00FF00);
  t.device().fill_rect(1, 1, 5, 4);
  for (int32_t y = 1; y <= 4; ++y)
    for (int32_t x = 1; x <= 5; ++x) {
      const bool edge = x == 1 || x == 5 || y == 1 || y == 4;
      EXPECT_EQ(t.at(x, y), edge ? 0x00FF0000u : 0x0000FF00u) << x << "," << y;
    }
  EXPECT_EQ(lit(t.image).size(), 20u);
}

TEST(ClearRect, PaintsBackgroundAndRestoresFillColourStyleAndRop) {
  Target t(8, 8, 0x00ABCDEF);
  gfx_set_bk_color(0x0000FF);
  gfx_set_fill_color(0x123456);
  gfx_set_fill_style(2, 3, nullptr);
  t.device().set_rop(7);
  gfx_clear_rect(5, 5, 2, 2);
  EXPECT_EQ(lit(t.image, 0x00ABCDEF), rect_pixels(2, 2, 5, 5));
  for (const auto& [x, y] : rect_pixels(2, 2, 5, 5)) EXPECT_EQ(t.at(x, y), 0x00FF0000u);
  EXPECT_EQ(t.image.fill_color, 0x123456u);
  EXPECT_EQ(t.image.fill_style.style, 2);
  EXPECT_EQ(t.image.fill_style.hatch, 3);
  EXPECT_EQ(t.device().get_rop(), 7);
  EXPECT_EQ(t.image.line_style.style, 0);
}

TEST(Hatch, SetFillColourRecoloursAHatchAtOnce) {
  Target t(16, 8);
  gfx_set_fill_style(2, 1, nullptr);
  gfx_set_fill_color(0x0000FF);
  gfx_set_fill_color(0x00FF00);
  gfx_solid_rect(0, 0, 15, 7);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x) EXPECT_EQ(t.at(x, y), x % 8 == 0 ? 0x0000FF00u : 0u) << x << "," << y;
}

TEST(Hatch, HollowOnlyStoresTheColourUntilTheNextSolidFill) {
  Target t(4, 4);
  gfx_set_fill_style(1, 0, nullptr);
  gfx_set_fill_color(0xFF0000);
  gfx_solid_rect(0, 0, 3, 3);
  EXPECT_TRUE(lit(t.image).empty());
  gfx_set_fill_style(0, 0, nullptr);
  gfx_solid_rect(0, 0, 1, 1);
  EXPECT_EQ(t.at(1, 1), 0x000000FFu);
}

TEST(Hatch, SixKindsAlignedToTheImageOrigin) {
  struct Case {
    int32_t hatch;
    bool (*line)(int32_t, int32_t);
  };
  const Case cases[] = {
      {0, [](int32_t, int32_t y) { return y % 8 == 0; }},
      {1, [](int32_t x, int32_t) { return x % 8 == 0; }},
      {2, [](int32_t x, int32_t y) { return (x - y) % 8 == 0; }},
      {3, [](int32_t x, int32_t y) { return (x + y) % 8 == 7; }},
      {4, [](int32_t x, int32_t y) { return x % 8 == 0 || y % 8 == 0; }},
      {5, [](int32_t x, int32_t y) { return (x - y) % 8 == 0 || (x + y) % 8 == 7; }},
  };
  for (const Case& c : cases) {
    Target t(20, 20, 0x00777777);
    gfx_set_bk_color(0x000000FF);
    gfx_set_fill_color(0x0000FF00);
    gfx_set_fill_style(2, c.hatch, nullptr);
    // Starts away from the origin: the tile still lines up with (0, 0).
    gfx_solid_rect(3, 5, 18, 17);
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 20; ++x) {
        uint32_t want = 0x00777777;
        if (x >= 3 && x <= 18 && y >= 5 && y <= 17) want = c.line(x, y) ? 0x0000FF00u : 0x00FF0000u;
        ASSERT_EQ(t.at(x, y), want) << "hatch " << c.hatch << " at " << x << "," << y;
      }
  }
}

TEST(Hatch, TransparentModeLeavesTheGaps) {
  Target t(16, 16, 0x00777777);
  gfx_set_bk_mode(BK_TRANSPARENT);
  gfx_set_fill_style(2, 5, nullptr);
  gfx_solid_rect(0, 0, 15, 15);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const bool line = (x - y) % 8 == 0 || (x + y) % 8 == 7;
      EXPECT_EQ(t.at(x, y), line ? 0x00FFFFFFu : 0x00777777u) << x << "," << y;
    }
}

TEST(Patterns, TwoColourPatternUsesTextAndBackgroundColours) {
  Target t(10, 9);
  const uint8_t rows[8] = {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01};
  t.device().set_fill_pattern(rows);
  EXPECT_EQ(t.image.fill_style.style, 3);
  gfx_set_text_color(0x0000FF);
  gfx_set_bk_color(0x00FF00);
  gfx_solid_rect(0, 0, 9, 8);
  // Set bits are white (background class), clear bits black (text class).
  EXPECT_EQ(t.at(0, 0), 0x0000FF00u);
  EXPECT_EQ(t.at(8, 0), 0x0000FF00u);
  EXPECT_EQ(t.at(7, 7), 0x0000FF00u);
  EXPECT_EQ(t.at(0, 8), 0x0000FF00u);
  EXPECT_EQ(t.at(1, 0), 0x00FF0000u);
  EXPECT_EQ(t.at(6, 7), 0x00FF0000u);
}

TEST(Patterns, ColourTileRepeatsThePatternImage) {
  Target t(7, 4);
  IMAGE tile(3, 2);
  for (int32_t i = 0; i < 6; ++i) tile.pixels[i] = 0x00010203u * (i + 1);
  gfx_set_fill_style(5, 0, &tile);
  tile.pixels[0] = 0x00FFFFFF;  // the style keeps its own copy
  gfx_solid_rect(0, 0, 6, 3);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(t.at(x, y), 0x00010203u * ((y % 2) * 3 + x % 3 + 1));
  gfx_set_fill_color(0x123456);
  gfx_solid_rect(0, 0, 0, 0);
  EXPECT_EQ(t.at(0, 0), 0x00010203u);
}

TEST(DeviceState, ClearDeviceResetAndClipRegion) {
  Target t(6, 5, 0x00112233);
  gfx_set_bk_color(0x0000FF);
  gfx_move_to(4, 4);
  t.device().clear_device();
  EXPECT_EQ(lit(t.image, 0x00FF0000).size(), 0u);
  EXPECT_EQ(t.device().get_x(), 0);
  EXPECT_EQ(t.device().get_y(), 0);

  const Canvas::RECT32 clip = {1, 1, 2, 3};
  t.device().set_clip_region(&clip);
  gfx_set_bk_color(0x00FF00);
  t.device().clear_clip_region();
  EXPECT_EQ(lit(t.image, 0x00FF0000), rect_pixels(1, 1, 2, 3));
  gfx_solid_rect(0, 0, 5, 4);
  EXPECT_EQ(lit(t.image, 0x00FF0000), rect_pixels(1, 1, 2, 3));

  t.device().set_rop(7);
  gfx_set_line_style(3, 4, nullptr, 0);
  t.device().reset_device_state();
  EXPECT_EQ(t.device().get_rop(), 13);
  EXPECT_EQ(t.image.line_style.style, 0);
  EXPECT_EQ(t.image.line_style.thickness, 1);
  EXPECT_EQ(t.device().get_bk_color(), 0u);
  EXPECT_FALSE(t.image.clip_on);
}

TEST(DeviceState, OriginShiftsRectangles) {
  Target t(10, 10);
  t.device().set_origin(3, 4);
  gfx_solid_rect(0, 0, 1, 1);
  EXPECT_EQ(lit(t.image), rect_pixels(3, 4, 4, 5));
  EXPECT_EQ(gfx_get_pixel(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(gfx_get_pixel(-4, 0), 0xFFFFFFFFu);
}

TEST(DeviceState, NothingHappensWithoutADevice) {
  graph_context().device = nullptr;
  gfx_line(0, 0, 5, 5);
  gfx_solid_rect(0, 0, 5, 5);
  gfx_set_font(20, 0, "x");
  EXPECT_EQ(gfx_text_width("abc"), 0);
  EXPECT_EQ(gfx_get_pixel(0, 0), 0xFFFFFFFFu);
}

TEST(Fonts, SetFontKeepsTheOtherAttributes) {
  Target t(2, 2);
  FONTDESC font;
  t.device().get_font_desc(font);
  EXPECT_STREQ(font.face, "System");
  EXPECT_EQ(font.quality, 3);
  gfx_set_font(20, 0, "Face A");
  gfx_set_font(12, 5, nullptr);
  t.device().get_font_desc(font);
  EXPECT_EQ(font.height, 12);
  EXPECT_EQ(font.width, 5);
  EXPECT_STREQ(font.face, "Face A");
  EXPECT_EQ(font.quality, 3);
  EXPECT_EQ(font.char_set, 1);

  t.device().set_font_ex(30, 0, nullptr, 0, 0, 700, true, false, true);
  t.device().get_font_desc(font);
  EXPECT_STREQ(font.face, "Face A");
  EXPECT_EQ(font.weight, 700);
  EXPECT_EQ(font.italic, 1);
  EXPECT_EQ(font.strike_out, 1);
  EXPECT_EQ(font.quality, 3);

  const char* long_face = "A face name that runs on well beyond thirty-one bytes";
  t.device().set_font_full(9, 1, long_face, 0, 0, 400, false, true, false, 134, 0, 0, 4, 0);
  t.device().get_font_desc(font);
  EXPECT_EQ(std::strlen(font.face), 31u);
  EXPECT_EQ(std::strncmp(font.face, long_face, 31), 0);
  EXPECT_EQ(font.underline, 1);
  EXPECT_EQ(font.char_set, 134);
  EXPECT_EQ(font.quality, 4);
  EXPECT_EQ(font.italic, 0);
}

TEST(Text, DrawTextAdvancesByItsWidthAndCalcRectMeasures) {
  Target t(200, 60);
  gfx_set_font(16, 0, nullptr);
  gfx_move_to(5, 7);
  t.device().draw_text("abc");
  EXPECT_EQ(t.device().get_x(), 5 + gfx_text_width("abc"));
  EXPECT_EQ(t.device().get_y(), 7);

  Canvas::RECT32 rect = {10, 20, 11, 21};
  const int32_t height = t.device().text_in_rect("ab\nabcd", rect, 0x400);
  EXPECT_EQ(height, gfx_text_height("ab") + gfx_text_height("abcd"));
  EXPECT_EQ(rect.right - rect.left, std::max(gfx_text_width("ab"), gfx_text_width("abcd")));
  EXPECT_EQ(rect.bottom - rect.top, height);
}

}  // namespace
