#pragma once
// Which installed faces stand in for the faces the program names, and the faces
// opened for a font description.
#include <memory>
#include <string_view>
#include <vector>

#include "graphics/image.h"
#include "platform/fonts.h"

// The faces a font description draws with: the face standing in for its name first,
// then CJK faces for characters the first one lacks. `faces` is empty only when no
// font is installed at all.
struct ResolvedFont {
  std::vector<std::shared_ptr<platform::FontFace>> faces;
  platform::FaceMetrics metrics;  // of the first face: its ascent and descent make the cell
};

// Looks the description up once and keeps the result, so drawing the same font again
// asks neither fontconfig nor the disk. The reference stays valid until the next call.
const ResolvedFont& resolve_font(const FONTDESC& font);

// The fontconfig query standing in for a face name given as GBK bytes.
platform::FontQuery face_query(std::string_view gbk_face);

// The pixel size a description asks for: a positive height is the cell height, a
// negative one the character (em) height; a width scales the average character width.
platform::FaceSize face_size(const FONTDESC& font);
