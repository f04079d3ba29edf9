#include "drawing/text_layout.h"

#include <string>
#include <unordered_map>

#include "drawing/text_faces.h"
#include "platform/gbk.h"

namespace {

// The panel redraws the same few texts over and over; converting each once is enough.
const std::u32string& to_utf32(std::string_view gbk) {
  static std::unordered_map<std::string, std::u32string> converted;
  auto found = converted.find(std::string(gbk));
  if (found != converted.end()) return found->second;
  constexpr size_t kMaxConverted = 512;
  if (converted.size() >= kMaxConverted) converted.clear();
  return converted.emplace(std::string(gbk), platform::gbk_to_utf32(gbk)).first->second;
}

}  // namespace

bool font_is_antialiased(const FONTDESC& font) {
  return font.quality >= ANTIALIASED_QUALITY && font.quality <= CLEARTYPE_NATURAL_QUALITY;
}

TextLine lay_out_text(const FONTDESC& font, std::string_view gbk) {
  TextLine line;
  const ResolvedFont& resolved = resolve_font(font);
  line.antialiased = font_is_antialiased(font);
  line.metrics = resolved.metrics;
  line.ascent = resolved.metrics.ascent;
  line.cell_height = resolved.metrics.ascent + resolved.metrics.descent;
  if (resolved.faces.empty()) {
    line.cell_height = face_size(font).height;
    line.ascent = line.cell_height;
    return line;
  }
  const std::u32string& codes = to_utf32(gbk);
  line.glyphs.reserve(codes.size());
  int32_t pen = 0;
  for (char32_t code : codes) {
    PlacedGlyph placed{code, pen, resolved.faces.front().get(), 0};
    for (const auto& face : resolved.faces) {
      const uint32_t index = face->glyph_index(code);
      if (index != 0) {
        placed.face = face.get();
        placed.glyph_index = index;
        break;
      }
    }
    line.glyphs.push_back(placed);
    pen += placed.face->glyph(code, line.antialiased).advance;
  }
  line.width = pen;
  return line;
}
