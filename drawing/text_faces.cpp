#include "drawing/text_faces.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "drawing/face_names.h"
#include "platform/gbk.h"

namespace {

// What stands in for the faces of the Windows desktop the program was made for. The
// families are tried in order, the Windows face itself first (Windows has it, and
// Wine's font replacements go by its name); when none is installed, the generic
// family among the faces covering Simplified Chinese. Asking fontconfig for the
// Windows names alone would give a Latin face whose CJK glyphs are all boxes.
//
// A stand-in is sized with the proportions of the face it replaces, so a cell height
// gives the character size the program was laid out with: Microsoft YaHei's cell is
// 1.32 em, so its 20-pixel cell holds 15-pixel characters (the panel's captions end
// where its value boxes begin); SimSun's cell is exactly its em, so a 12-pixel message
// gets 12-pixel characters, where WenQuanYi Zen Hei Sharp has hand-tuned bitmaps.
struct FaceSubstitute {
  const char* gbk_name;
  std::vector<std::string> families;
  const char* generic;
  platform::FaceProportions proportions;
};

const std::vector<FaceSubstitute>& substitutes() {
  static const std::vector<FaceSubstitute> table = {
      {face_names::panel,
       {"Microsoft YaHei", "Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
        "Droid Sans Fallback"},
       "sans-serif",
       {2048, 2167, 536}},
      {face_names::message,
       {"SimSun", "NSimSun", "Noto Serif CJK SC", "Source Han Serif SC", "AR PL UMing CN", "AR PL SungtiL GB",
        "WenQuanYi Zen Hei Sharp", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei"},
       "serif",
       {256, 220, 36}},
      {face_names::system, {"System", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei"}, "sans-serif", {}},
  };
  return table;
}

const FaceSubstitute* substitute_for(std::string_view gbk_face) {
  for (const FaceSubstitute& entry : substitutes()) {
    if (gbk_face == entry.gbk_name) return &entry;
  }
  return nullptr;
}

constexpr const char* kChineseLang = "zh-cn";

// Where characters missing from the chosen face are looked for: the Chinese faces of
// Windows first, then those of Linux desktops.
platform::FontQuery fallback_query() {
  return platform::FontQuery{{"Microsoft YaHei", "SimSun", "SimHei", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
                              "Noto Sans CJK SC", "Droid Sans Fallback"},
                             "sans-serif", kChineseLang};
}

// Larger cells would cost megabytes per cached glyph for no visible gain.
constexpr int32_t kMaxPixelHeight = 1024;
constexpr int32_t kDefaultCellHeight = 16;

using FontKey = std::tuple<std::string, int32_t, int32_t, int32_t, bool, bool>;

}  // namespace

platform::FontQuery face_query(std::string_view gbk_face) {
  if (const FaceSubstitute* entry = substitute_for(gbk_face)) {
    return platform::FontQuery{entry->families, entry->generic, kChineseLang};
  }
  std::vector<std::string> families;
  if (!gbk_face.empty()) families.push_back(platform::gbk_to_utf8(gbk_face));
  return platform::FontQuery{families, "sans-serif", kChineseLang};
}

platform::FaceSize face_size(const FONTDESC& font) {
  platform::FaceSize size;
  if (font.height > 0) {
    size.height = std::min(font.height, kMaxPixelHeight);
  } else if (font.height < 0) {
    size.height = font.height < -kMaxPixelHeight ? kMaxPixelHeight : -font.height;
    size.mode = platform::HeightMode::em;
  } else {
    size.height = kDefaultCellHeight;
  }
  if (font.width != 0) {
    const int64_t width = font.width < 0 ? -static_cast<int64_t>(font.width) : font.width;
    size.average_width = static_cast<int32_t>(std::min<int64_t>(width, kMaxPixelHeight));
  }
  if (const FaceSubstitute* entry = substitute_for(std::string_view(font.face, strnlen(font.face, sizeof(font.face))))) {
    size.proportions = entry->proportions;
  }
  size.bold = font.weight >= 600;
  size.italic = font.italic != 0;
  return size;
}

const ResolvedFont& resolve_font(const FONTDESC& font) {
  static std::map<FontKey, ResolvedFont> resolved;
  const std::string face(font.face, strnlen(font.face, sizeof(font.face)));
  const platform::FaceSize size = face_size(font);
  const FontKey key{face, size.height, static_cast<int32_t>(size.mode), size.average_width, size.bold, size.italic};
  auto found = resolved.find(key);
  if (found != resolved.end()) return found->second;

  constexpr size_t kMaxResolvedFonts = 64;
  if (resolved.size() >= kMaxResolvedFonts) resolved.clear();

  ResolvedFont entry;
  for (const platform::FontFile& file :
       {platform::find_font_file(face_query(face)), platform::find_font_file(fallback_query())}) {
    const bool known = std::any_of(entry.faces.begin(), entry.faces.end(),
                                   [&](const auto& opened) { return opened->file() == file; });
    if (known) continue;
    if (auto opened = platform::open_font_face(file, size)) entry.faces.push_back(std::move(opened));
  }
  if (!entry.faces.empty()) entry.metrics = entry.faces.front()->metrics();
  return resolved.emplace(key, std::move(entry)).first->second;
}
