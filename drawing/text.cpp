// Text on our own raster: GBK bytes converted to Unicode, glyphs from FreeType,
// blended into the target's pixel buffer.
#include "drawing/text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "drawing/text_layout.h"

namespace {

// The part of the target drawing may touch.
PixelBox clip_box(const IMAGE& target) {
  PixelBox box{0, 0, target.width - 1, target.height - 1};
  if (target.clip_on) {
    box.left = std::max(box.left, target.clip_left);
    box.top = std::max(box.top, target.clip_top);
    box.right = std::min(box.right, target.clip_right);
    box.bottom = std::min(box.bottom, target.clip_bottom);
  }
  return box;
}

// Fills width x height pixels from (x, y), kept inside the clip box. 64-bit edges so
// texts placed far outside the image cannot overflow.
void fill_box(IMAGE& target, const PixelBox& clip, int64_t x, int64_t y, int64_t width, int64_t height,
              uint32_t pixel) {
  const int64_t left = std::max<int64_t>(x, clip.left);
  const int64_t top = std::max<int64_t>(y, clip.top);
  const int64_t right = std::min<int64_t>(x + width - 1, clip.right);
  const int64_t bottom = std::min<int64_t>(y + height - 1, clip.bottom);
  if (left > right) return;
  for (int64_t row = top; row <= bottom; ++row) {
    uint32_t* line = target.pixels + row * target.width;
    std::fill(line + left, line + right + 1, pixel);
  }
}

// A transformed coordinate as a whole pixel, kept far enough from the int64 limits
// that adding glyph offsets cannot overflow; NaN lands off the image too.
int64_t to_pixel(double v) {
  constexpr double kFar = 1e15;
  if (!(v > -kFar)) return static_cast<int64_t>(-kFar);
  if (v > kFar) return static_cast<int64_t>(kFar);
  return std::llround(v);
}

uint32_t blend(uint32_t under, uint32_t over, uint32_t alpha) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t a = (over >> shift) & 0xFF;
    const uint32_t b = (under >> shift) & 0xFF;
    out |= ((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
  }
  return out;
}

void put_glyph(IMAGE& target, const PixelBox& clip, int64_t x, int64_t y, const platform::GlyphMask& mask,
               uint32_t pixel) {
  const int64_t first_row = std::max<int64_t>(0, clip.top - y);
  const int64_t last_row = std::min<int64_t>(mask.height - 1, clip.bottom - y);
  const int64_t first_col = std::max<int64_t>(0, clip.left - x);
  const int64_t last_col = std::min<int64_t>(mask.width - 1, clip.right - x);
  for (int64_t row = first_row; row <= last_row; ++row) {
    const uint8_t* coverage = mask.coverage.data() + row * mask.width;
    uint32_t* line = target.pixels + (y + row) * target.width;
    for (int64_t col = first_col; col <= last_col; ++col) {
      const uint8_t alpha = coverage[col];
      uint32_t& out = line[x + col];
      if (alpha == 255) {
        out = pixel;
      } else if (alpha != 0) {
        out = blend(out, pixel, alpha);
      }
    }
  }
}

}  // namespace

void draw_text_on_image(IMAGE& target, int32_t x, int32_t y, const char* text) {
  if (text == nullptr || target.pixels == nullptr) return;
  const PixelBox clip = clip_box(target);
  if (clip.empty()) return;
  const TextLine line = lay_out_text(target.font, std::string_view(text));

  // The cell's top-left corner goes through the world transform; glyphs keep their size.
  const float* t = target.transform;
  const int64_t left = to_pixel(static_cast<double>(x) * t[0] + static_cast<double>(y) * t[2] + t[4]);
  const int64_t top = to_pixel(static_cast<double>(x) * t[1] + static_cast<double>(y) * t[3] + t[5]);
  const int64_t baseline = top + line.ascent;

  if (target.bk_mode == BK_OPAQUE) {
    fill_box(target, clip, left, top, line.width, line.cell_height, swap_red_blue(target.bk_color));
  }
  const uint32_t ink = swap_red_blue(target.text_color);
  for (const PlacedGlyph& glyph : line.glyphs) {
    if (glyph.face == nullptr) continue;
    const platform::GlyphMask& mask = glyph.face->glyph(glyph.code, line.antialiased);
    put_glyph(target, clip, left + glyph.x + mask.left, baseline - mask.top, mask, ink);
  }
  const int32_t thickness = line.metrics.underline_thickness;
  if (target.font.underline != 0) {
    fill_box(target, clip, left, baseline + line.metrics.underline_offset, line.width, thickness, ink);
  }
  if (target.font.strike_out != 0) {
    fill_box(target, clip, left, baseline - line.metrics.strike_out_offset, line.width, thickness, ink);
  }
}

int32_t measure_text_width(const FONTDESC& font, const char* text) {
  if (text == nullptr) return 0;
  return lay_out_text(font, std::string_view(text)).width;
}

int32_t measure_text_height(const FONTDESC& font, const char*) {
  return lay_out_text(font, std::string_view()).cell_height;
}
