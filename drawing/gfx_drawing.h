#pragma once
// The drawing operations the program calls. Each forwards to the operation of the
// same name (without the gfx_ prefix; gfx_line to draw_line) of the current device.
// Styles, modes and flags take the words of graphics/drawing_styles.h.
#include <cstdint>

#include "graphics/drawing_styles.h"
#include "graphics/image.h"

void gfx_set_line_color(COLORREF color);
void gfx_set_text_color(COLORREF color);
void gfx_set_bk_color(COLORREF color);
void gfx_set_bk_mode(int32_t mode);
void gfx_set_fill_color(COLORREF color);
// `style`: a PS_ kind OR-ed with PS_ENDCAP_ and PS_JOIN_ bits.
void gfx_set_line_style(int32_t style, int32_t thickness, const uint32_t* pattern, uint32_t count);
// `type`: BS_; `hatch`: HS_, read for BS_HATCHED only.
void gfx_set_fill_style(int32_t type, int32_t hatch, const IMAGE* pattern);
void gfx_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// `count` lines given as x1, y1, x2, y2 each, every one as gfx_line draws it.
void gfx_lines(const int32_t* ends, int32_t count);
void gfx_move_to(int32_t x, int32_t y);
void gfx_line_to(int32_t x, int32_t y);
void gfx_put_pixel(int32_t x, int32_t y, COLORREF color);
COLORREF gfx_get_pixel(int32_t x, int32_t y);
void gfx_frame_rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
void gfx_solid_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void gfx_clear_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void gfx_text_at(int32_t x, int32_t y, const char* text);
void gfx_set_font(int32_t height, int32_t width, const char* face);
int32_t gfx_text_width(const char* text);
int32_t gfx_text_height(const char* text);
