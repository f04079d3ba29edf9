#include "graphics/exif_orientation.h"

#include <cstring>

namespace Canvas {
namespace {

constexpr uint16_t ORIENTATION_TAG = 0x0112;
constexpr uint16_t SHORT_TYPE = 3;

struct TiffReader {
  const uint8_t* bytes;
  size_t size;
  bool big_endian;
  bool has(size_t at, size_t length) const { return at <= size && length <= size - at; }
  uint32_t u16(size_t at) const {
    return big_endian ? (uint32_t{bytes[at]} << 8) | bytes[at + 1] : (uint32_t{bytes[at + 1]} << 8) | bytes[at];
  }
  uint32_t u32(size_t at) const {
    return big_endian ? (u16(at) << 16) | u16(at + 2) : (u16(at + 2) << 16) | u16(at);
  }
};

// The orientation entry of the first image directory of an EXIF block's TIFF data.
int32_t orientation_in_tiff(const uint8_t* bytes, size_t size) {
  if (size < 8) return 1;
  TiffReader tiff{bytes, size, false};
  if (std::memcmp(bytes, "MM\0*", 4) == 0) {
    tiff.big_endian = true;
  } else if (std::memcmp(bytes, "II*\0", 4) != 0) {
    return 1;
  }
  const size_t directory = tiff.u32(4);
  if (!tiff.has(directory, 2)) return 1;
  const uint32_t entries = tiff.u16(directory);
  for (uint32_t i = 0; i < entries; ++i) {
    const size_t entry = directory + 2 + size_t{i} * 12;
    if (!tiff.has(entry, 12)) return 1;
    if (tiff.u16(entry) != ORIENTATION_TAG) continue;
    if (tiff.u16(entry + 2) != SHORT_TYPE || tiff.u32(entry + 4) != 1) return 1;
    const uint32_t value = tiff.u16(entry + 8);
    return value >= 1 && value <= 8 ? static_cast<int32_t>(value) : 1;
  }
  return 1;
}

}  // namespace

int32_t exif_orientation(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return 1;
  // The EXIF block is an APP1 segment among those before the first scan.
  size_t at = 2;
  while (at + 4 <= size) {
    if (bytes[at] != 0xFF) return 1;
    const uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;
    const size_t length = (size_t{bytes[at + 2]} << 8) | bytes[at + 3];
    if (length < 2 || length > size - at - 2) return 1;
    const uint8_t* body = bytes + at + 4;
    const size_t body_size = length - 2;
    if (marker == 0xE1 && body_size >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
      return orientation_in_tiff(body + 6, body_size - 6);
    at += 2 + length;
  }
  return 1;
}

std::vector<uint32_t> orient_pixels(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                                    int32_t orientation) {
  if (orientation < 2 || orientation > 8) return pixels;
  const bool swap = orientation_swaps_sides(orientation);
  const int32_t out_width = swap ? height : width;
  const int32_t out_height = swap ? width : height;
  std::vector<uint32_t> out(pixels.size());
  // For each pixel as seen (dx, dy), the stored pixel (sx, sy) it shows.
  for (int32_t dy = 0; dy < out_height; ++dy) {
    for (int32_t dx = 0; dx < out_width; ++dx) {
      int32_t sx = dx;
      int32_t sy = dy;
      stored_position(orientation, width, height, sx, sy);
      out[static_cast<size_t>(dy) * out_width + dx] = pixels[static_cast<size_t>(sy) * width + sx];
    }
  }
  return out;
}

}  // namespace Canvas
