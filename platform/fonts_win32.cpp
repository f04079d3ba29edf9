// Fonts on Windows: GDI finds faces by family name, opens them at a pixel size and
// renders glyph bitmaps, which become the coverage masks our raster blends. A
// FontFile's path is the family name (UTF-8), its index always 0.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

#include "platform/face_cache_key.h"
#include "platform/fonts.h"
#include "platform/win32_text.h"

namespace platform {
namespace {

// ---- finding faces -----------------------------------------------------------

// The device context faces are enumerated on; each open face has its own.
HDC screen_dc() {
  static const HDC dc = CreateCompatibleDC(nullptr);
  return dc;
}

struct Found {
  std::wstring name;
  bool wanted_charset = false;
  bool wanted_family = false;
};

struct EnumWish {
  BYTE charset = DEFAULT_CHARSET;
  BYTE family = FF_DONTCARE;
  std::vector<Found> faces;
};

// Raster faces are left out: GDI draws no glyph outlines for them. Vertical faces
// ("@SimSun") lie on their side.
int CALLBACK collect_face(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM param) {
  auto& wish = *reinterpret_cast<EnumWish*>(param);
  if ((type & RASTER_FONTTYPE) != 0 || font->lfFaceName[0] == L'@') return 1;
  for (Found& known : wish.faces) {
    if (_wcsicmp(known.name.c_str(), font->lfFaceName) == 0) {
      known.wanted_charset = known.wanted_charset || font->lfCharSet == wish.charset;
      return 1;
    }
  }
  wish.faces.push_back({font->lfFaceName, font->lfCharSet == wish.charset,
                        (font->lfPitchAndFamily & 0xF0) == wish.family});
  return 1;
}

std::vector<Found> enumerate(const std::wstring& family, BYTE charset, BYTE wanted_family) {
  LOGFONTW filter{};
  filter.lfCharSet = family.empty() ? charset : DEFAULT_CHARSET;
  if (family.size() >= LF_FACESIZE) return {};
  std::copy(family.begin(), family.end(), filter.lfFaceName);
  EnumWish wish{charset, wanted_family, {}};
  EnumFontFamiliesExW(screen_dc(), &filter, collect_face, reinterpret_cast<LPARAM>(&wish), 0);
  return wish.faces;
}

// The installed face of exactly this family name, spelled as GDI spells it.
std::wstring installed_family(const std::string& family) {
  const std::wstring wide = to_wide(family);
  if (wide.empty()) return {};
  for (const Found& face : enumerate(wide, DEFAULT_CHARSET, FF_DONTCARE)) {
    if (_wcsicmp(face.name.c_str(), wide.c_str()) == 0) return face.name;
  }
  return {};
}

// A face of the generic family, among those covering Simplified Chinese when `lang`
// asks for it; any outline face when none does.
std::wstring generic_family(const std::string& generic, const std::string& lang) {
  const BYTE family = generic == "serif" ? FF_ROMAN : generic == "monospace" ? FF_MODERN : FF_SWISS;
  const bool chinese = lang.rfind("zh", 0) == 0;
  std::vector<Found> faces = enumerate(L"", chinese ? GB2312_CHARSET : DEFAULT_CHARSET, family);
  // A system without Chinese faces still draws the rest with some face.
  if (faces.empty() && chinese) faces = enumerate(L"", DEFAULT_CHARSET, family);
  const Found* best = nullptr;
  for (const Found& face : faces) {
    const int rank = (face.wanted_charset ? 2 : 0) + (face.wanted_family ? 1 : 0);
    const int best_rank = best == nullptr ? -1 : (best->wanted_charset ? 2 : 0) + (best->wanted_family ? 1 : 0);
    if (rank > best_rank) best = &face;
  }
  return best == nullptr ? std::wstring() : best->name;
}

// ---- opening faces -------------------------------------------------------------

uint16_t read_be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// The face's own OS/2 Windows ascent and descent and em square, from its tables.
FaceProportions own_proportions(HDC dc, UINT em_square) {
  FaceProportions own;
  uint8_t win_metrics[4];
  constexpr DWORD kOs2 = 0x322F534F;  // "OS/2" as GDI reads table tags
  constexpr DWORD kWinAscentOffset = 74;
  if (GetFontData(dc, kOs2, kWinAscentOffset, win_metrics, sizeof(win_metrics)) == sizeof(win_metrics)) {
    own.units_per_em = static_cast<int32_t>(em_square);
    own.ascent = read_be16(win_metrics);
    own.descent = read_be16(win_metrics + 2);
  }
  return own;
}

// Two proportions that give the same cell to within a pixel in a thousand.
bool same_proportions(const FaceProportions& a, const FaceProportions& b) {
  if (a.units_per_em <= 0 || b.units_per_em <= 0) return false;
  const double cell_a = static_cast<double>(a.ascent + a.descent) / a.units_per_em;
  const double cell_b = static_cast<double>(b.ascent + b.descent) / b.units_per_em;
  const double ascent_a = static_cast<double>(a.ascent) / a.units_per_em;
  const double ascent_b = static_cast<double>(b.ascent) / b.units_per_em;
  return std::fabs(cell_a - cell_b) < 1e-3 * cell_a && std::fabs(ascent_a - ascent_b) < 1e-3 * cell_a;
}

int32_t round_px(double v) { return static_cast<int32_t>(std::lround(v)); }

HFONT create_font(const std::wstring& family, int32_t lf_height, const FaceSize& size) {
  return CreateFontW(lf_height, size.average_width, 0, 0, size.bold ? FW_BOLD : FW_NORMAL, size.italic ? TRUE : FALSE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, family.c_str());
}

class GdiFace final : public FontFace {
 public:
  GdiFace(FontFile file, const FaceSize& size) : file_(std::move(file)), size_(size) {}
  ~GdiFace() override {
    if (dc_ != nullptr) {
      if (old_font_ != nullptr) SelectObject(dc_, old_font_);
      DeleteDC(dc_);
    }
    if (font_ != nullptr) DeleteObject(font_);
  }
  GdiFace(const GdiFace&) = delete;
  GdiFace& operator=(const GdiFace&) = delete;

  // Creates the GDI font and works out the cell. A stand-in for a face of other
  // proportions (Wine puts its replacement faces under the Windows names) is sized
  // at the em the replaced face would have, and its cell measured as that face's.
  bool open() {
    const std::wstring family = to_wide(file_.path);
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr || family.empty() || family.size() >= LF_FACESIZE) return false;
    const bool cell = size_.mode == HeightMode::cell;
    if (!select(create_font(family, cell ? size_.height : -size_.height, size_))) return false;

    OUTLINETEXTMETRICW outline{};
    outline.otmSize = sizeof(outline);
    if (GetOutlineTextMetricsW(dc_, sizeof(outline), &outline) == 0) return false;
    const FaceProportions wanted = size_.proportions;
    const bool stand_in = wanted.units_per_em > 0 && wanted.ascent + wanted.descent > 0 &&
                          !same_proportions(own_proportions(dc_, outline.otmEMSquare), wanted);
    double em = 0;
    if (stand_in) {
      em = cell ? size_.height * static_cast<double>(wanted.units_per_em) / (wanted.ascent + wanted.descent)
                : size_.height;
      if (!select(create_font(family, -std::max(1, round_px(em)), size_))) return false;
      if (GetOutlineTextMetricsW(dc_, sizeof(outline), &outline) == 0) return false;
    }

    const TEXTMETRICW& text = outline.otmTextMetrics;
    if (stand_in && cell) {
      metrics_.ascent = round_px(wanted.ascent * static_cast<double>(size_.height) / (wanted.ascent + wanted.descent));
      metrics_.descent = size_.height - metrics_.ascent;
    } else if (stand_in) {
      metrics_.ascent = round_px(wanted.ascent * em / wanted.units_per_em);
      metrics_.descent = round_px(wanted.descent * em / wanted.units_per_em);
    } else if (cell) {
      // GDI's cell may come out a pixel off the asked height; the caller lays text
      // out in the cell it asked for.
      metrics_.ascent = std::min<int32_t>(text.tmAscent, size_.height);
      metrics_.descent = size_.height - metrics_.ascent;
    } else {
      metrics_.ascent = text.tmAscent;
      metrics_.descent = text.tmDescent;
    }
    metrics_.underline_thickness = std::max<int32_t>(1, static_cast<int32_t>(outline.otmsUnderscoreSize));
    metrics_.underline_offset = std::max<int32_t>(1, -outline.otmsUnderscorePosition);
    metrics_.strike_out_offset = outline.otmsStrikeoutPosition > 0 ? static_cast<int32_t>(outline.otmsStrikeoutPosition)
                                                                    : round_px(text.tmAscent * 0.3);
    return true;
  }

  const FontFile& file() const override { return file_; }
  const FaceMetrics& metrics() const override { return metrics_; }

  uint32_t glyph_index(char32_t code) const override {
    // One UTF-16 unit per lookup: characters beyond it would need shaping, and no
    // GBK text holds any; they draw as the missing-glyph box.
    if (code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    const wchar_t unit = static_cast<wchar_t>(code);
    WORD index = 0xFFFF;
    if (GetGlyphIndicesW(dc_, &unit, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) return 0;
    return index == 0xFFFF ? 0 : index;
  }

  const GlyphMask& glyph(char32_t code, bool antialiased) override {
    const uint64_t key = (static_cast<uint64_t>(code) << 1) | (antialiased ? 1u : 0u);
    auto found = glyphs_.find(key);
    if (found != glyphs_.end()) return found->second;
    return glyphs_.emplace(key, render(glyph_index(code), antialiased)).first->second;
  }

 private:
  bool select(HFONT font) {
    if (font == nullptr) return false;
    HGDIOBJ previous = SelectObject(dc_, font);
    if (old_font_ == nullptr) old_font_ = previous;
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
    return true;
  }

  GlyphMask render(uint32_t index, bool antialiased) const {
    GlyphMask mask;
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    const UINT format = (antialiased ? GGO_GRAY8_BITMAP : GGO_BITMAP) | GGO_GLYPH_INDEX;
    GLYPHMETRICS metrics{};
    const DWORD bytes = GetGlyphOutlineW(dc_, index, format, &metrics, 0, nullptr, &identity);
    if (bytes == GDI_ERROR) return mask;
    mask.advance = metrics.gmCellIncX;
    // Blank glyphs (the space) have no bitmap at all, only their advance.
    if (bytes == 0) return mask;
    std::vector<uint8_t> bitmap(bytes);
    if (GetGlyphOutlineW(dc_, index, format, &metrics, bytes, bitmap.data(), &identity) == GDI_ERROR) return mask;
    const int32_t width = static_cast<int32_t>(metrics.gmBlackBoxX);
    const int32_t height = static_cast<int32_t>(metrics.gmBlackBoxY);
    // Rows start on 32-bit boundaries: one bit per pixel, or one byte of 0..64.
    const size_t pitch = antialiased ? (static_cast<size_t>(width) + 3) / 4 * 4 : (static_cast<size_t>(width) + 31) / 32 * 4;
    if (width <= 0 || height <= 0 || pitch * height > bitmap.size()) return mask;
    mask.left = metrics.gmptGlyphOrigin.x;
    mask.top = metrics.gmptGlyphOrigin.y;
    mask.width = width;
    mask.height = height;
    mask.coverage.assign(static_cast<size_t>(width) * height, 0);
    for (int32_t row = 0; row < height; ++row) {
      const uint8_t* src = bitmap.data() + row * pitch;
      uint8_t* dst = mask.coverage.data() + static_cast<size_t>(row) * width;
      for (int32_t col = 0; col < width; ++col) {
        if (antialiased) {
          dst[col] = static_cast<uint8_t>(std::min(64, static_cast<int>(src[col])) * 255 / 64);
        } else {
          dst[col] = (src[col >> 3] & (0x80 >> (col & 7))) != 0 ? 255 : 0;
        }
      }
    }
    return mask;
  }

  FontFile file_;
  FaceSize size_;
  FaceMetrics metrics_;
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ old_font_ = nullptr;
  std::unordered_map<uint64_t, GlyphMask> glyphs_;
};

}  // namespace

FontFile find_font_file(const FontQuery& query) {
  for (const std::string& family : query.families) {
    const std::wstring name = installed_family(family);
    if (!name.empty()) return FontFile{from_wide(name), 0};
  }
  const std::wstring name = generic_family(query.generic.empty() ? "sans-serif" : query.generic, query.lang);
  if (name.empty()) return {};
  return FontFile{from_wide(name), 0};
}

std::string font_family_name(const FontFile& file) {
  if (file.empty() || file.index != 0) return {};
  return from_wide(installed_family(file.path));
}

std::shared_ptr<FontFace> open_font_face(const FontFile& file, const FaceSize& size) {
  static std::map<FaceKey, std::shared_ptr<FontFace>> open_faces;
  if (file.empty() || file.index != 0 || size.height <= 0) return nullptr;
  const FaceKey key = face_key(file, size);
  auto found = open_faces.find(key);
  if (found != open_faces.end()) return found->second;

  auto opened = std::make_shared<GdiFace>(file, size);
  if (!opened->open()) return nullptr;

  // A program draws with a handful of sizes; a runaway caller cycling through sizes
  // only drops the faces nobody holds any more.
  constexpr size_t kMaxOpenFaces = 64;
  if (open_faces.size() >= kMaxOpenFaces) {
    std::erase_if(open_faces, [](const auto& entry) { return entry.second.use_count() == 1; });
  }
  open_faces.emplace(key, opened);
  return opened;
}

}  // namespace platform
