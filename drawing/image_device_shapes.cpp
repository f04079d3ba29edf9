// DrawOnImg's lines and shapes: each in its frame, fill, solid and clear forms, the
// forms differing only in the style switched around the shared drawing step.
#include <algorithm>
#include <cmath>
#include <vector>

#include "drawing/device_transform.h"
#include "drawing/image_device.h"
#include "drawing/raster.h"
#include "drawing/shapes.h"
#include "drawing/stroke.h"

namespace Canvas {

namespace {

// Fills a closed shape with the brush and outlines it with the pen. Thin continuous
// pens trace the region's own edge pixels; wide or dashed pens stroke the path.
template <class MakePath>
void draw_closed_shape(IMAGE& image, const raster::Region& region, MakePath make_path, bool edge_is_path) {
  if (image.pixels == nullptr) return;
  const raster::ClipBox clip = raster::clip_box(image);
  raster::fill_region(image, clip, image.rop, raster::fill_brush(image), region);
  const raster::Pen pen = raster::pen_of(image, linear_scale(image));
  if (!pen.visible) return;
  if (!edge_is_path && pen.width <= 1 && !pen.dash.dashed()) {
    raster::outline_region(image, clip, image.rop, pen.color, region);
    return;
  }
  std::vector<PointF> path;
  const bool thin = pen.width <= 1;
  make_path(thin, path);
  if (thin && !edge_is_path) raster::trace_pixels(path);
  raster::stroke_path(image, clip, image.rop, pen, path.data(), static_cast<int32_t>(path.size()), true);
}

// Strokes an open path; `make_path(fine, path)` builds it, finely for thin pens (curves).
template <class MakePath>
void stroke_open(IMAGE& image, MakePath make_path, bool curve) {
  if (image.pixels == nullptr) return;
  const raster::Pen pen = raster::pen_of(image, linear_scale(image));
  if (!pen.visible) return;
  const bool thin = pen.width <= 1;
  std::vector<PointF> path;
  make_path(thin, path);
  if (thin && curve) raster::trace_pixels(path);
  raster::stroke_path(image, raster::clip_box(image), image.rop, pen, path.data(), static_cast<int32_t>(path.size()),
                      false);
}

std::vector<PointF> device_points(const IMAGE& image, const POINT32* points, int32_t count) {
  std::vector<PointF> out;
  if (points == nullptr || count <= 0) return out;
  out.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) out.push_back(to_device_pixel(image, points[i].x, points[i].y));
  return out;
}

// The frame forms: the shape with a hollow brush.
template <class Draw>
void without_fill(DrawOnImg& device, IMAGE& image, Draw draw) {
  const int32_t type = image.fill_style.style;
  const int32_t hatch = image.fill_style.hatch;
  const bool switched = type != BS_NULL;
  if (switched) device.set_fill_style(BS_NULL, 0, nullptr);
  draw();
  if (switched) device.set_fill_style(type, hatch, nullptr);
}

// The solid forms: the shape without a pen.
template <class Draw>
void without_pen(DrawOnImg& device, IMAGE& image, Draw draw) {
  const bool switched = image.line_style.style != PS_NULL;
  LINESTYLE saved;
  if (switched) {
    saved = image.line_style;
    device.set_line_style(PS_NULL, 1, nullptr, 0);
  }
  draw();
  if (switched) device.apply_line_style(saved);
}

// The clear forms: the solid form copied in bk_color.
template <class Draw>
void in_background(DrawOnImg& device, IMAGE& image, Draw draw) {
  const int32_t rop = device.get_rop();
  const COLORREF fill = image.fill_color;
  const int32_t type = image.fill_style.style;
  const int32_t hatch = image.fill_style.hatch;
  const bool rop_switched = rop != ROP2_COPY;
  const bool color_switched = fill != image.bk_color;
  const bool style_switched = type != BS_SOLID;
  if (rop_switched) device.set_rop(ROP2_COPY);
  if (color_switched) device.set_fill_color(image.bk_color);
  if (style_switched) device.set_fill_style(BS_SOLID, 0, nullptr);
  draw();
  if (color_switched) device.set_fill_color(fill);
  if (style_switched) device.set_fill_style(type, hatch, nullptr);
  if (rop_switched) device.set_rop(rop);
}

}  // namespace

void DrawOnImg::draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  IMAGE& image = target();
  if (image.pixels == nullptr) return;
  const raster::Pen pen = raster::pen_of(image, linear_scale(image));
  if (!pen.visible) return;
  const PointF a = to_device(image, x1, y1);
  const PointF b = to_device(image, x2, y2);
  const raster::ClipBox clip = raster::clip_box(image);
  if (pen.width <= 1) {
    // The hot path of the selection outline: no allocation, the pattern starts afresh.
    raster::DashWalker dash(pen.dash);
    raster::thin_line(image, clip, image.rop, pen.color, to_pixel(a.x), to_pixel(a.y), to_pixel(b.x), to_pixel(b.y),
                      pen.dash.dashed() ? &dash : nullptr);
    return;
  }
  if (a.x == b.x && a.y == b.y) return;
  const PointF ends[2] = {a, b};
  raster::stroke_path(image, clip, image.rop, pen, ends, 2, false);
}

void DrawOnImg::draw_lines(const int32_t* ends, int32_t count) {
  IMAGE& image = target();
  if (image.pixels == nullptr || ends == nullptr) return;
  const raster::Pen pen = raster::pen_of(image, linear_scale(image));
  if (!pen.visible) return;
  if (pen.width > 1) {
    for (int32_t k = 0; k < count; ++k, ends += 4) draw_line(ends[0], ends[1], ends[2], ends[3]);
    return;
  }
  const raster::ClipBox clip = raster::clip_box(image);
  for (int32_t k = 0; k < count; ++k, ends += 4) {
    const PointF a = to_device(image, ends[0], ends[1]);
    const PointF b = to_device(image, ends[2], ends[3]);
    // Each line starts the pattern afresh, as draw_line does.
    raster::DashWalker dash(pen.dash);
    raster::thin_line(image, clip, image.rop, pen.color, to_pixel(a.x), to_pixel(a.y), to_pixel(b.x), to_pixel(b.y),
                      pen.dash.dashed() ? &dash : nullptr);
  }
}

void DrawOnImg::line_rel(int32_t dx, int32_t dy) {
  line_to(static_cast<int32_t>(static_cast<int64_t>(target().cur_x) + dx),
          static_cast<int32_t>(static_cast<int64_t>(target().cur_y) + dy));
}

void DrawOnImg::line_to(int32_t x, int32_t y) {
  draw_line(target().cur_x, target().cur_y, x, y);
  move_to(x, y);
}

void DrawOnImg::frame_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  without_fill(*this, target(), [&] { fill_rect(left, top, right, bottom); });
}

void DrawOnImg::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  IMAGE& image = target();
  if (image.pixels == nullptr) return;
  const raster::ClipBox clip = raster::clip_box(image);
  const BoxF box = device_box(image, left, top, right, bottom);
  raster::paint_rect(image, clip, image.rop, raster::fill_brush(image), static_cast<int64_t>(box.left),
                     static_cast<int64_t>(box.top), static_cast<int64_t>(box.right), static_cast<int64_t>(box.bottom));
  const raster::Pen pen = raster::pen_of(image, linear_scale(image));
  if (!pen.visible) return;
  // The outline runs through both corners.
  const PointF corners[4] = {to_device_pixel(image, left, top), to_device_pixel(image, right, top),
                             to_device_pixel(image, right, bottom), to_device_pixel(image, left, bottom)};
  raster::stroke_path(image, clip, image.rop, pen, corners, 4, true);
}

void DrawOnImg::solid_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  without_pen(*this, target(), [&] { fill_rect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)); });
}

void DrawOnImg::clear_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  in_background(*this, target(), [&] { solid_rect(x1, y1, x2, y2); });
}

void DrawOnImg::arc_points(const RECT32& box, double start_angle, double end_angle, POINT32& start, POINT32& end) {
  const int64_t cx = (static_cast<int64_t>(box.left) + box.right) / 2;
  const int64_t cy = (static_cast<int64_t>(box.top) + box.bottom) / 2;
  const int64_t rx = (static_cast<int64_t>(box.right) - box.left) / 2;
  const int64_t ry = (static_cast<int64_t>(box.bottom) - box.top) / 2;
  auto point = [&](double angle) {
    const double x = std::clamp(std::round(cx + std::cos(angle) * rx), -2147483648.0, 2147483647.0);
    const double y = std::clamp(std::round(cy - std::sin(angle) * ry), -2147483648.0, 2147483647.0);
    return POINT32{static_cast<int32_t>(x), static_cast<int32_t>(y)};
  };
  start = point(start_angle);
  end = point(end_angle);
}

void DrawOnImg::frame_circle(int32_t x, int32_t y, int32_t radius) {
  without_fill(*this, target(), [&] { fill_circle(x, y, radius); });
}

void DrawOnImg::fill_circle(int32_t x, int32_t y, int32_t radius) {
  const int64_t r = std::abs(static_cast<int64_t>(radius));
  IMAGE& image = target();
  const PointF a = to_device_pixel(image, x - r, y - r);
  const PointF b = to_device_pixel(image, x + r, y + r);
  const BoxF box = {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  draw_closed_shape(image, raster::EllipseRegion(box), [&](bool fine, std::vector<PointF>& path) { raster::ellipse_path(box, fine, path); },
                    false);
}

void DrawOnImg::solid_circle(int32_t x, int32_t y, int32_t radius) {
  without_pen(*this, target(), [&] { fill_circle(x, y, radius); });
}

void DrawOnImg::clear_circle(int32_t x, int32_t y, int32_t radius) {
  in_background(*this, target(), [&] { solid_circle(x, y, radius); });
}

void DrawOnImg::frame_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  without_fill(*this, target(), [&] { fill_ellipse(left, top, right, bottom); });
}

void DrawOnImg::fill_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  IMAGE& image = target();
  const BoxF box = device_box(image, left, top, right, bottom);
  draw_closed_shape(image, raster::EllipseRegion(box), [&](bool fine, std::vector<PointF>& path) { raster::ellipse_path(box, fine, path); },
                    false);
}

void DrawOnImg::solid_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  without_pen(*this, target(), [&] { fill_ellipse(left, top, right, bottom); });
}

void DrawOnImg::clear_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  in_background(*this, target(), [&] { solid_ellipse(left, top, right, bottom); });
}

void DrawOnImg::frame_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                                 int32_t corner_height) {
  without_fill(*this, target(), [&] { fill_round_rect(left, top, right, bottom, corner_width, corner_height); });
}

void DrawOnImg::fill_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                                int32_t corner_height) {
  IMAGE& image = target();
  const BoxF box = device_box(image, left, top, right, bottom);
  const float* m = image.transform;
  const double cw = std::fabs(corner_width * static_cast<double>(m[0]));
  const double ch = std::fabs(corner_height * static_cast<double>(m[3]));
  draw_closed_shape(image, raster::RoundRectRegion(box, cw, ch),
                    [&](bool fine, std::vector<PointF>& path) { raster::round_rect_path(box, cw, ch, fine, path); }, false);
}

void DrawOnImg::solid_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                                 int32_t corner_height) {
  without_pen(*this, target(), [&] { fill_round_rect(left, top, right, bottom, corner_width, corner_height); });
}

void DrawOnImg::clear_round_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t corner_width,
                                 int32_t corner_height) {
  in_background(*this, target(), [&] { solid_round_rect(left, top, right, bottom, corner_width, corner_height); });
}

void DrawOnImg::draw_arc(const RECT32& box, double start_angle, double end_angle) {
  POINT32 start, end;
  arc_points(box, start_angle, end_angle, start, end);
  IMAGE& image = target();
  const BoxF device = device_box(image, box);
  const PointF from = to_device_pixel(image, start.x, start.y);
  const PointF to = to_device_pixel(image, end.x, end.y);
  stroke_open(image, [&](bool fine, std::vector<PointF>& path) { raster::arc_path(device, from, to, fine, path); },
              true);
}

void DrawOnImg::frame_pie(const RECT32& box, double start_angle, double end_angle) {
  without_fill(*this, target(), [&] { fill_pie(box, start_angle, end_angle); });
}

void DrawOnImg::fill_pie(const RECT32& box, double start_angle, double end_angle) {
  POINT32 start, end;
  arc_points(box, start_angle, end_angle, start, end);
  IMAGE& image = target();
  const BoxF device = device_box(image, box);
  const PointF from = to_device_pixel(image, start.x, start.y);
  const PointF to = to_device_pixel(image, end.x, end.y);
  draw_closed_shape(image, raster::PieRegion(device, from, to),
                    [&](bool fine, std::vector<PointF>& path) {
                      raster::arc_path(device, from, to, fine, path);
                      path.push_back({(device.left + device.right) / 2.0, (device.top + device.bottom) / 2.0});
                    },
                    false);
}

void DrawOnImg::solid_pie(const RECT32& box, double start_angle, double end_angle) {
  without_pen(*this, target(), [&] { fill_pie(box, start_angle, end_angle); });
}

void DrawOnImg::clear_pie(const RECT32& box, double start_angle, double end_angle) {
  in_background(*this, target(), [&] { solid_pie(box, start_angle, end_angle); });
}

void DrawOnImg::draw_polyline(const POINT32* points, int32_t count) {
  IMAGE& image = target();
  if (count < 2) return;
  stroke_open(image, [&](bool, std::vector<PointF>& path) { path = device_points(image, points, count); }, false);
}

void DrawOnImg::frame_polygon(const POINT32* points, int32_t count) {
  without_fill(*this, target(), [&] { fill_polygon(points, count); });
}

void DrawOnImg::fill_polygon(const POINT32* points, int32_t count) {
  IMAGE& image = target();
  const std::vector<PointF> corners = device_points(image, points, count);
  if (corners.empty()) return;
  draw_closed_shape(image, raster::PolygonRegion(corners, image.poly_fill_mode == FILL_WINDING),
                    [&](bool, std::vector<PointF>& path) { path = corners; }, true);
}

void DrawOnImg::solid_polygon(const POINT32* points, int32_t count) {
  without_pen(*this, target(), [&] { fill_polygon(points, count); });
}

void DrawOnImg::clear_polygon(const POINT32* points, int32_t count) {
  in_background(*this, target(), [&] { solid_polygon(points, count); });
}

void DrawOnImg::flood_fill(int32_t x, int32_t y, COLORREF border) {
  IMAGE& image = target();
  if (image.pixels == nullptr) return;
  const PointF p = to_device(image, x, y);
  raster::flood_fill(image, raster::clip_box(image), image.rop, raster::fill_brush(image), to_pixel(p.x), to_pixel(p.y),
                     swap_red_blue(border) & 0xFFFFFFu);
}

}  // namespace Canvas
