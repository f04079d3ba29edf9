#pragma once
// One line of GBK text laid out in a font: which face draws each character and where.
#include <cstdint>
#include <string_view>
#include <vector>

#include "graphics/image.h"
#include "platform/fonts.h"

struct PlacedGlyph {
  char32_t code = 0;
  int32_t x = 0;  // pen position relative to the cell's left edge
  platform::FontFace* face = nullptr;  // null only when no font is installed
  uint32_t glyph_index = 0;            // 0: no face has the character; it draws as a box
};

struct TextLine {
  std::vector<PlacedGlyph> glyphs;
  int32_t width = 0;  // sum of the advances
  int32_t ascent = 0;
  int32_t cell_height = 0;
  platform::FaceMetrics metrics;
  bool antialiased = false;
};

// ANTIALIASED_QUALITY and the two ClearType qualities draw with grey levels; every
// other quality, the NONANTIALIASED_QUALITY of a reset included, draws plain pixels.
bool font_is_antialiased(const FONTDESC& font);

// Each character takes the first face of the font that has it; characters no face
// has take the first face's missing-glyph box.
TextLine lay_out_text(const FONTDESC& font, std::string_view gbk);
