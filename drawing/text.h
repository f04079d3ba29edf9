#pragma once
// Text on our own raster: GBK byte strings drawn with the image's current font.
#include <cstdint>

#include "graphics/image.h"

// Draws `text` with the top-left corner of its cell at (x, y) in the target's
// text_color; in opaque mode the cell (text width by cell height) is painted in
// bk_color first. The current position does not move.
void draw_text_on_image(IMAGE& target, int32_t x, int32_t y, const char* text);
int32_t measure_text_width(const FONTDESC& font, const char* text);
int32_t measure_text_height(const FONTDESC& font, const char* text);
