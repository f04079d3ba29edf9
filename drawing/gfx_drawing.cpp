#include "drawing/gfx_drawing.h"

#include "drawing/image_device.h"
#include "graphics/graph_context.h"

namespace {

// The current device, or null before any target has been chosen.
Canvas::DrawOnImg* device() { return graph_context().device; }

}  // namespace

void gfx_set_line_color(COLORREF color) {
  if (auto* d = device()) d->set_line_color(color);
}

void gfx_set_text_color(COLORREF color) {
  if (auto* d = device()) d->set_text_color(color);
}

void gfx_set_bk_color(COLORREF color) {
  if (auto* d = device()) d->set_bk_color(color);
}

void gfx_set_bk_mode(int32_t mode) {
  if (auto* d = device()) d->set_bk_mode(mode);
}

void gfx_set_fill_color(COLORREF color) {
  if (auto* d = device()) d->set_fill_color(color);
}

void gfx_set_line_style(int32_t style, int32_t thickness, const uint32_t* pattern, uint32_t count) {
  if (auto* d = device()) d->set_line_style(style, thickness, pattern, count);
}

void gfx_set_fill_style(int32_t type, int32_t hatch, const IMAGE* pattern) {
  if (auto* d = device()) d->set_fill_style(type, hatch, pattern);
}

void gfx_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (auto* d = device()) d->draw_line(x1, y1, x2, y2);
}

void gfx_lines(const int32_t* ends, int32_t count) {
  if (auto* d = device()) d->draw_lines(ends, count);
}

void gfx_move_to(int32_t x, int32_t y) {
  if (auto* d = device()) d->move_to(x, y);
}

void gfx_line_to(int32_t x, int32_t y) {
  if (auto* d = device()) d->line_to(x, y);
}

void gfx_put_pixel(int32_t x, int32_t y, COLORREF color) {
  if (auto* d = device()) d->put_pixel(x, y, color);
}

COLORREF gfx_get_pixel(int32_t x, int32_t y) {
  auto* d = device();
  return d != nullptr ? d->get_pixel(x, y) : 0xFFFFFFFFu;
}

void gfx_frame_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (auto* d = device()) d->frame_rect(left, top, right, bottom);
}

void gfx_solid_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (auto* d = device()) d->solid_rect(x1, y1, x2, y2);
}

void gfx_clear_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (auto* d = device()) d->clear_rect(x1, y1, x2, y2);
}

void gfx_text_at(int32_t x, int32_t y, const char* text) {
  if (auto* d = device()) d->text_at(x, y, text);
}

void gfx_set_font(int32_t height, int32_t width, const char* face) {
  if (auto* d = device()) d->set_font(height, width, face);
}

int32_t gfx_text_width(const char* text) {
  auto* d = device();
  return d != nullptr ? d->text_width(text) : 0;
}

int32_t gfx_text_height(const char* text) {
  auto* d = device();
  return d != nullptr ? d->text_height(text) : 0;
}
