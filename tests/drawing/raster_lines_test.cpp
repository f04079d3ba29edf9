// Lines on the image device: the end-point rule, dash patterns, thick strokes with
// their ends, clipping and the current position.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <string>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "drawing/raster.h"
#include "pixel_grid.h"

namespace {

using drawing_test::lit;
using drawing_test::picture;
using drawing_test::PixelSet;
using drawing_test::rect_pixels;
using drawing_test::Target;

struct Octant {
  int32_t dx, dy;
};

class ThinLineEnds : public ::testing::TestWithParam<Octant> {};

// Start included, end excluded, one pixel per major step, 8-connected and never more
// than half a pixel off the ideal line, in every direction.
TEST_P(ThinLineEnds, CoversStartButNotEnd) {
  const Octant o = GetParam();
  Target t(31, 31);
  const int32_t x1 = 15, y1 = 15, x2 = 15 + o.dx, y2 = 15 + o.dy;
  gfx_line(x1, y1, x2, y2);
  const PixelSet pixels = lit(t.image);
  EXPECT_TRUE(pixels.count({x1, y1})) << picture(t.image);
  EXPECT_FALSE(pixels.count({x2, y2})) << picture(t.image);
  EXPECT_EQ(pixels.size(), static_cast<size_t>(std::max(std::abs(o.dx), std::abs(o.dy)))) << picture(t.image);
  const double len = std::hypot(o.dx, o.dy);
  for (const auto& [x, y] : pixels) {
    const double off = std::fabs((x - x1) * o.dy - (y - y1) * o.dx) / len;
    const double along_major = std::max(std::abs(o.dx), std::abs(o.dy));
    // Distance measured along the minor axis stays within half a pixel.
    EXPECT_LE(off * len / along_major, 0.5 + 1e-9) << x << "," << y << picture(t.image);
    bool neighbour = pixels.size() == 1;
    for (int32_t ny = -1; ny <= 1; ++ny)
      for (int32_t nx = -1; nx <= 1; ++nx)
        if ((nx || ny) && pixels.count({x + nx, y + ny})) neighbour = true;
    EXPECT_TRUE(neighbour) << picture(t.image);
  }
}

INSTANTIATE_TEST_SUITE_P(AllOctants, ThinLineEnds,
                         ::testing::Values(Octant{12, 0}, Octant{12, 5}, Octant{12, 12}, Octant{5, 12}, Octant{0, 12},
                                           Octant{-5, 12}, Octant{-12, 12}, Octant{-12, 5}, Octant{-12, 0},
                                           Octant{-12, -5}, Octant{-12, -12}, Octant{-5, -12}, Octant{0, -12},
                                           Octant{5, -12}, Octant{12, -12}, Octant{12, -5}, Octant{1, 0},
                                           Octant{0, -1}, Octant{7, 3}, Octant{-3, 7}));

TEST(ThinLine, ZeroLengthDrawsNothing) {
  for (int32_t thickness : {1, 3, 5}) {
    Target t(10, 10);
    gfx_set_line_style(0, thickness, nullptr, 0);
    gfx_line(4, 4, 4, 4);
    EXPECT_TRUE(lit(t.image).empty()) << "thickness " << thickness << picture(t.image);
  }
}

TEST(ThinLine, ColourReferenceBecomesSwappedPixelWord) {
  Target t(4, 1);
  gfx_set_line_color(0x0000FF);
  gfx_line(0, 0, 3, 0);
  EXPECT_EQ(t.at(0, 0), 0x00FF0000u);
  EXPECT_EQ(t.at(2, 0), 0x00FF0000u);
  EXPECT_EQ(t.at(3, 0), 0u);
  EXPECT_EQ(gfx_get_pixel(1, 0), 0x0000FFu);
  gfx_put_pixel(3, 0, 0x00123456);
  EXPECT_EQ(t.at(3, 0), 0x00563412u);
}

struct DashCase {
  const char* name;
  int32_t style;
  const char* expected;  // one character per pixel of the line (0,0)->(24,0); '#' lit
};

class DashPatterns : public ::testing::TestWithParam<DashCase> {};

TEST_P(DashPatterns, ThinLinePixels) {
  const DashCase c = GetParam();
  Target t(26, 1);
  gfx_set_line_style(c.style, 1, nullptr, 0);
  gfx_line(0, 0, 24, 0);
  std::string row;
  for (int32_t x = 0; x < 26; ++x) row += t.at(x, 0) ? '#' : '.';
  EXPECT_EQ(row, c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DashPatterns,
    ::testing::Values(DashCase{"solid", 0, "########################.."},
                      DashCase{"dashed", 1, "###.###.###.###.###.###..."},
                      DashCase{"dotted", 2, "#.#.#.#.#.#.#.#.#.#.#.#..."},
                      DashCase{"dash-dot", 3, "###.#.###.#.###.#.###.#..."},
                      DashCase{"dash-dot-dot", 4, "###.#.#.###.#.#.###.#.#..."},
                      DashCase{"none", 5, ".........................."},
                      DashCase{"inside frame", 6, "########################.."},
                      DashCase{"solid, flat ends", 0x200, "########################.."}),
    [](const auto& info) { return std::string("Kind") + std::to_string(info.index); });

TEST(DashPatterns, RunBackwardsFromTheStartPoint) {
  Target t(14, 1);
  gfx_set_line_style(3, 1, nullptr, 0);
  gfx_line(12, 0, 0, 0);
  std::string row;
  for (int32_t x = 0; x < 14; ++x) row += t.at(x, 0) ? '#' : '.';
  EXPECT_EQ(row, "..#.###.#.###.");
}

TEST(DashPatterns, StartAfreshWithEachLineAndRunDownVerticalLines) {
  Target t(3, 14);
  gfx_set_line_style(3, 1, nullptr, 0);
  gfx_line(0, 0, 0, 4);
  gfx_line(0, 4, 0, 8);
  gfx_line(2, 0, 2, 13);
  std::string first, second;
  for (int32_t y = 0; y < 14; ++y) {
    first += t.at(0, y) ? '#' : '.';
    second += t.at(2, y) ? '#' : '.';
  }
  EXPECT_EQ(first, "###.###.......");
  EXPECT_EQ(second, "###.#.###.#.#.");
}

struct LineSet {
  const char* name;
  int32_t style, thickness, origin_x, origin_y;
};

class DrawLines : public ::testing::TestWithParam<LineSet> {};

// A set of lines drawn at once gives the pixels of the same lines drawn one by one:
// each starts its pattern afresh, thin or thick, shifted by the origin or not.
TEST_P(DrawLines, MatchLinesDrawnOneByOne) {
  const LineSet p = GetParam();
  const int32_t ends[] = {2, 3, 30, 3, 30, 3, 30, 25, 1, 20, 28, 8, 5, 27, 5, 6, 9, 9, 9, 9, 33, 30, -4, 30};
  const int32_t count = static_cast<int32_t>(std::size(ends) / 4);
  auto draw = [&](bool at_once) {
    Target t(36, 34);
    gfx_set_line_style(p.style, p.thickness, nullptr, 0);
    gfx_set_line_color(0x00FF8000);
    t.device().set_origin(p.origin_x, p.origin_y);
    if (at_once) {
      gfx_lines(ends, count);
    } else {
      for (int32_t k = 0; k < count; ++k) gfx_line(ends[4 * k], ends[4 * k + 1], ends[4 * k + 2], ends[4 * k + 3]);
    }
    return std::vector<uint32_t>(t.image.pixels, t.image.pixels + 36 * 34);
  };
  const std::vector<uint32_t> one_by_one = draw(false);
  EXPECT_EQ(draw(true), one_by_one);
  EXPECT_NE(std::count(one_by_one.begin(), one_by_one.end(), 0u), 36 * 34) << "nothing was drawn";
}

INSTANTIATE_TEST_SUITE_P(Pens, DrawLines,
                         ::testing::Values(LineSet{"dash_dot", 3, 1, 0, 0}, LineSet{"solid", 0, 1, 0, 0},
                                           LineSet{"dash_dot_shifted", 3, 1, 3, -2},
                                           LineSet{"thick_dash_dot", 3, 3, 0, 0}),
                         [](const ::testing::TestParamInfo<LineSet>& info) { return std::string(info.param.name); });

TEST(DashPatterns, UserPatternAndKindSevenWithoutOne) {
  Target t(12, 2);
  const uint32_t pattern[] = {2, 1};
  gfx_set_line_style(7, 1, pattern, 2);
  gfx_line(0, 0, 11, 0);
  std::string row;
  for (int32_t x = 0; x < 12; ++x) row += t.at(x, 0) ? '#' : '.';
  EXPECT_EQ(row, "##.##.##.##.");

  gfx_set_line_style(7 | 0x200 | 0x1000, 3, nullptr, 0);
  LINESTYLE style;
  t.device().get_line_style(style);
  EXPECT_EQ(style.style, 7 | 0x200 | 0x1000);
  EXPECT_EQ(style.pattern, nullptr);
  gfx_line(0, 1, 11, 1);
  gfx_frame_rect(0, 0, 11, 1);
  EXPECT_EQ(lit(t.image).size(), 8u) << picture(t.image);
}

TEST(ThickLine, DashesScaleWithTheWidth) {
  Target t(30, 9);
  gfx_set_line_style(1 | 0x200, 3, nullptr, 0);
  gfx_line(0, 4, 27, 4);
  PixelSet expected = rect_pixels(0, 3, 8, 5);
  for (const auto& p : rect_pixels(12, 3, 20, 5)) expected.insert(p);
  for (const auto& p : rect_pixels(24, 3, 26, 5)) expected.insert(p);
  EXPECT_EQ(lit(t.image), expected) << picture(t.image);
}

TEST(ThickLine, EndsFlatSquareAndRound) {
  struct Case {
    int32_t ends;
    PixelSet expected;
  };
  PixelSet round = rect_pixels(0, 3, 12, 7);
  for (const auto& p : {std::pair{0, 3}, {12, 3}, {0, 7}, {12, 7}}) round.erase(p);
  const Case cases[] = {{0x200, rect_pixels(2, 3, 9, 7)}, {0x100, rect_pixels(0, 3, 12, 7)}, {0, round}};
  for (const Case& c : cases) {
    Target t(14, 11);
    gfx_set_line_style(c.ends, 5, nullptr, 0);
    gfx_line(2, 5, 10, 5);
    EXPECT_EQ(lit(t.image), c.expected) << "ends " << c.ends << picture(t.image);
  }
}

TEST(ThickLine, VerticalDividerCentredOnItsColumn) {
  Target t(9, 12);
  gfx_set_line_color(0xFFFFFF);
  gfx_set_line_style(0x200, 3, nullptr, 0);
  gfx_line(4, 0, 4, 12);
  EXPECT_EQ(lit(t.image), rect_pixels(3, 0, 5, 11)) << picture(t.image);
}

TEST(CurrentPosition, LineLeavesItAndLineToMovesIt) {
  Target t(10, 10);
  gfx_move_to(2, 3);
  gfx_line(0, 0, 5, 5);
  EXPECT_EQ(t.device().get_x(), 2);
  EXPECT_EQ(t.device().get_y(), 3);
  t.image.pixels[0] = 0;
  for (int32_t i = 0; i < 100; ++i) t.image.pixels[i] = 0;
  gfx_line_to(6, 3);
  EXPECT_EQ(lit(t.image), rect_pixels(2, 3, 5, 3)) << picture(t.image);
  EXPECT_EQ(t.device().get_x(), 6);
  t.device().line_rel(0, 2);
  EXPECT_EQ(t.device().get_y(), 5);
  EXPECT_TRUE(t.at(6, 3) && t.at(6, 4) && !t.at(6, 5));
  t.device().move_rel(-6, -5);
  EXPECT_EQ(t.device().get_x(), 0);
  EXPECT_EQ(t.device().get_y(), 0);
}

// A line cut by the image edges covers, inside the image, exactly the pixels the
// whole line covers on a bigger image.
TEST(Clipping, ClippedLinesMatchTheWholeLine) {
  struct Line {
    int32_t x1, y1, x2, y2, style, thickness;
  };
  const Line lines[] = {{-40, -7, 60, 23, 0, 1},   {55, -30, -20, 17, 3, 1},  {-100, 3, 100, 6, 1, 1},
                        {5, -50, 7, 80, 4, 1},     {-13, 20, 30, -9, 2, 1},   {-30, -30, 45, 40, 0x200, 5},
                        {-20, 12, 50, 2, 0, 3},    {8, -9, 3, 30, 0x101, 3}};
  for (const Line& l : lines) {
    Target big(300, 300);
    gfx_set_line_style(l.style, l.thickness, nullptr, 0);
    gfx_line(l.x1 + 120, l.y1 + 120, l.x2 + 120, l.y2 + 120);
    PixelSet expected;
    for (const auto& [x, y] : lit(big.image))
      if (x >= 120 && x < 136 && y >= 120 && y < 132) expected.insert({x - 120, y - 120});
    Target small(16, 12);
    gfx_set_line_style(l.style, l.thickness, nullptr, 0);
    gfx_line(l.x1, l.y1, l.x2, l.y2);
    EXPECT_EQ(lit(small.image), expected) << l.x1 << "," << l.y1 << " " << l.x2 << "," << l.y2 << picture(small.image);
  }
}

TEST(Clipping, HugeCoordinatesStayQuick) {
  Target t(20, 10);
  gfx_line(INT32_MIN, 5, INT32_MAX, 5);
  EXPECT_EQ(lit(t.image), rect_pixels(0, 5, 19, 5));
  gfx_set_line_style(3, 1, nullptr, 0);
  gfx_line(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX);
  gfx_set_line_style(0x200, 5, nullptr, 0);
  gfx_line(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  gfx_frame_rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  t.device().frame_ellipse(INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2);
  t.device().solid_circle(0, 0, INT32_MAX);
  EXPECT_EQ(lit(t.image).size(), 200u);
}

// Lines starting about 10^12 pixels away: the start offset 2 * first * minor no longer
// fits 64 bits. Slopes p/q with K a multiple of q put the ideal line through exact
// points, so every pixel in view is known: y = round(x * p / q), halves rounded away
// from the start point.
TEST(Clipping, FarAwayStartsKeepTheExactSlope) {
  constexpr int64_t K = 1'000'000'000'000;
  struct Slope {
    int64_t p, q;
    bool backwards;
  };
  for (const Slope s : {Slope{1, 2, false}, Slope{1, 3, false}, Slope{2, 5, false}, Slope{1, 2, true},
                        Slope{2, 5, true}, Slope{5, 7, true}}) {
    Target t(24, 24);
    const raster::ClipBox clip = raster::clip_box(t.image);
    const int64_t x1 = -s.q * K, y1 = -s.p * K, x2 = s.q * K, y2 = s.p * K;
    if (s.backwards) {
      raster::thin_line(t.image, clip, ROP2_COPY, 0xFFFFFF, x2, y2, x1, y1, nullptr);
    } else {
      raster::thin_line(t.image, clip, ROP2_COPY, 0xFFFFFF, x1, y1, x2, y2, nullptr);
    }
    PixelSet expected;
    for (int64_t x = 0; x < 24; ++x) {
      // Twice the exact minor position, 2xp/q, rounded with ties away from the start.
      const int64_t twice = 2 * x * s.p;
      const int64_t y = s.backwards ? (twice + s.q - 1) / (2 * s.q) : (twice + s.q) / (2 * s.q);
      expected.insert({static_cast<int32_t>(x), static_cast<int32_t>(y)});
    }
    EXPECT_EQ(lit(t.image), expected) << s.p << "/" << s.q << (s.backwards ? " backwards" : "") << picture(t.image);
  }
}

TEST(Clipping, ClipRectangleLimitsLines) {
  Target t(10, 10);
  const Canvas::RECT32 clip = {2, 2, 6, 5};
  t.device().set_clip_region(&clip);
  gfx_line(0, 3, 10, 3);
  EXPECT_EQ(lit(t.image), rect_pixels(2, 3, 6, 3));
  t.device().set_clip_region(nullptr);
  gfx_line(0, 8, 10, 8);
  EXPECT_EQ(lit(t.image).size(), 15u);
}

TEST(RasterOperations, XorNotBlackWhiteAndCopy) {
  Target t(6, 1, 0x00102030);
  gfx_set_line_color(0x00FF00FF);
  t.device().set_rop(7);
  gfx_line(0, 0, 2, 0);
  EXPECT_EQ(t.at(0, 0), 0x00102030u ^ 0x00FF00FFu);
  gfx_line(0, 0, 2, 0);
  EXPECT_EQ(t.at(0, 0), 0x00102030u);
  t.device().set_rop(6);
  gfx_line(2, 0, 3, 0);
  EXPECT_EQ(t.at(2, 0), 0x00EFDFCFu);
  t.device().set_rop(1);
  gfx_line(3, 0, 4, 0);
  EXPECT_EQ(t.at(3, 0), 0u);
  t.device().set_rop(16);
  gfx_line(4, 0, 5, 0);
  EXPECT_EQ(t.at(4, 0), 0x00FFFFFFu);
  t.device().set_rop(13);
  gfx_line(5, 0, 6, 0);
  EXPECT_EQ(t.at(5, 0), 0x00FF00FFu);
}

TEST(Transform, OriginAndAspectMoveLines) {
  Target t(20, 20);
  t.device().set_origin(3, 4);
  gfx_line(0, 0, 2, 0);
  EXPECT_EQ(lit(t.image), rect_pixels(3, 4, 4, 4));
  t.device().set_origin(0, 0);
  t.device().set_aspect(2.0f, 0.5f);
  float sx = 0, sy = 0;
  t.device().get_aspect(sx, sy);
  EXPECT_EQ(sx, 2.0f);
  EXPECT_EQ(sy, 0.5f);
  for (int32_t i = 0; i < 400; ++i) t.image.pixels[i] = 0;
  gfx_line(1, 2, 4, 2);
  EXPECT_EQ(lit(t.image), rect_pixels(2, 1, 7, 1));
}

// Ends that land on half pixels round away from zero: (0.5, 1.5) to (4.5, 1.5)
// covers x 1 to 4 of row 2, not 0 to 3 (rounding down, or to even).
TEST(Transform, HalfPixelEndsRoundAwayFromZero) {
  Target t(20, 20);
  t.device().set_aspect(0.5f, 0.5f);
  gfx_line(1, 3, 9, 3);
  EXPECT_EQ(lit(t.image), rect_pixels(1, 2, 4, 2));
}

}  // namespace
