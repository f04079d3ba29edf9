#include "drawing/image_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "drawing/raster.h"
#include "drawing/shapes.h"
#include "drawing/stroke.h"
#include "drawing/text.h"
#include "graphics/graph_context.h"

namespace Canvas {

namespace {

using raster::BoxF;
using raster::PointF;

constexpr double kCoordLimit = 1.0e12;
constexpr COLORREF kInvalidColor = 0xFFFFFFFFu;

// Text layout flags of text_in_rect (the platform's values).
constexpr uint32_t kTextCenter = 0x1;
constexpr uint32_t kTextRight = 0x2;
constexpr uint32_t kTextVCenter = 0x4;
constexpr uint32_t kTextBottom = 0x8;
constexpr uint32_t kTextSingleLine = 0x20;
constexpr uint32_t kTextNoClip = 0x100;
constexpr uint32_t kTextCalcRect = 0x400;

double clamp_coord(double v) { return v == v ? std::clamp(v, -kCoordLimit, kCoordLimit) : 0.0; }
// Rounds half away from zero, as llround does, without its cost on every line end;
// exact because a clamped coordinate is far below 2^52.
int64_t to_pixel(double v) {
  const double c = clamp_coord(v);
  int64_t whole = static_cast<int64_t>(c);
  const double fraction = c - static_cast<double>(whole);
  if (fraction >= 0.5) {
    ++whole;
  } else if (fraction <= -0.5) {
    --whole;
  }
  return whole;
}

// World to device: x' = x * m11 + y * m21 + dx, y' = x * m12 + y * m22 + dy.
PointF to_device(const IMAGE& image, double x, double y) {
  const float* m = image.transform;
  return {clamp_coord(x * m[0] + y * m[2] + m[4]), clamp_coord(x * m[1] + y * m[3] + m[5])};
}

PointF to_device_pixel(const IMAGE& image, double x, double y) {
  const PointF p = to_device(image, x, y);
  return {static_cast<double>(to_pixel(p.x)), static_cast<double>(to_pixel(p.y))};
}

// How much the transform stretches lengths, for the pen width.
double linear_scale(const IMAGE& image) {
  const float* m = image.transform;
  return std::sqrt(std::fabs(static_cast<double>(m[0]) * m[3] - static_cast<double>(m[1]) * m[2]));
}

BoxF device_box(const IMAGE& image, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const PointF a = to_device_pixel(image, left, top);
  const PointF b = to_device_pixel(image, right, bottom);
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

BoxF device_box(const IMAGE& image, const RECT32& box) {
  return device_box(image, box.left, box.top, box.right, box.bottom);
}

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
  const bool switched = type != 1;
  if (switched) device.set_fill_style(1, 0, nullptr);
  draw();
  if (switched) device.set_fill_style(type, hatch, nullptr);
}

// The solid forms: the shape without a pen.
template <class Draw>
void without_pen(DrawOnImg& device, IMAGE& image, Draw draw) {
  const bool switched = image.line_style.style != 5;
  LINESTYLE saved;
  if (switched) {
    saved = image.line_style;
    device.set_line_style(5, 1, nullptr, 0);
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
  const bool style_switched = type != 0;
  if (rop_switched) device.set_rop(ROP2_COPY);
  if (color_switched) device.set_fill_color(image.bk_color);
  if (style_switched) device.set_fill_style(0, 0, nullptr);
  draw();
  if (color_switched) device.set_fill_color(fill);
  if (style_switched) device.set_fill_style(type, hatch, nullptr);
  if (rop_switched) device.set_rop(rop);
}

void copy_face(char (&to)[32], const char* face) {
  if (face == nullptr) {
    to[0] = '\0';
    return;
  }
  const size_t n = strnlen(face, sizeof(to) - 1);
  std::memcpy(to, face, n);
  to[n] = '\0';
}

// The nine values a font is asked for by; a null face keeps the one in `font`.
void set_font_basics(FONTDESC& font, int32_t height, int32_t width, const char* face, int32_t escapement,
                     int32_t orientation, int32_t weight, bool italic, bool underline, bool strike_out) {
  font.height = height;
  font.width = width;
  if (face != nullptr) copy_face(font.face, face);
  font.escapement = escapement;
  font.orientation = orientation;
  font.weight = weight;
  font.italic = italic;
  font.underline = underline;
  font.strike_out = strike_out;
}

}  // namespace

DrawOnImg::~DrawOnImg() = default;

IMAGE& DrawOnImg::target() {
  // Before any target is chosen, state changes land on a spare image.
  static IMAGE spare;
  IMAGE* image = graph_context().target;
  return image != nullptr ? *image : spare;
}

void DrawOnImg::clear_device() {
  IMAGE& image = target();
  if (image.pixels != nullptr)
    std::fill_n(image.pixels, static_cast<size_t>(image.width) * image.height, swap_red_blue(image.bk_color) & 0xFFFFFFu);
  move_to(0, 0);
}

COLORREF DrawOnImg::get_line_color() { return target().line_color; }

void DrawOnImg::set_line_color(COLORREF color) {
  target().line_color = color;
  apply_line_style(target().line_style);
}

COLORREF DrawOnImg::get_text_color() { return target().text_color; }
void DrawOnImg::set_text_color(COLORREF color) { target().text_color = color; }
COLORREF DrawOnImg::get_bk_color() { return target().bk_color; }
void DrawOnImg::set_bk_color(COLORREF color) { target().bk_color = color; }
int32_t DrawOnImg::get_bk_mode() { return target().bk_mode; }
void DrawOnImg::set_bk_mode(int32_t mode) { target().bk_mode = mode; }

void DrawOnImg::set_origin(int32_t x, int32_t y) {
  target().transform[4] = static_cast<float>(x);
  target().transform[5] = static_cast<float>(y);
}

void DrawOnImg::set_clip_region(const RECT32* region) {
  IMAGE& image = target();
  if (region == nullptr) {
    image.clip_on = false;
    return;
  }
  image.clip_on = true;
  image.clip_left = std::min(region->left, region->right);
  image.clip_right = std::max(region->left, region->right);
  image.clip_top = std::min(region->top, region->bottom);
  image.clip_bottom = std::max(region->top, region->bottom);
}

void DrawOnImg::clear_clip_region() {
  IMAGE& image = target();
  if (!image.clip_on) {
    clear_device();
    return;
  }
  if (image.pixels == nullptr) return;
  raster::paint_rect(image, raster::clip_box(image), ROP2_COPY, raster::solid_brush(image.bk_color), image.clip_left,
                     image.clip_top, image.clip_right, image.clip_bottom);
}

void DrawOnImg::get_line_style(LINESTYLE& out) { out = target().line_style; }

void DrawOnImg::set_line_style(int32_t style, int32_t thickness, const uint32_t* pattern, uint32_t count) {
  LINESTYLE line;
  line.style = style;
  line.thickness = thickness;
  if ((style & 0xF) == 7 && pattern != nullptr && count > 0) {
    const int32_t n = static_cast<int32_t>(std::min<uint32_t>(count, 0x7FFFFFFF));
    line.pattern = new uint32_t[n];
    std::memcpy(line.pattern, pattern, sizeof(uint32_t) * n);
    line.count = n;
  }
  apply_line_style(line);
}

void DrawOnImg::apply_line_style(const LINESTYLE& style) { target().line_style = style; }

void DrawOnImg::get_fill_style(FILLSTYLE& out) { out = target().fill_style; }

void DrawOnImg::set_fill_style(int32_t type, int32_t hatch, const IMAGE* pattern) {
  FILLSTYLE& fill = target().fill_style;
  fill.style = type;
  if (type == 2) fill.hatch = hatch;
  if ((type == 3 || type == 5) && pattern != nullptr && pattern != fill.pattern) {
    if (fill.pattern == nullptr) fill.pattern = new IMAGE();
    *fill.pattern = *pattern;
  }
  apply_fill_style(fill);
}

void DrawOnImg::set_fill_pattern(const uint8_t pattern[8]) {
  if (pattern == nullptr) return;
  IMAGE tile(8, 8);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) tile.pixels[y * 8 + x] = (pattern[y] >> (7 - x)) & 1 ? 0xFFFFFFu : 0u;
  set_fill_style(3, 0, &tile);
}

void DrawOnImg::apply_fill_style(const FILLSTYLE& style) { target().fill_style = style; }

COLORREF DrawOnImg::get_fill_color() { return target().fill_color; }

void DrawOnImg::set_fill_color(COLORREF color) {
  IMAGE& image = target();
  image.fill_color = color;
  if (image.fill_style.style == 2) apply_fill_style(image.fill_style);
}

void DrawOnImg::get_aspect(float& x_scale, float& y_scale) {
  x_scale = target().transform[0];
  y_scale = target().transform[3];
}

void DrawOnImg::set_aspect(float x_scale, float y_scale) {
  target().transform[0] = x_scale;
  target().transform[3] = y_scale;
}

int32_t DrawOnImg::get_rop() { return target().rop; }
void DrawOnImg::set_rop(int32_t rop) { target().rop = rop; }
int32_t DrawOnImg::get_poly_fill_mode() { return target().poly_fill_mode; }
void DrawOnImg::set_poly_fill_mode(int32_t mode) { target().poly_fill_mode = mode; }
void DrawOnImg::reset_device_state() { target().reset_state(); }

COLORREF DrawOnImg::get_pixel(int32_t x, int32_t y) {
  IMAGE& image = target();
  const PointF p = to_device(image, x, y);
  const int64_t px = to_pixel(p.x), py = to_pixel(p.y);
  if (!raster::clip_box(image).contains(px, py)) return kInvalidColor;
  return swap_red_blue(image.pixels[static_cast<size_t>(py) * image.width + px] & 0xFFFFFFu);
}

void DrawOnImg::put_pixel(int32_t x, int32_t y, COLORREF color) {
  IMAGE& image = target();
  const PointF p = to_device(image, x, y);
  const int64_t px = to_pixel(p.x), py = to_pixel(p.y);
  if (!raster::clip_box(image).contains(px, py)) return;
  image.pixels[static_cast<size_t>(py) * image.width + px] = swap_red_blue(color) & 0xFFFFFFu;
}

void DrawOnImg::move_to(int32_t x, int32_t y) {
  target().cur_x = x;
  target().cur_y = y;
}

void DrawOnImg::move_rel(int32_t dx, int32_t dy) {
  move_to(static_cast<int32_t>(static_cast<int64_t>(target().cur_x) + dx),
          static_cast<int32_t>(static_cast<int64_t>(target().cur_y) + dy));
}

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

void DrawOnImg::draw_text(const char* text) {
  if (text == nullptr) return;
  IMAGE& image = target();
  text_at(image.cur_x, image.cur_y, text);
  image.cur_x = static_cast<int32_t>(static_cast<int64_t>(image.cur_x) + text_width(text));
}

void DrawOnImg::text_at(int32_t x, int32_t y, const char* text) {
  if (text == nullptr) return;
  draw_text_on_image(target(), x, y, text);
}

// Lays the text out in the rectangle (right and bottom exclusive, as the platform's
// text layout takes them): lines split at '\n' unless single-line, aligned by the
// flags, clipped to the rectangle unless told not to. Returns the text's height.
int32_t DrawOnImg::text_in_rect(const char* text, RECT32& rect, uint32_t format) {
  if (text == nullptr) return 0;
  std::vector<std::string> lines;
  if (format & kTextSingleLine) {
    lines.emplace_back(text);
  } else {
    const char* start = text;
    for (const char* p = text;; ++p) {
      if (*p == '\n' || *p == '\0') {
        std::string line(start, p);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (*p == '\0') break;
        start = p + 1;
      }
    }
  }
  int64_t total = 0;
  int32_t widest = 0;
  std::vector<int32_t> heights;
  for (const std::string& line : lines) {
    heights.push_back(text_height(line.c_str()));
    widest = std::max(widest, text_width(line.c_str()));
    total += heights.back();
  }
  if (format & kTextCalcRect) {
    rect.right = static_cast<int32_t>(rect.left + static_cast<int64_t>(widest));
    rect.bottom = static_cast<int32_t>(rect.top + total);
    return static_cast<int32_t>(total);
  }
  IMAGE& image = target();
  const bool clip_was_on = image.clip_on;
  const int32_t saved[4] = {image.clip_left, image.clip_top, image.clip_right, image.clip_bottom};
  if (!(format & kTextNoClip)) {
    const BoxF box = device_box(image, rect.left, rect.top, rect.right, rect.bottom);
    int64_t l = static_cast<int64_t>(box.left), t = static_cast<int64_t>(box.top);
    int64_t r = static_cast<int64_t>(box.right) - 1, b = static_cast<int64_t>(box.bottom) - 1;
    if (clip_was_on) {
      l = std::max<int64_t>(l, std::min(saved[0], saved[2]));
      t = std::max<int64_t>(t, std::min(saved[1], saved[3]));
      r = std::min<int64_t>(r, std::max(saved[0], saved[2]));
      b = std::min<int64_t>(b, std::max(saved[1], saved[3]));
    }
    if (l > r || t > b) return static_cast<int32_t>(total);
    image.clip_on = true;
    image.clip_left = static_cast<int32_t>(std::clamp<int64_t>(l, INT32_MIN, INT32_MAX));
    image.clip_top = static_cast<int32_t>(std::clamp<int64_t>(t, INT32_MIN, INT32_MAX));
    image.clip_right = static_cast<int32_t>(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
    image.clip_bottom = static_cast<int32_t>(std::clamp<int64_t>(b, INT32_MIN, INT32_MAX));
  }
  int64_t y = rect.top;
  if (format & kTextSingleLine) {
    if (format & kTextVCenter) y = rect.top + (static_cast<int64_t>(rect.bottom) - rect.top - total) / 2;
    else if (format & kTextBottom) y = rect.bottom - total;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    const int64_t width = text_width(lines[i].c_str());
    int64_t x = rect.left;
    if (format & kTextCenter) x = rect.left + (static_cast<int64_t>(rect.right) - rect.left - width) / 2;
    else if (format & kTextRight) x = rect.right - width;
    text_at(static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
            static_cast<int32_t>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)), lines[i].c_str());
    y += heights[i];
  }
  image.clip_on = clip_was_on;
  image.clip_left = saved[0];
  image.clip_top = saved[1];
  image.clip_right = saved[2];
  image.clip_bottom = saved[3];
  return static_cast<int32_t>(total);
}

int32_t DrawOnImg::text_width(const char* text) {
  return text == nullptr ? 0 : measure_text_width(target().font, text);
}

int32_t DrawOnImg::text_height(const char* text) {
  return text == nullptr ? 0 : measure_text_height(target().font, text);
}

void DrawOnImg::set_font_desc(const FONTDESC& font) { target().font = font; }

void DrawOnImg::set_font_full(int32_t height, int32_t width, const char* face, int32_t escapement,
                              int32_t orientation, int32_t weight, bool italic, bool underline, bool strike_out,
                              uint8_t char_set, uint8_t out_precision, uint8_t clip_precision, uint8_t quality,
                              uint8_t pitch_and_family) {
  FONTDESC font;
  set_font_basics(font, height, width, face, escapement, orientation, weight, italic, underline, strike_out);
  if (face == nullptr) font.face[0] = '\0';
  font.char_set = char_set;
  font.out_precision = out_precision;
  font.clip_precision = clip_precision;
  font.quality = quality;
  font.pitch_and_family = pitch_and_family;
  set_font_desc(font);
}

void DrawOnImg::set_font_ex(int32_t height, int32_t width, const char* face, int32_t escapement,
                            int32_t orientation, int32_t weight, bool italic, bool underline, bool strike_out) {
  FONTDESC font;
  get_font_desc(font);
  set_font_basics(font, height, width, face, escapement, orientation, weight, italic, underline, strike_out);
  set_font_desc(font);
}

void DrawOnImg::set_font(int32_t height, int32_t width, const char* face) {
  FONTDESC font;
  get_font_desc(font);
  font.height = height;
  font.width = width;
  if (face != nullptr) copy_face(font.face, face);
  set_font_desc(font);
}

void DrawOnImg::get_font_desc(FONTDESC& out) { out = target().font; }
int32_t DrawOnImg::target_width() { return target().width; }
int32_t DrawOnImg::target_height() { return target().height; }
int32_t DrawOnImg::get_x() { return target().cur_x; }
int32_t DrawOnImg::get_y() { return target().cur_y; }

}  // namespace Canvas
