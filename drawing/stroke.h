#pragma once
// Strokes of paths: thin pens step pixel by pixel; wider pens cover every pixel whose
// centre lies in the union of the segment bodies, the ends and the joins.
//
// Wide shapes use a half-open rule at pixel centres (integer points): a piece covers
// rows top <= y < bottom and, in a row, columns a <= x < b. A stroke of odd width w
// along a line through pixel centres covers exactly w pixels across, centred on it.
#include <cstdint>
#include <vector>

#include "drawing/raster.h"

namespace raster {

struct PointF {
  double x;
  double y;
};

// A union of convex pieces, painted once so that no pixel sees the raster
// operation twice.
class Coverage {
 public:
  // Convex polygon of up to five points.
  void add_polygon(const PointF* points, int32_t count);
  void add_disc(PointF centre, double radius);
  bool empty() const { return pieces_.empty(); }
  void paint(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush) const;

 private:
  struct Piece {
    bool disc = false;
    int32_t count = 0;
    PointF points[5] = {};
    PointF centre = {};
    double radius = 0;
    double top = 0;
    double bottom = 0;
  };
  static bool row_interval(const Piece& piece, double y, double& from, double& to);
  std::vector<Piece> pieces_;
};

// Strokes the path (device coordinates) with the pen. An open path gets the pen's
// ends at its first and last points; a closed one runs back to its first point and
// has joins everywhere. A dash pattern runs on along the whole path.
void stroke_path(IMAGE& image, const ClipBox& clip, int32_t rop, const Pen& pen, const PointF* points,
                 int32_t count, bool closed);

}  // namespace raster
