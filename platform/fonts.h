#pragma once
// Fonts through the platform: installed faces are found by family name, opened at a
// pixel size and their glyphs rasterised into coverage masks (fontconfig and FreeType
// on Linux, GDI on Windows). Nothing here knows GBK or the drawing state; callers
// hand in UTF-8 family names and UTF-32 characters.
// Not thread-safe: all text drawing happens on one thread at a time.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A font file and the index of the face inside it (collections hold several). GDI
// names faces rather than files: on Windows the path is the family name, index 0.
struct FontFile {
  std::string path;
  int32_t index = 0;

  bool empty() const { return path.empty(); }
  bool operator==(const FontFile&) const = default;
};

// Family names to try in order; the first one installed wins. When none is,
// `generic` ("sans-serif", "serif") is matched among faces covering `lang`
// ("zh-cn"; empty = any language).
struct FontQuery {
  std::vector<std::string> families;
  std::string generic = "sans-serif";
  std::string lang;
};

// Asks fontconfig; an empty FontFile when nothing at all is installed.
FontFile find_font_file(const FontQuery& query);
// The family name fontconfig reports for a file's face ("" when unreadable).
std::string font_family_name(const FontFile& file);

// How a requested pixel height is read.
enum class HeightMode {
  cell,  // ascent plus descent of the cell (the face's Windows ascent and descent)
  em,    // the em square, the character height
};

// A face's em square and Windows ascent and descent, in its own font units.
struct FaceProportions {
  int32_t units_per_em = 0;  // 0 = not given
  int32_t ascent = 0;
  int32_t descent = 0;

  bool operator==(const FaceProportions&) const = default;
};

struct FaceSize {
  int32_t height = 16;  // pixels, > 0
  HeightMode mode = HeightMode::cell;
  // When given, the face is scaled and its cell measured as a face of these
  // proportions would be, so a stand-in keeps the layout of the face it replaces.
  // Otherwise the face's own OS/2 Windows ascent and descent count.
  FaceProportions proportions;
  int32_t average_width = 0;  // 0 = natural proportions, else the average char width in pixels
  bool bold = false;          // synthesised by thickening the outlines
  bool italic = false;        // synthesised by shearing the outlines

  bool operator==(const FaceSize&) const = default;
};

// Whole-pixel metrics of a face at its size. ascent + descent is the cell height.
struct FaceMetrics {
  int32_t ascent = 0;   // baseline below the cell top
  int32_t descent = 0;  // cell bottom below the baseline
  int32_t underline_offset = 0;     // underline top below the baseline
  int32_t underline_thickness = 1;  // also the strike-out thickness
  int32_t strike_out_offset = 0;    // strike-out top above the baseline
};

// One rendered glyph: coverage 0..255 per pixel, rows top first. In mono rendering
// every value is 0 or 255.
struct GlyphMask {
  int32_t left = 0;     // first column relative to the pen position
  int32_t top = 0;      // first row above the baseline (positive = up)
  int32_t width = 0;
  int32_t height = 0;
  int32_t advance = 0;  // whole pixels the pen moves after the glyph
  std::vector<uint8_t> coverage;
};

// A face opened at one size. Rendered glyphs are cached in the face.
class FontFace {
 public:
  virtual ~FontFace() = default;
  virtual const FontFile& file() const = 0;
  virtual const FaceMetrics& metrics() const = 0;
  // The face's glyph index for `code`, 0 when the face lacks the character (it would
  // draw its missing-glyph box).
  virtual uint32_t glyph_index(char32_t code) const = 0;
  // The character's glyph (the missing-glyph box if absent), with its whole-pixel
  // advance; rendered without grey levels unless `antialiased`.
  virtual const GlyphMask& glyph(char32_t code, bool antialiased) = 0;
};

// Opens `file` at `size`, or hands back the face already opened for the same file
// and size. Null when the file cannot be read as a font.
std::shared_ptr<FontFace> open_font_face(const FontFile& file, const FaceSize& size);

}  // namespace platform
