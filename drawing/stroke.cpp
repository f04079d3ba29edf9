#include "drawing/stroke.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace raster {

namespace {

constexpr double kCoordLimit = 1.0e12;
// Beyond this ratio of mitre length to pen width a mitre join falls back to a bevel.
constexpr double kMitreLimit = 10.0;

int64_t to_pixel(double v) {
  if (!(v == v)) return 0;
  return static_cast<int64_t>(std::llround(std::clamp(v, -kCoordLimit, kCoordLimit)));
}

double length(PointF a, PointF b) { return std::hypot(b.x - a.x, b.y - a.y); }

// Walks a dash pattern along real lengths (wide pens).
class LengthDash {
 public:
  explicit LengthDash(const DashPattern& pattern) : pattern_(pattern) {
    double sum = 0;
    for (int32_t i = 0; i < pattern_.count; ++i) sum += static_cast<double>(pattern_.lengths[i]) * pattern_.unit;
    if (sum <= 0) pattern_.count = 0;
    if (pattern_.count > 0) enter(0, true);
  }
  bool dashed() const { return pattern_.count > 0; }
  bool on() const { return on_; }
  double left() const { return left_; }
  void use(double amount) {
    left_ -= amount;
    if (left_ <= 1e-9) enter((index_ + 1) % pattern_.count, !on_);
  }

 private:
  void enter(int32_t index, bool on) {
    for (;;) {
      index_ = index;
      on_ = on;
      left_ = static_cast<double>(pattern_.lengths[index]) * pattern_.unit;
      if (left_ > 0) return;
      index = (index + 1) % pattern_.count;
      on = !on;
    }
  }
  DashPattern pattern_;
  int32_t index_ = 0;
  double left_ = 0;
  bool on_ = true;
};

struct WideStroke {
  Coverage& coverage;
  const Pen& pen;
  double half;

  void body(PointF a, PointF b, bool square_start, bool square_end) const {
    const double len = length(a, b);
    if (len <= 0) return;
    const double ux = (b.x - a.x) / len;
    const double uy = (b.y - a.y) / len;
    if (square_start) a = {a.x - ux * half, a.y - uy * half};
    if (square_end) b = {b.x + ux * half, b.y + uy * half};
    const double nx = -uy * half;
    const double ny = ux * half;
    const PointF quad[4] = {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}};
    coverage.add_polygon(quad, 4);
  }

  // A piece of a segment from a to b, with an end of the pen's kind where the piece
  // ends rather than running into a join.
  void piece(PointF a, PointF b, bool end_at_a, bool end_at_b) const {
    const int32_t ends = pen.ends & PS_ENDCAP_MASK;
    body(a, b, end_at_a && ends == PS_ENDCAP_SQUARE, end_at_b && ends == PS_ENDCAP_SQUARE);
    if (ends != PS_ENDCAP_SQUARE && ends != PS_ENDCAP_FLAT) {
      if (end_at_a) coverage.add_disc(a, half);
      if (end_at_b) coverage.add_disc(b, half);
    }
  }

  void join(PointF before, PointF at, PointF after) const {
    const double l1 = length(before, at);
    const double l2 = length(at, after);
    if (l1 <= 0 || l2 <= 0) return;
    const double u1x = (at.x - before.x) / l1, u1y = (at.y - before.y) / l1;
    const double u2x = (after.x - at.x) / l2, u2y = (after.y - at.y) / l2;
    const double cross = u1x * u2y - u1y * u2x;
    const double dot = u1x * u2x + u1y * u2y;
    const int32_t joins = pen.joins & PS_JOIN_MASK;
    if (joins != PS_JOIN_BEVEL && joins != PS_JOIN_MITER) {
      if (std::fabs(cross) > 1e-12 || dot < 0) coverage.add_disc(at, half);
      return;
    }
    if (std::fabs(cross) <= 1e-12) return;
    // Outer normals: on the side away from the turn.
    const double side = cross > 0 ? -1.0 : 1.0;
    const PointF o1 = {-u1y * side, u1x * side};
    const PointF o2 = {-u2y * side, u2x * side};
    const PointF p1 = {at.x + o1.x * half, at.y + o1.y * half};
    const PointF p2 = {at.x + o2.x * half, at.y + o2.y * half};
    const double cos_between = o1.x * o2.x + o1.y * o2.y;
    const double ratio_squared = 2.0 / std::max(1e-12, 1.0 + cos_between);
    if (joins == PS_JOIN_MITER && ratio_squared <= kMitreLimit * kMitreLimit) {
      const double k = half / (1.0 + cos_between);
      const PointF tip = {at.x + (o1.x + o2.x) * k, at.y + (o1.y + o2.y) * k};
      const PointF quad[4] = {at, p1, tip, p2};
      coverage.add_polygon(quad, 4);
    } else {
      const PointF triangle[3] = {at, p1, p2};
      coverage.add_polygon(triangle, 3);
    }
  }

  void dot(PointF at) const {
    if ((pen.joins & PS_JOIN_MASK) == PS_JOIN_ROUND && (pen.ends & PS_ENDCAP_MASK) != PS_ENDCAP_SQUARE) {
      coverage.add_disc(at, half);
      return;
    }
    const PointF square[4] = {
        {at.x - half, at.y - half}, {at.x + half, at.y - half}, {at.x + half, at.y + half}, {at.x - half, at.y + half}};
    coverage.add_polygon(square, 4);
  }
};

void stroke_thin(IMAGE& image, const ClipBox& clip, int32_t rop, const Pen& pen, const PointF* points,
                 int32_t count, bool closed) {
  DashWalker walker(pen.dash);
  DashWalker* dash = pen.dash.dashed() ? &walker : nullptr;
  const int32_t segments = closed ? count : count - 1;
  bool moved = false;
  for (int32_t i = 0; i < segments; ++i) {
    const PointF a = points[i];
    const PointF b = points[(i + 1) % count];
    const int64_t x1 = to_pixel(a.x), y1 = to_pixel(a.y), x2 = to_pixel(b.x), y2 = to_pixel(b.y);
    if (x1 != x2 || y1 != y2) moved = true;
    thin_line(image, clip, rop, pen.color, x1, y1, x2, y2, dash);
  }
  // A closed path that never leaves its point still marks that point.
  if (closed && !moved && count > 0) {
    const int64_t x = to_pixel(points[0].x), y = to_pixel(points[0].y);
    if (clip.contains(x, y)) {
      uint32_t* pixel = image.pixels + static_cast<size_t>(y) * image.width + x;
      *pixel = apply_rop(rop, *pixel, pen.color);
    }
  }
}

}  // namespace

void Coverage::add_polygon(const PointF* points, int32_t count) {
  Piece piece;
  piece.count = std::min<int32_t>(count, 5);
  piece.top = std::numeric_limits<double>::infinity();
  piece.bottom = -std::numeric_limits<double>::infinity();
  for (int32_t i = 0; i < piece.count; ++i) {
    piece.points[i] = points[i];
    piece.top = std::min(piece.top, points[i].y);
    piece.bottom = std::max(piece.bottom, points[i].y);
  }
  if (piece.count >= 3 && piece.bottom > piece.top) pieces_.push_back(piece);
}

void Coverage::add_disc(PointF centre, double radius) {
  if (radius <= 0) return;
  Piece piece;
  piece.disc = true;
  piece.centre = centre;
  piece.radius = radius;
  piece.top = centre.y - radius;
  piece.bottom = centre.y + radius;
  pieces_.push_back(piece);
}

bool Coverage::row_interval(const Piece& piece, double y, double& from, double& to) {
  if (y < piece.top || y >= piece.bottom) return false;
  if (piece.disc) {
    const double dy = y - piece.centre.y;
    const double s = std::sqrt(std::max(0.0, piece.radius * piece.radius - dy * dy));
    from = piece.centre.x - s;
    to = piece.centre.x + s;
    return to > from;
  }
  from = std::numeric_limits<double>::infinity();
  to = -std::numeric_limits<double>::infinity();
  for (int32_t i = 0; i < piece.count; ++i) {
    const PointF a = piece.points[i];
    const PointF b = piece.points[(i + 1) % piece.count];
    if (a.y == b.y) {
      if (a.y == y) {
        from = std::min({from, a.x, b.x});
        to = std::max({to, a.x, b.x});
      }
      continue;
    }
    if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y)) continue;
    const double x = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
    from = std::min(from, x);
    to = std::max(to, x);
  }
  return to > from;
}

void Coverage::paint(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush) const {
  if (pieces_.empty() || clip.empty()) return;
  double top = std::numeric_limits<double>::infinity();
  double bottom = -std::numeric_limits<double>::infinity();
  for (const Piece& piece : pieces_) {
    top = std::min(top, piece.top);
    bottom = std::max(bottom, piece.bottom);
  }
  const int64_t first = std::max<int64_t>(clip.top, static_cast<int64_t>(std::ceil(std::max(top, -kCoordLimit))));
  const int64_t last =
      std::min<int64_t>(clip.bottom, static_cast<int64_t>(std::ceil(std::min(bottom, kCoordLimit))) - 1);
  std::vector<std::pair<double, double>> row;
  for (int64_t y = first; y <= last; ++y) {
    row.clear();
    for (const Piece& piece : pieces_) {
      double from, to;
      if (row_interval(piece, static_cast<double>(y), from, to)) row.emplace_back(from, to);
    }
    if (row.empty()) continue;
    std::sort(row.begin(), row.end());
    double from = row[0].first;
    double to = row[0].second;
    auto flush = [&] {
      const double a = std::clamp(std::ceil(from), -kCoordLimit, kCoordLimit);
      const double b = std::clamp(std::ceil(to) - 1, -kCoordLimit, kCoordLimit);
      if (a <= b) paint_span(image, clip, rop, brush, y, static_cast<int64_t>(a), static_cast<int64_t>(b));
    };
    for (size_t i = 1; i < row.size(); ++i) {
      if (row[i].first <= to) {
        to = std::max(to, row[i].second);
      } else {
        flush();
        from = row[i].first;
        to = row[i].second;
      }
    }
    flush();
  }
}

void stroke_path(IMAGE& image, const ClipBox& clip, int32_t rop, const Pen& pen, const PointF* points,
                 int32_t count, bool closed) {
  if (!pen.visible || count <= 0 || clip.empty() || image.pixels == nullptr) return;
  if (pen.width <= 1) {
    stroke_thin(image, clip, rop, pen, points, count, closed);
    return;
  }

  // Repeated points carry no direction; drop them.
  std::vector<PointF> path;
  path.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const PointF p = {std::clamp(points[i].x, -kCoordLimit, kCoordLimit),
                      std::clamp(points[i].y, -kCoordLimit, kCoordLimit)};
    if (path.empty() || p.x != path.back().x || p.y != path.back().y) path.push_back(p);
  }
  if (closed && path.size() > 1 && path.front().x == path.back().x && path.front().y == path.back().y)
    path.pop_back();

  Coverage coverage;
  const WideStroke wide{coverage, pen, pen.width / 2.0};
  const int32_t n = static_cast<int32_t>(path.size());
  if (n < 2) {
    if (closed) wide.dot(path[0]);
    coverage.paint(image, clip, rop, solid_brush(swap_red_blue(pen.color)));
    return;
  }
  const int32_t segments = closed ? n : n - 1;
  auto joined = [&](int32_t vertex) { return closed || (vertex > 0 && vertex < n - 1); };
  auto add_join = [&](int32_t vertex) {
    wide.join(path[(vertex + n - 1) % n], path[vertex], path[(vertex + 1) % n]);
  };

  LengthDash dash(pen.dash);
  for (int32_t i = 0; i < segments; ++i) {
    const int32_t j = (i + 1) % n;
    const PointF a = path[i];
    const PointF b = path[j];
    if (!dash.dashed()) {
      wide.piece(a, b, !joined(i), !joined(j));
      if (joined(j)) add_join(j);
      continue;
    }
    const double len = length(a, b);
    const double ux = (b.x - a.x) / len;
    const double uy = (b.y - a.y) / len;
    double pos = 0;
    while (pos < len) {
      const double take = std::min(dash.left(), len - pos);
      if (dash.on()) {
        const bool at_start = pos <= 0 && joined(i);
        const bool at_end = pos + take >= len && joined(j);
        const PointF from = {a.x + ux * pos, a.y + uy * pos};
        const PointF to = {a.x + ux * (pos + take), a.y + uy * (pos + take)};
        wide.piece(from, to, !at_start, !at_end);
        if (at_end) add_join(j);
      }
      pos += take;
      dash.use(take);
    }
  }
  coverage.paint(image, clip, rop, solid_brush(swap_red_blue(pen.color)));
}

}  // namespace raster
