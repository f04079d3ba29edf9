#pragma once
// Pictures from file bytes at the size they are wanted: decoded through the platform
// seam straight into the averaging, then turned upright by their EXIF orientation (a
// JPEG's; a HEIF comes from the seam as its container turns it, and has none here).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Canvas {

// width x height words 0xAARRGGBB (straight alpha), top row first, rows packed.
struct DecodedPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

// A picture is decoded at its own size only up to this many pixels; larger ones are
// only ever loaded scaled down.
inline constexpr int64_t MAX_NATURAL_PIXELS = 2048 * 2048;

// The size of the picture as it is seen (sides swapped by the orientation), from the
// header alone. False when the bytes are not a picture we read.
bool picture_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height);

// Decodes the picture at width x height (as seen), or at its own size when either is
// not positive. False, leaving `out` empty, when it cannot be read or the size is
// beyond what a load may take.
bool decode_picture_at(const uint8_t* bytes, size_t size, int32_t width, int32_t height, DecodedPicture& out);

}  // namespace Canvas
