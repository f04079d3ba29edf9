#pragma once
// The decoders behind decode_picture, one per accepted format, and what they share.
#include <cstddef>
#include <cstdint>

#include "platform/picture_decode.h"

namespace platform {

enum class PictureFormat { none, jpeg, png, gif, bmp, webp, tiff, heif };

// Recognises a format by its first bytes only (shared with the header reader).
PictureFormat picture_format(const uint8_t* bytes, size_t size);

bool decode_jpeg(const uint8_t* bytes, size_t size, int32_t min_width, int32_t min_height, PictureSink& sink);
bool decode_png(const uint8_t* bytes, size_t size, PictureSink& sink);
bool decode_gif(const uint8_t* bytes, size_t size, PictureSink& sink);
bool decode_bmp(const uint8_t* bytes, size_t size, PictureSink& sink);
bool decode_webp(const uint8_t* bytes, size_t size, int32_t min_width, int32_t min_height, PictureSink& sink);
bool decode_tiff(const uint8_t* bytes, size_t size, PictureSink& sink);
// HEIC/HEIF and AVIF, the container's own crop, turn and mirror applied.
bool decode_heif(const uint8_t* bytes, size_t size, PictureSink& sink);

// One pixel of an Adobe CMYK JPEG as an opaque 0xAARRGGBB word. The decoder hands
// over the stored values, which Adobe's writers keep inverted (0 is full ink).
inline uint32_t inverted_cmyk_to_word(uint32_t c, uint32_t m, uint32_t y, uint32_t k) {
  const uint32_t r = (c * k + 127) / 255;
  const uint32_t g = (m * k + 127) / 255;
  const uint32_t b = (y * k + 127) / 255;
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

// Largest single buffer a decoder may ask for on the picture's behalf.
inline constexpr size_t MAX_DECODER_BUFFER = size_t{64} << 20;

inline bool side_ok(int64_t side) { return side > 0 && side <= MAX_PICTURE_SIDE; }

}  // namespace platform
