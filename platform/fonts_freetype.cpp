// Fonts on Linux: fontconfig for finding faces, FreeType for metrics and glyphs.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <strings.h>
#include <tuple>
#include <unordered_map>

#include "platform/face_cache_key.h"
#include "platform/fonts.h"

namespace platform {
namespace {

// ---- fontconfig ------------------------------------------------------------

bool fontconfig_ready() {
  static const bool ready = FcInit() == FcTrue;
  return ready;
}

FontFile file_of(FcPattern* pattern) {
  FcChar8* path = nullptr;
  int index = 0;
  if (FcPatternGetString(pattern, FC_FILE, 0, &path) != FcResultMatch || path == nullptr) return {};
  FcPatternGetInteger(pattern, FC_INDEX, 0, &index);
  return FontFile{reinterpret_cast<const char*>(path), index};
}

bool has_family(FcPattern* pattern, const std::string& family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) return true;
  }
  return false;
}

// The installed face of exactly this family (regular style preferred), if any.
FontFile match_installed_family(const std::string& family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FontFile file;
  // fontconfig always answers with something; only a face of the asked family counts.
  if (match != nullptr && has_family(match, family)) file = file_of(match);
  if (match != nullptr) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return file;
}

bool covers_lang(FcPattern* pattern, const std::string& lang) {
  if (lang.empty()) return true;
  FcLangSet* langs = nullptr;
  if (FcPatternGetLangSet(pattern, FC_LANG, 0, &langs) != FcResultMatch) return false;
  return FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>(lang.c_str())) == FcLangEqual;
}

// The best face of the generic family that covers `lang`; any face at all when none does.
FontFile match_generic(const std::string& generic, const std::string& lang) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(generic.c_str()));
  if (!lang.empty()) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  FontFile file;
  FontFile first;
  if (sorted != nullptr) {
    for (int i = 0; i < sorted->nfont; ++i) {
      FontFile candidate = file_of(sorted->fonts[i]);
      if (candidate.empty()) continue;
      if (first.empty()) first = candidate;
      if (covers_lang(sorted->fonts[i], lang)) {
        file = candidate;
        break;
      }
    }
    FcFontSetDestroy(sorted);
  }
  FcPatternDestroy(pattern);
  return file.empty() ? first : file;
}

// ---- FreeType --------------------------------------------------------------

// Shared by every open face so the library outlives the last of them.
struct Library {
  FT_Library handle = nullptr;
  Library() {
    if (FT_Init_FreeType(&handle) != 0) handle = nullptr;
  }
  ~Library() {
    if (handle != nullptr) FT_Done_FreeType(handle);
  }
};

std::shared_ptr<Library> library() {
  static const std::shared_ptr<Library> lib = std::make_shared<Library>();
  return lib->handle != nullptr ? lib : nullptr;
}

int32_t round_px(double v) { return static_cast<int32_t>(std::lround(v)); }

// The horizontal shear of synthesised italics (about 12 degrees).
constexpr FT_Fixed kItalicShear = 0x0366A;

class FreeTypeFace final : public FontFace {
 public:
  FreeTypeFace(std::shared_ptr<Library> lib, FT_Face face, FontFile file, const FaceSize& size)
      : lib_(std::move(lib)), face_(face), file_(std::move(file)), size_(size) {}
  ~FreeTypeFace() override { FT_Done_Face(face_); }
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;

  // Sets the pixel size and works out the cell metrics. False for faces FreeType
  // cannot scale to the size.
  bool set_size() {
    FT_Select_Charmap(face_, FT_ENCODING_UNICODE);
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    double units_per_em = face_->units_per_EM;
    double win_ascent = 0;
    double win_descent = 0;
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      win_ascent = os2->usWinAscent;
      win_descent = os2->usWinDescent;
    } else {
      win_ascent = face_->ascender;
      win_descent = -face_->descender;
    }
    if (!FT_IS_SCALABLE(face_) || units_per_em <= 0 || win_ascent + win_descent <= 0) {
      // Bitmap-only faces: take the nearest size they have.
      if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(size_.height)) != 0) return false;
      metrics_.ascent = static_cast<int32_t>((face_->size->metrics.ascender + 63) >> 6);
      metrics_.descent = static_cast<int32_t>((-face_->size->metrics.descender + 63) >> 6);
      metrics_.underline_offset = 1;
      metrics_.strike_out_offset = metrics_.ascent / 3;
      return true;
    }

    if (size_.proportions.units_per_em > 0 && size_.proportions.ascent + size_.proportions.descent > 0) {
      win_ascent = size_.proportions.ascent * units_per_em / size_.proportions.units_per_em;
      win_descent = size_.proportions.descent * units_per_em / size_.proportions.units_per_em;
    }
    const double height = size_.height;
    double em = 0;
    if (size_.mode == HeightMode::cell) {
      em = height * units_per_em / (win_ascent + win_descent);
      metrics_.ascent = round_px(win_ascent * height / (win_ascent + win_descent));
      metrics_.descent = size_.height - metrics_.ascent;
    } else {
      em = height;
      metrics_.ascent = round_px(win_ascent * em / units_per_em);
      metrics_.descent = round_px(win_descent * em / units_per_em);
    }
    double em_x = em;
    if (size_.average_width > 0) {
      double average = os2 != nullptr && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : units_per_em / 2;
      em_x = size_.average_width * units_per_em / average;
    }
    if (FT_Set_Char_Size(face_, std::max<FT_F26Dot6>(64, std::lround(em_x * 64)),
                         std::max<FT_F26Dot6>(64, std::lround(em * 64)), 72, 72) != 0) {
      return false;
    }
    const double scale = em / units_per_em;
    metrics_.underline_thickness = std::max(1, round_px(face_->underline_thickness * scale));
    metrics_.underline_offset = std::max(1, round_px(-face_->underline_position * scale - metrics_.underline_thickness / 2.0));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutPosition > 0) {
      metrics_.strike_out_offset = round_px(os2->yStrikeoutPosition * scale);
    } else {
      metrics_.strike_out_offset = round_px(em * 0.3);
    }
    if (size_.bold) embolden_strength_ = std::max<FT_Pos>(32, std::lround(em * 64 / 24));
    return true;
  }

  const FontFile& file() const override { return file_; }
  const FaceMetrics& metrics() const override { return metrics_; }

  uint32_t glyph_index(char32_t code) const override {
    return FT_Get_Char_Index(face_, static_cast<FT_ULong>(code));
  }

  const GlyphMask& glyph(char32_t code, bool antialiased) override {
    const uint64_t key = (static_cast<uint64_t>(code) << 1) | (antialiased ? 1u : 0u);
    auto found = glyphs_.find(key);
    if (found != glyphs_.end()) return found->second;
    return glyphs_.emplace(key, render(code, antialiased)).first->second;
  }

 private:
  GlyphMask render(char32_t code, bool antialiased) {
    GlyphMask mask;
    const FT_UInt index = FT_Get_Char_Index(face_, static_cast<FT_ULong>(code));
    // Plain pixels are rendered from lightly hinted outlines: full mono hinting doubles
    // the vertical strokes of CJK glyphs at panel sizes and clogs dense ones such as
    // 图 into blobs, where light hinting keeps one-pixel strokes.
    FT_Int32 flags = antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_LIGHT;
    // Synthesised styles work on outlines, so embedded bitmaps are skipped for them.
    if (size_.bold || size_.italic) flags |= FT_LOAD_NO_BITMAP;
    if (FT_Load_Glyph(face_, index, flags) != 0) return mask;
    FT_GlyphSlot slot = face_->glyph;
    FT_Pos advance = slot->advance.x;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (size_.bold) {
        FT_Outline_Embolden(&slot->outline, embolden_strength_);
        advance += embolden_strength_;
      }
      if (size_.italic) {
        FT_Matrix shear{0x10000, kItalicShear, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
      }
      if (FT_Render_Glyph(slot, antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return mask;
    }
    mask.advance = static_cast<int32_t>((advance + 32) >> 6);
    const FT_Bitmap& bitmap = slot->bitmap;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP || bitmap.buffer == nullptr) return mask;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return mask;
    mask.left = slot->bitmap_left;
    mask.top = slot->bitmap_top;
    mask.width = static_cast<int32_t>(bitmap.width);
    mask.height = static_cast<int32_t>(bitmap.rows);
    mask.coverage.assign(static_cast<size_t>(mask.width) * mask.height, 0);
    const int pitch = bitmap.pitch;
    for (int32_t row = 0; row < mask.height; ++row) {
      const unsigned char* src = pitch >= 0 ? bitmap.buffer + static_cast<ptrdiff_t>(row) * pitch
                                            : bitmap.buffer + static_cast<ptrdiff_t>(mask.height - 1 - row) * -pitch;
      uint8_t* dst = mask.coverage.data() + static_cast<size_t>(row) * mask.width;
      for (int32_t col = 0; col < mask.width; ++col) {
        uint8_t value = 0;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
          value = (src[col >> 3] & (0x80 >> (col & 7))) != 0 ? 255 : 0;
        } else {
          const unsigned levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
          value = static_cast<uint8_t>(std::min(255u, src[col] * 255u / levels));
          if (!antialiased) value = value >= 128 ? 255 : 0;
        }
        dst[col] = value;
      }
    }
    return mask;
  }

  std::shared_ptr<Library> lib_;
  FT_Face face_;
  FontFile file_;
  FaceSize size_;
  FaceMetrics metrics_;
  FT_Pos embolden_strength_ = 0;
  std::unordered_map<uint64_t, GlyphMask> glyphs_;
};

}  // namespace

FontFile find_font_file(const FontQuery& query) {
  if (!fontconfig_ready()) return {};
  for (const std::string& family : query.families) {
    FontFile file = match_installed_family(family);
    if (!file.empty()) return file;
  }
  return match_generic(query.generic.empty() ? "sans-serif" : query.generic, query.lang);
}

std::string font_family_name(const FontFile& file) {
  if (file.empty() || !fontconfig_ready()) return {};
  int count = 0;
  FcPattern* pattern = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(file.path.c_str()), file.index, nullptr, &count);
  if (pattern == nullptr) return {};
  std::string name;
  FcChar8* family = nullptr;
  if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch) name = reinterpret_cast<const char*>(family);
  FcPatternDestroy(pattern);
  return name;
}

std::shared_ptr<FontFace> open_font_face(const FontFile& file, const FaceSize& size) {
  static std::map<FaceKey, std::shared_ptr<FontFace>> open_faces;
  if (file.empty() || size.height <= 0) return nullptr;
  const FaceKey key = face_key(file, size);
  auto found = open_faces.find(key);
  if (found != open_faces.end()) return found->second;

  std::shared_ptr<Library> lib = library();
  if (lib == nullptr) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(lib->handle, file.path.c_str(), file.index, &face) != 0) return nullptr;
  auto opened = std::make_shared<FreeTypeFace>(lib, face, file, size);
  if (!opened->set_size()) return nullptr;

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

#if defined(__SANITIZE_ADDRESS__)
// fontconfig 2.14 loses a few hundred bytes once, while parsing its configuration at
// FcInit; that is no leak of ours and would otherwise fail every leak-checked run
// that draws text.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
