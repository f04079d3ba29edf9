#pragma once
// Filled shapes as closed regions given row by row, their thin outlines, curve paths
// for wide or dashed outlines, and flood fill. Device coordinates throughout.
//
// A region holds every pixel whose centre lies inside or on the shape, so a filled
// box from (l, t) to (r, b) includes both corners, like a solid rectangle. Ellipses
// in such a box reach the pixels of all four sides.
#include <cstdint>
#include <vector>

#include "drawing/raster.h"
#include "drawing/stroke.h"

namespace raster {

// Inclusive run of pixels in one row.
struct Span {
  int64_t from;
  int64_t to;
};

class Region {
 public:
  virtual ~Region() = default;
  // The sorted, disjoint spans of row y.
  virtual void row(int64_t y, std::vector<Span>& out) const = 0;
  int64_t top = 0;
  int64_t bottom = -1;
};

// A box in device pixels, inclusive, normalised (left <= right, top <= bottom).
struct BoxF {
  double left;
  double top;
  double right;
  double bottom;
};

class EllipseRegion : public Region {
 public:
  explicit EllipseRegion(const BoxF& box);
  void row(int64_t y, std::vector<Span>& out) const override;
  // Real extent of row y, false when the row misses the ellipse.
  bool extent(double y, double& from, double& to) const;

 private:
  double cx_, cy_, rx_, ry_;
};

class RoundRectRegion : public Region {
 public:
  RoundRectRegion(const BoxF& box, double corner_width, double corner_height);
  void row(int64_t y, std::vector<Span>& out) const override;

 private:
  BoxF box_;
  double a_, b_;
};

// The part of an ellipse from the ray through `start` counter-clockwise (as seen on
// the screen) to the ray through `end`; the same two points give the whole ellipse.
class PieRegion : public Region {
 public:
  PieRegion(const BoxF& box, PointF start, PointF end);
  void row(int64_t y, std::vector<Span>& out) const override;

 private:
  bool inside(double x, double y) const;
  EllipseRegion ellipse_;
  double cx_, cy_, start_angle_, sweep_;
};

class PolygonRegion : public Region {
 public:
  // `winding` picks the non-zero rule, otherwise alternate (even-odd).
  PolygonRegion(const std::vector<PointF>& points, bool winding);
  void row(int64_t y, std::vector<Span>& out) const override;

 private:
  std::vector<PointF> points_;
  bool winding_;
};

void fill_region(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush, const Region& region);
// The thin outline of a region: its pixels with a side neighbour outside it.
void outline_region(IMAGE& image, const ClipBox& clip, int32_t rop, uint32_t color, const Region& region);

// Curve paths. `fine` paths step about half a pixel, for tracing with thin pens;
// the others step about two pixels, for wide strokes.
// Closed path along the ellipse inscribed in the box (through the box's edge centres).
void ellipse_path(const BoxF& box, bool fine, std::vector<PointF>& out);
// Counter-clockwise (on the screen) elliptic arc from the ray through `start` to the
// ray through `end`.
void arc_path(const BoxF& box, PointF start, PointF end, bool fine, std::vector<PointF>& out);
void round_rect_path(const BoxF& box, double corner_width, double corner_height, bool fine, std::vector<PointF>& out);
// Turns a fine curve path into whole pixels that step to a side or diagonal
// neighbour each time, without doubled corners, so a thin pen traces it pixel by pixel.
void trace_pixels(std::vector<PointF>& path);

// Fills the 4-connected area around (x, y) bounded by pixels of `border` (a pixel
// word) and by the clip box.
void flood_fill(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush, int64_t x, int64_t y,
                uint32_t border);

}  // namespace raster
