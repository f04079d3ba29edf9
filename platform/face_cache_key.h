#pragma once
// What tells two opened faces apart, for the cache of opened faces of either font
// backend.
#include <cstdint>
#include <string>
#include <tuple>

#include "platform/fonts.h"

namespace platform {

using FaceKey = std::tuple<std::string, int32_t, int32_t, int, int32_t, int32_t, int32_t, int32_t, bool, bool>;

inline FaceKey face_key(const FontFile& file, const FaceSize& size) {
  return {file.path,
          file.index,
          size.height,
          static_cast<int>(size.mode),
          size.proportions.units_per_em,
          size.proportions.ascent,
          size.proportions.descent,
          size.average_width,
          size.bold,
          size.italic};
}

}  // namespace platform
