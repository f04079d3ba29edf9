// Circles, ellipses, rounded rectangles, arcs, pies, polygons and flood fill.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "pixel_grid.h"

namespace {

using drawing_test::lit;
using drawing_test::picture;
using drawing_test::PixelSet;
using drawing_test::rect_pixels;
using drawing_test::Target;
using Canvas::POINT32;

bool mirror_symmetric(const PixelSet& pixels, int32_t sum_x, int32_t sum_y) {
  for (const auto& [x, y] : pixels)
    if (!pixels.count({sum_x - x, y}) || !pixels.count({x, sum_y - y})) return false;
  return true;
}

bool has_outside_neighbour(const PixelSet& region, int32_t x, int32_t y) {
  return !region.count({x - 1, y}) || !region.count({x + 1, y}) || !region.count({x, y - 1}) ||
         !region.count({x, y + 1});
}

TEST(Circle, SolidDiscIsRoundAndSymmetric) {
  Target t(21, 21);
  t.device().solid_circle(10, 10, 5);
  const PixelSet disc = lit(t.image);
  EXPECT_TRUE(mirror_symmetric(disc, 20, 20)) << picture(t.image);
  for (const auto& [x, y] : disc) EXPECT_TRUE(disc.count({y, x}));
  for (const auto& p : {std::pair{10, 10}, {15, 10}, {5, 10}, {10, 5}, {10, 15}, {13, 13}})
    EXPECT_TRUE(disc.count(p)) << p.first << "," << p.second << picture(t.image);
  for (const auto& p : {std::pair{16, 10}, {15, 15}, {14, 14}, {15, 13}})
    EXPECT_FALSE(disc.count(p)) << p.first << "," << p.second << picture(t.image);
}

TEST(Circle, ThinFrameIsTheDiscsEdgeAndFillAddsTheInside) {
  Target disc_target(21, 21);
  disc_target.device().solid_circle(10, 10, 6);
  const PixelSet disc = lit(disc_target.image);

  Target t(21, 21);
  gfx_set_line_color(0x0000FF);
  gfx_set_fill_color(0x00FF00);
  t.device().frame_circle(10, 10, 6);
  const PixelSet ring = lit(t.image);
  ASSERT_FALSE(ring.empty());
  for (const auto& [x, y] : disc) EXPECT_EQ(ring.count({x, y}) == 1, has_outside_neighbour(disc, x, y)) << x << "," << y;
  EXPECT_EQ(t.image.fill_style.style, 0);

  t.device().fill_circle(10, 10, 6);
  EXPECT_EQ(lit(t.image), disc);
  EXPECT_EQ(t.at(10, 10), 0x0000FF00u);
  EXPECT_EQ(t.at(16, 10), 0x00FF0000u);
}

TEST(Ellipse, TouchesEveryEdgeOfItsBoxAndStaysInside) {
  for (const auto& box : {Canvas::RECT32{2, 3, 17, 10}, Canvas::RECT32{1, 1, 10, 10}, Canvas::RECT32{4, 2, 5, 12}}) {
    Target t(20, 15);
    t.device().solid_ellipse(box.left, box.top, box.right, box.bottom);
    const PixelSet pixels = lit(t.image);
    bool left = false, right = false, top = false, bottom = false;
    for (const auto& [x, y] : pixels) {
      EXPECT_TRUE(x >= box.left && x <= box.right && y >= box.top && y <= box.bottom);
      left |= x == box.left;
      right |= x == box.right;
      top |= y == box.top;
      bottom |= y == box.bottom;
    }
    EXPECT_TRUE(left && right && top && bottom) << picture(t.image);
    EXPECT_TRUE(mirror_symmetric(pixels, box.left + box.right, box.top + box.bottom)) << picture(t.image);
  }
}

TEST(Ellipse, ClearFormUsesTheBackgroundAndRestoresTheFill) {
  Target t(12, 12, 0x00445566);
  gfx_set_bk_color(0x0000FF);
  gfx_set_fill_color(0x00FF00);
  t.device().clear_ellipse(1, 1, 10, 10);
  for (const auto& [x, y] : lit(t.image, 0x00445566)) EXPECT_EQ(t.at(x, y), 0x00FF0000u);
  EXPECT_FALSE(lit(t.image, 0x00445566).empty());
  EXPECT_EQ(t.image.fill_color, 0x00FF00u);
}

TEST(ThickEllipse, StrokeIsCentredOnTheCurve) {
  Target t(40, 40);
  gfx_set_line_style(0, 5, nullptr, 0);
  t.device().frame_circle(20, 20, 12);
  const PixelSet ring = lit(t.image);
  for (const auto& [x, y] : ring) {
    const double d = std::hypot(x - 20, y - 20);
    EXPECT_GE(d, 12 - 2.5 - 0.75) << x << "," << y;
    EXPECT_LE(d, 12 + 2.5 + 0.75) << x << "," << y;
  }
  for (int32_t a = 0; a < 360; a += 15) {
    const double r = a * std::numbers::pi / 180;
    const int32_t x = static_cast<int32_t>(std::lround(20 + 12 * std::cos(r)));
    const int32_t y = static_cast<int32_t>(std::lround(20 - 12 * std::sin(r)));
    EXPECT_TRUE(ring.count({x, y})) << a;
  }
  EXPECT_FALSE(ring.count({20, 20}));
}

TEST(RoundRect, CornersAreCutAndEdgesStraight) {
  Target t(20, 14);
  t.device().solid_round_rect(2, 2, 17, 11, 8, 6);
  const PixelSet pixels = lit(t.image);
  EXPECT_FALSE(pixels.count({2, 2}));
  EXPECT_FALSE(pixels.count({17, 11}));
  EXPECT_TRUE(pixels.count({9, 2}));
  EXPECT_TRUE(pixels.count({2, 6}));
  EXPECT_TRUE(pixels.count({17, 6}));
  EXPECT_TRUE(pixels.count({9, 11}));
  for (const auto& [x, y] : pixels) EXPECT_TRUE(x >= 2 && x <= 17 && y >= 2 && y <= 11);
  EXPECT_TRUE(mirror_symmetric(pixels, 19, 13)) << picture(t.image);

  Target framed(20, 14);
  framed.device().frame_round_rect(2, 2, 17, 11, 8, 6);
  for (const auto& [x, y] : lit(framed.image)) EXPECT_TRUE(has_outside_neighbour(pixels, x, y)) << x << "," << y;
}

TEST(Arc, PointsFollowTheBoxAndAngles) {
  Target t(2, 2);
  POINT32 start, end;
  const Canvas::RECT32 box = {0, 0, 21, 11};
  t.device().arc_points(box, 0.0, std::numbers::pi / 2, start, end);
  EXPECT_EQ(start.x, 20);
  EXPECT_EQ(start.y, 5);
  EXPECT_EQ(end.x, 10);
  EXPECT_EQ(end.y, 0);
  t.device().arc_points(box, std::numbers::pi, -std::numbers::pi / 4, start, end);
  EXPECT_EQ(start.x, 0);
  EXPECT_EQ(start.y, 5);
  EXPECT_EQ(end.x, 17);
  EXPECT_EQ(end.y, 9);
}

TEST(Arc, DrawsOnlyTheCounterClockwisePart) {
  Target t(24, 24);
  const Canvas::RECT32 box = {2, 2, 22, 22};
  t.device().draw_arc(box, 0.0, std::numbers::pi / 2);
  const PixelSet pixels = lit(t.image);
  ASSERT_FALSE(pixels.empty());
  for (const auto& [x, y] : pixels) EXPECT_TRUE(x >= 12 && y <= 12) << x << "," << y << picture(t.image);
  EXPECT_TRUE(pixels.count({22, 12}));
}

TEST(Pie, QuarterCoversOneQuadrant) {
  Target t(24, 24);
  const Canvas::RECT32 box = {2, 2, 22, 22};
  t.device().solid_pie(box, 0.0, std::numbers::pi / 2);
  const PixelSet pixels = lit(t.image);
  for (const auto& [x, y] : pixels) EXPECT_TRUE(x >= 12 && y <= 12) << x << "," << y << picture(t.image);
  for (const auto& p : {std::pair{12, 12}, {20, 12}, {12, 4}, {17, 7}}) EXPECT_TRUE(pixels.count(p)) << picture(t.image);

  Target framed(24, 24);
  framed.device().frame_pie(box, 0.0, std::numbers::pi / 2);
  const PixelSet edge = lit(framed.image);
  EXPECT_TRUE(edge.count({16, 12}));  // the radius along the x axis
  EXPECT_TRUE(edge.count({12, 8}));   // the radius up the y axis
  EXPECT_FALSE(edge.count({16, 9}));  // inside
}

TEST(Polygon, SquareMatchesSolidRect) {
  Target t(12, 12);
  const POINT32 square[] = {{2, 3}, {9, 3}, {9, 8}, {2, 8}};
  t.device().solid_polygon(square, 4);
  EXPECT_EQ(lit(t.image), rect_pixels(2, 3, 9, 8)) << picture(t.image);

  Target framed(12, 12);
  framed.device().frame_polygon(square, 4);
  PixelSet outline = rect_pixels(2, 3, 9, 8);
  for (const auto& p : rect_pixels(3, 4, 8, 7)) outline.erase(p);
  EXPECT_EQ(lit(framed.image), outline) << picture(framed.image);
}

TEST(Polygon, AlternateLeavesTheStarsCentreWindingFillsIt) {
  const POINT32 star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  Target alternate(21, 21);
  alternate.device().solid_polygon(star, 5);
  EXPECT_FALSE(lit(alternate.image).count({10, 11})) << picture(alternate.image);
  EXPECT_TRUE(lit(alternate.image).count({10, 4}));

  Target winding(21, 21);
  winding.device().set_poly_fill_mode(FILL_WINDING);
  winding.device().solid_polygon(star, 5);
  EXPECT_TRUE(lit(winding.image).count({10, 11})) << picture(winding.image);
  EXPECT_TRUE(lit(winding.image).count({10, 4}));
}

TEST(Polyline, OpenPathLeavesItsLastPoint) {
  Target t(10, 10);
  const POINT32 points[] = {{1, 1}, {6, 1}, {6, 5}};
  t.device().draw_polyline(points, 3);
  PixelSet expected = rect_pixels(1, 1, 6, 1);
  for (const auto& p : rect_pixels(6, 2, 6, 4)) expected.insert(p);
  EXPECT_EQ(lit(t.image), expected) << picture(t.image);
}

TEST(FloodFill, FillsUpToTheBorderColour) {
  Target t(12, 12);
  gfx_set_line_color(0x0000FF);
  gfx_frame_rect(2, 2, 8, 8);
  gfx_set_fill_color(0x00FF00);
  t.device().flood_fill(5, 5, 0x0000FF);
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 12; ++x) {
      uint32_t want = 0;
      if (x >= 2 && x <= 8 && y >= 2 && y <= 8) want = (x == 2 || x == 8 || y == 2 || y == 8) ? 0x00FF0000 : 0x0000FF00;
      EXPECT_EQ(t.at(x, y), want) << x << "," << y;
    }
  // Starting on the border does nothing.
  t.device().flood_fill(2, 2, 0x0000FF);
  EXPECT_EQ(t.at(0, 0), 0u);
}

}  // namespace
