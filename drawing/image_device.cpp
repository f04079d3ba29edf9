// DrawOnImg's state: the target, its colours, modes, origin, clipping, styles,
// raster operation and font description, its pixels one at a time and the current
// position. Lines and shapes are in image_device_shapes.cpp, text in
// image_device_text.cpp.
#include "drawing/image_device.h"

#include <algorithm>
#include <cstring>

#include "drawing/device_transform.h"
#include "drawing/raster.h"
#include "graphics/graph_context.h"

namespace Canvas {

namespace {

// What get_pixel answers outside the image or the clip region.
constexpr COLORREF kInvalidColor = 0xFFFFFFFFu;

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
  if ((style & PS_STYLE_MASK) == PS_USERSTYLE && pattern != nullptr && count > 0) {
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
  if (type == BS_HATCHED) fill.hatch = hatch;
  if ((type == BS_PATTERN || type == BS_DIBPATTERN) && pattern != nullptr && pattern != fill.pattern) {
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
  set_fill_style(BS_PATTERN, 0, &tile);
}

void DrawOnImg::apply_fill_style(const FILLSTYLE& style) { target().fill_style = style; }

COLORREF DrawOnImg::get_fill_color() { return target().fill_color; }

void DrawOnImg::set_fill_color(COLORREF color) {
  IMAGE& image = target();
  image.fill_color = color;
  if (image.fill_style.style == BS_HATCHED) apply_fill_style(image.fill_style);
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

int32_t DrawOnImg::target_width() { return target().width; }
int32_t DrawOnImg::target_height() { return target().height; }
int32_t DrawOnImg::get_x() { return target().cur_x; }
int32_t DrawOnImg::get_y() { return target().cur_y; }

}  // namespace Canvas
