#include "graphics/picture_decoding.h"

#include <new>
#include <utility>

#include "graphics/area_scaler.h"
#include "graphics/exif_orientation.h"
#include "platform/picture_decode.h"

namespace Canvas {

bool picture_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
  int32_t stored_width = 0;
  int32_t stored_height = 0;
  if (!platform::read_picture_size(bytes, size, stored_width, stored_height)) return false;
  const bool swap = orientation_swaps_sides(exif_orientation(bytes, size));
  width = swap ? stored_height : stored_width;
  height = swap ? stored_width : stored_height;
  return true;
}

bool decode_picture_at(const uint8_t* bytes, size_t size, int32_t width, int32_t height, DecodedPicture& out) {
  out = DecodedPicture{};
  int32_t seen_width = 0;
  int32_t seen_height = 0;
  if (!picture_size(bytes, size, seen_width, seen_height)) return false;
  const bool requested = width > 0 && height > 0;
  const int32_t out_width = requested ? width : seen_width;
  const int32_t out_height = requested ? height : seen_height;
  const bool natural = out_width == seen_width && out_height == seen_height;
  const int64_t out_pixels = int64_t{out_width} * out_height;
  if (out_pixels > (natural ? MAX_NATURAL_PIXELS : AreaScaler::MAX_SCALED_PIXELS)) return false;

  // Averaging runs on the picture as stored; the small result is turned upright.
  const int32_t orientation = exif_orientation(bytes, size);
  const bool swap = orientation_swaps_sides(orientation);
  const int32_t stored_width = swap ? out_height : out_width;
  const int32_t stored_height = swap ? out_width : out_height;
  try {
    AreaScaler scaler(stored_width, stored_height);
    if (!platform::decode_picture(bytes, size, stored_width, stored_height, scaler)) return false;
    std::vector<uint32_t> pixels = scaler.finish();
    if (pixels.empty()) return false;
    out.pixels = orientation == 1 ? std::move(pixels) : orient_pixels(pixels, stored_width, stored_height, orientation);
  } catch (const std::bad_alloc&) {
    return false;
  }
  out.width = out_width;
  out.height = out_height;
  return true;
}

}  // namespace Canvas
