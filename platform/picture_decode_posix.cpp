// Picture decoding with the format libraries themselves: libjpeg-turbo, libpng,
// giflib, libwebp and libtiff; BMPs by our own reader (SDL for the rare kinds).
#include <cstring>

#include "platform/picture_decode.h"
#include "platform/picture_formats.h"

namespace platform {
namespace {

uint32_t read_be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint32_t read_le16(const uint8_t* p) { return (uint32_t{p[1]} << 8) | p[0]; }
uint32_t read_le32(const uint8_t* p) { return (read_le16(p + 2) << 16) | read_le16(p); }

const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool bmp_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
  if (size < 26) return false;
  int64_t w = 0;
  int64_t h = 0;
  if (read_le32(bytes + 14) == 12) {
    w = read_le16(bytes + 18);
    h = read_le16(bytes + 20);
  } else {
    w = static_cast<int32_t>(read_le32(bytes + 18));
    h = static_cast<int32_t>(read_le32(bytes + 22));
  }
  if (h < 0) h = -h;  // top-down rows
  if (!side_ok(w) || !side_ok(h)) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

}  // namespace

PictureFormat picture_format(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr) return PictureFormat::none;
  if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return PictureFormat::jpeg;
  if (size >= 8 && std::memcmp(bytes, png_signature, 8) == 0) return PictureFormat::png;
  if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0))
    return PictureFormat::gif;
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return PictureFormat::bmp;
  if (size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0)
    return PictureFormat::webp;
  if (size >= 4 && (std::memcmp(bytes, "II*\0", 4) == 0 || std::memcmp(bytes, "MM\0*", 4) == 0))
    return PictureFormat::tiff;
  return PictureFormat::none;
}

bool read_picture_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height) {
  int32_t w = 0;
  int32_t h = 0;
  bool ok = false;
  switch (picture_format(bytes, size)) {
    case PictureFormat::none:
      return false;
    case PictureFormat::jpeg:
      ok = jpeg_size(bytes, size, w, h);
      break;
    case PictureFormat::png:
      ok = size >= 24 && std::memcmp(bytes + 12, "IHDR", 4) == 0;
      if (ok && side_ok(read_be32(bytes + 16)) && side_ok(read_be32(bytes + 20))) {
        w = static_cast<int32_t>(read_be32(bytes + 16));
        h = static_cast<int32_t>(read_be32(bytes + 20));
      }
      break;
    case PictureFormat::gif:
      ok = size >= 10;
      if (ok) {
        w = static_cast<int32_t>(read_le16(bytes + 6));
        h = static_cast<int32_t>(read_le16(bytes + 8));
      }
      break;
    case PictureFormat::bmp:
      ok = bmp_size(bytes, size, w, h);
      break;
    case PictureFormat::webp:
      ok = webp_size(bytes, size, w, h);
      break;
    case PictureFormat::tiff:
      ok = tiff_size(bytes, size, w, h);
      break;
  }
  if (!ok || !side_ok(w) || !side_ok(h)) return false;
  width = w;
  height = h;
  return true;
}

bool decode_picture(const uint8_t* bytes, size_t size, int32_t min_width, int32_t min_height, PictureSink& sink) {
  int32_t width = 0;
  int32_t height = 0;
  if (!read_picture_size(bytes, size, width, height)) return false;
  switch (picture_format(bytes, size)) {
    case PictureFormat::jpeg:
      return decode_jpeg(bytes, size, min_width, min_height, sink);
    case PictureFormat::png:
      return decode_png(bytes, size, sink);
    case PictureFormat::gif:
      return decode_gif(bytes, size, sink);
    case PictureFormat::bmp:
      return decode_bmp(bytes, size, sink);
    case PictureFormat::webp:
      return decode_webp(bytes, size, min_width, min_height, sink);
    case PictureFormat::tiff:
      return decode_tiff(bytes, size, sink);
    case PictureFormat::none:
      break;
  }
  return false;
}

}  // namespace platform
