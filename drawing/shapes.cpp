#include "drawing/shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace raster {

namespace {

constexpr double kEps = 1e-9;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kLimit = 1.0e12;

int64_t first_pixel(double from) { return static_cast<int64_t>(std::ceil(std::clamp(from - kEps, -kLimit, kLimit))); }
int64_t last_pixel(double to) { return static_cast<int64_t>(std::floor(std::clamp(to + kEps, -kLimit, kLimit))); }

void add_span(std::vector<Span>& out, int64_t from, int64_t to) {
  if (from > to) return;
  if (!out.empty() && from <= out.back().to + 1) {
    out.back().to = std::max(out.back().to, to);
    return;
  }
  out.push_back({from, to});
}

void normalise(std::vector<Span>& spans) {
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.from < b.from; });
  std::vector<Span> merged;
  merged.reserve(spans.size());
  for (const Span& s : spans) add_span(merged, s.from, s.to);
  spans.swap(merged);
}

std::vector<Span> intersect(const std::vector<Span>& a, const std::vector<Span>& b) {
  std::vector<Span> out;
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const int64_t from = std::max(a[i].from, b[j].from);
    const int64_t to = std::min(a[i].to, b[j].to);
    if (from <= to) out.push_back({from, to});
    if (a[i].to < b[j].to) ++i; else ++j;
  }
  return out;
}

double normalise_angle(double a) {
  a = std::fmod(a, kTwoPi);
  return a < 0 ? a + kTwoPi : a;
}

int32_t segments_for(double rx, double ry, double sweep, bool fine) {
  const double perimeter = kTwoPi * std::sqrt((rx * rx + ry * ry) / 2.0) * (sweep / kTwoPi);
  return static_cast<int32_t>(std::clamp(std::ceil(perimeter / (fine ? 0.5 : 2.0)), 8.0, fine ? 16384.0 : 4096.0));
}

}  // namespace

EllipseRegion::EllipseRegion(const BoxF& box)
    : cx_((box.left + box.right) / 2.0),
      cy_((box.top + box.bottom) / 2.0),
      rx_((box.right - box.left) / 2.0 + 0.5),
      ry_((box.bottom - box.top) / 2.0 + 0.5) {
  top = first_pixel(box.top);
  bottom = last_pixel(box.bottom);
}

bool EllipseRegion::extent(double y, double& from, double& to) const {
  const double dy = (y - cy_) / ry_;
  if (dy * dy > 1.0 + kEps) return false;
  const double s = rx_ * std::sqrt(std::max(0.0, 1.0 - dy * dy));
  from = cx_ - s;
  to = cx_ + s;
  return true;
}

void EllipseRegion::row(int64_t y, std::vector<Span>& out) const {
  out.clear();
  double from, to;
  if (y < top || y > bottom || !extent(static_cast<double>(y), from, to)) return;
  // A very narrow ellipse centred between two columns still reaches every row of its box.
  if (first_pixel(from) > last_pixel(to)) {
    from = std::floor(cx_);
    to = std::ceil(cx_);
  }
  add_span(out, first_pixel(from), last_pixel(to));
}

RoundRectRegion::RoundRectRegion(const BoxF& box, double corner_width, double corner_height)
    : box_(box),
      a_(std::clamp(corner_width, 0.0, box.right - box.left + 1.0) / 2.0),
      b_(std::clamp(corner_height, 0.0, box.bottom - box.top + 1.0) / 2.0) {
  top = first_pixel(box.top);
  bottom = last_pixel(box.bottom);
}

void RoundRectRegion::row(int64_t y, std::vector<Span>& out) const {
  out.clear();
  if (y < top || y > bottom) return;
  const double fy = static_cast<double>(y);
  // Corner ellipses sit inside the pixel extent of the box (half a pixel beyond the centres).
  const double upper = box_.top - 0.5 + b_;
  const double lower = box_.bottom + 0.5 - b_;
  double s = a_;
  if (b_ > 0 && (fy < upper || fy > lower)) {
    const double dy = (fy < upper ? upper - fy : fy - lower) / b_;
    if (dy > 1.0 + kEps) return;
    s = a_ * std::sqrt(std::max(0.0, 1.0 - dy * dy));
  }
  add_span(out, first_pixel(box_.left - 0.5 + a_ - s), last_pixel(box_.right + 0.5 - a_ + s));
}

PieRegion::PieRegion(const BoxF& box, PointF start, PointF end)
    : ellipse_(box), cx_((box.left + box.right) / 2.0), cy_((box.top + box.bottom) / 2.0) {
  top = ellipse_.top;
  bottom = ellipse_.bottom;
  start_angle_ = normalise_angle(std::atan2(cy_ - start.y, start.x - cx_));
  sweep_ = normalise_angle(std::atan2(cy_ - end.y, end.x - cx_) - start_angle_);
  if (sweep_ <= kEps) sweep_ = kTwoPi;
}

bool PieRegion::inside(double x, double y) const {
  const double vx = x - cx_;
  const double vy = cy_ - y;
  if (std::fabs(vx) < kEps && std::fabs(vy) < kEps) return true;
  return normalise_angle(std::atan2(vy, vx) - start_angle_) <= sweep_ + kEps;
}

void PieRegion::row(int64_t y, std::vector<Span>& out) const {
  out.clear();
  const double fy = static_cast<double>(y);
  double from, to;
  if (y < top || y > bottom || !ellipse_.extent(fy, from, to)) return;
  // The two rays cross the row at most once each; between crossings membership is fixed.
  double cuts[4] = {from, to, 0, 0};
  int32_t count = 2;
  for (double angle : {start_angle_, start_angle_ + sweep_}) {
    const double c = std::cos(angle), s = std::sin(angle);
    if (std::fabs(s) < kEps) {
      if (std::fabs(fy - cy_) < kEps) cuts[count++] = cx_;
      continue;
    }
    const double t = (cy_ - fy) / s;
    if (t >= 0) cuts[count++] = cx_ + t * c;
  }
  for (int32_t i = 1; i < count; ++i)
    for (int32_t j = i; j > 0 && cuts[j - 1] > cuts[j]; --j) std::swap(cuts[j - 1], cuts[j]);
  for (int32_t i = 0; i + 1 < count; ++i) {
    const double a = std::max(cuts[i], from), b = std::min(cuts[i + 1], to);
    if (a > b) continue;
    if (inside((a + b) / 2.0, fy)) add_span(out, first_pixel(a), last_pixel(b));
  }
  // Points on the rays belong to the pie even where the area beside them does not.
  for (int32_t i = 0; i < count; ++i) {
    if (cuts[i] < from || cuts[i] > to) continue;
    const double rounded = std::round(cuts[i]);
    if (std::fabs(rounded - cuts[i]) < kEps && inside(rounded, fy)) out.push_back({(int64_t)rounded, (int64_t)rounded});
  }
  normalise(out);
}

PolygonRegion::PolygonRegion(const std::vector<PointF>& points, bool winding) : points_(points), winding_(winding) {
  double lo = kLimit, hi = -kLimit;
  for (const PointF& p : points_) {
    lo = std::min(lo, p.y);
    hi = std::max(hi, p.y);
  }
  top = first_pixel(lo);
  bottom = last_pixel(hi);
}

void PolygonRegion::row(int64_t y, std::vector<Span>& out) const {
  out.clear();
  if (y < top || y > bottom || points_.size() < 2) return;
  const double fy = static_cast<double>(y);
  struct Crossing {
    double x;
    int32_t direction;
  };
  std::vector<Crossing> crossings;
  std::vector<Span> edges;
  const size_t n = points_.size();
  for (size_t i = 0; i < n; ++i) {
    const PointF a = points_[i];
    const PointF b = points_[(i + 1) % n];
    if (a.y == b.y) {
      if (std::fabs(a.y - fy) < kEps) edges.push_back({first_pixel(std::min(a.x, b.x)), last_pixel(std::max(a.x, b.x))});
      continue;
    }
    const double lo = std::min(a.y, b.y), hi = std::max(a.y, b.y);
    if (fy < lo - kEps || fy > hi + kEps) continue;
    const double x = a.x + (fy - a.y) * (b.x - a.x) / (b.y - a.y);
    // Pixels lying on an edge belong to the polygon.
    const double rounded = std::round(x);
    if (std::fabs(rounded - x) < kEps) edges.push_back({(int64_t)rounded, (int64_t)rounded});
    if (fy >= lo && fy < hi) crossings.push_back({x, b.y > a.y ? 1 : -1});
  }
  std::sort(crossings.begin(), crossings.end(), [](const Crossing& p, const Crossing& q) { return p.x < q.x; });
  int32_t wind = 0;
  for (size_t i = 0; i + 1 < crossings.size(); ++i) {
    wind += winding_ ? crossings[i].direction : 1;
    const bool in = winding_ ? wind != 0 : (wind % 2) != 0;
    if (in) edges.push_back({first_pixel(crossings[i].x), last_pixel(crossings[i + 1].x)});
  }
  out.swap(edges);
  normalise(out);
}

void fill_region(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush, const Region& region) {
  if (clip.empty() || brush.kind == Brush::kNone) return;
  std::vector<Span> spans;
  const int64_t first = std::max<int64_t>(region.top, clip.top);
  const int64_t last = std::min<int64_t>(region.bottom, clip.bottom);
  for (int64_t y = first; y <= last; ++y) {
    region.row(y, spans);
    for (const Span& s : spans) paint_span(image, clip, rop, brush, y, s.from, s.to);
  }
}

void outline_region(IMAGE& image, const ClipBox& clip, int32_t rop, uint32_t color, const Region& region) {
  if (clip.empty()) return;
  Brush pen = solid_brush(swap_red_blue(color));
  std::vector<Span> above, here, below;
  const int64_t first = std::max<int64_t>(region.top, clip.top);
  const int64_t last = std::min<int64_t>(region.bottom, clip.bottom);
  for (int64_t y = first; y <= last; ++y) {
    region.row(y - 1, above);
    region.row(y, here);
    region.row(y + 1, below);
    std::vector<Span> inner;
    for (const Span& s : here)
      if (s.from + 1 <= s.to - 1) inner.push_back({s.from + 1, s.to - 1});
    inner = intersect(intersect(inner, above), below);
    size_t k = 0;
    for (const Span& s : here) {
      int64_t x = s.from;
      while (k < inner.size() && inner[k].to < s.from) ++k;
      while (k < inner.size() && inner[k].from <= s.to) {
        if (inner[k].from > x) paint_span(image, clip, rop, pen, y, x, inner[k].from - 1);
        x = inner[k].to + 1;
        ++k;
      }
      if (x <= s.to) paint_span(image, clip, rop, pen, y, x, s.to);
    }
  }
}

void ellipse_path(const BoxF& box, bool fine, std::vector<PointF>& out) {
  out.clear();
  const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
  const double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
  const int32_t n = segments_for(rx, ry, kTwoPi, fine);
  for (int32_t i = 0; i < n; ++i) {
    const double t = kTwoPi * i / n;
    out.push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
  }
}

void arc_path(const BoxF& box, PointF start, PointF end, bool fine, std::vector<PointF>& out) {
  out.clear();
  const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
  const double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
  // Parametric angles of the points where the rays meet the ellipse.
  const double sx = rx > 0 ? (start.x - cx) / rx : 0, sy = ry > 0 ? (cy - start.y) / ry : 0;
  const double ex = rx > 0 ? (end.x - cx) / rx : 0, ey = ry > 0 ? (cy - end.y) / ry : 0;
  const double from = std::atan2(sy, sx);
  double sweep = normalise_angle(std::atan2(ey, ex) - from);
  if (sweep <= kEps) sweep = kTwoPi;
  const int32_t n = segments_for(rx, ry, sweep, fine);
  for (int32_t i = 0; i <= n; ++i) {
    const double t = from + sweep * i / n;
    out.push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
  }
}

void round_rect_path(const BoxF& box, double corner_width, double corner_height, bool fine,
                     std::vector<PointF>& out) {
  out.clear();
  const double a = std::clamp(corner_width, 0.0, box.right - box.left) / 2.0;
  const double b = std::clamp(corner_height, 0.0, box.bottom - box.top) / 2.0;
  const int32_t n = std::max(2, segments_for(a, b, kTwoPi, fine) / 4);
  const PointF centres[4] = {{box.right - a, box.top + b},
                             {box.right - a, box.bottom - b},
                             {box.left + a, box.bottom - b},
                             {box.left + a, box.top + b}};
  // Clockwise on the screen: top-right, bottom-right, bottom-left, top-left corner.
  for (int32_t corner = 0; corner < 4; ++corner) {
    const double from = std::numbers::pi / 2.0 - corner * std::numbers::pi / 2.0;
    for (int32_t i = 0; i <= n; ++i) {
      const double t = from - (std::numbers::pi / 2.0) * i / n;
      out.push_back({centres[corner].x + a * std::cos(t), centres[corner].y - b * std::sin(t)});
    }
  }
}

void trace_pixels(std::vector<PointF>& path) {
  std::vector<PointF> out;
  out.reserve(path.size());
  auto near = [](PointF a, PointF b) { return std::fabs(a.x - b.x) <= 1 && std::fabs(a.y - b.y) <= 1; };
  for (const PointF& p : path) {
    const PointF q = {std::round(p.x), std::round(p.y)};
    if (!out.empty() && q.x == out.back().x && q.y == out.back().y) continue;
    // A pixel whose two neighbours already touch is a doubled corner.
    while (out.size() >= 2 && near(out[out.size() - 2], q)) out.pop_back();
    out.push_back(q);
  }
  path.swap(out);
}

void flood_fill(IMAGE& image, const ClipBox& clip, int32_t rop, const Brush& brush, int64_t x, int64_t y,
                uint32_t border) {
  if (clip.empty() || !clip.contains(x, y) || brush.kind == Brush::kNone) return;
  border &= 0x00FFFFFFu;
  const int32_t w = clip.right - clip.left + 1;
  const int32_t h = clip.bottom - clip.top + 1;
  auto is_border = [&](int32_t px, int32_t py) {
    return (image.pixels[static_cast<size_t>(py) * image.width + px] & 0x00FFFFFFu) == border;
  };
  if (is_border(static_cast<int32_t>(x), static_cast<int32_t>(y))) return;
  std::vector<uint8_t> mark(static_cast<size_t>(w) * h, 0);
  auto marked = [&](int32_t px, int32_t py) -> uint8_t& {
    return mark[static_cast<size_t>(py - clip.top) * w + (px - clip.left)];
  };
  std::vector<std::pair<int32_t, int32_t>> seeds{{static_cast<int32_t>(x), static_cast<int32_t>(y)}};
  while (!seeds.empty()) {
    auto [sx, sy] = seeds.back();
    seeds.pop_back();
    if (marked(sx, sy) || is_border(sx, sy)) continue;
    int32_t left = sx, right = sx;
    while (left > clip.left && !marked(left - 1, sy) && !is_border(left - 1, sy)) --left;
    while (right < clip.right && !marked(right + 1, sy) && !is_border(right + 1, sy)) ++right;
    for (int32_t px = left; px <= right; ++px) marked(px, sy) = 1;
    for (int32_t ny : {sy - 1, sy + 1}) {
      if (ny < clip.top || ny > clip.bottom) continue;
      bool in_run = false;
      for (int32_t px = left; px <= right; ++px) {
        const bool open = !marked(px, ny) && !is_border(px, ny);
        if (open && !in_run) seeds.emplace_back(px, ny);
        in_run = open;
      }
    }
  }
  for (int32_t py = clip.top; py <= clip.bottom; ++py) {
    int32_t px = clip.left;
    while (px <= clip.right) {
      if (!marked(px, py)) {
        ++px;
        continue;
      }
      const int32_t start = px;
      while (px <= clip.right && marked(px, py)) ++px;
      paint_span(image, clip, rop, brush, py, start, px - 1);
    }
  }
}

}  // namespace raster
