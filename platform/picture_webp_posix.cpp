// WebP through libwebp, scaled by its own decoder where a smaller picture is enough.
#include <webp/decode.h>

#include <algorithm>
#include <vector>

#include "platform/picture_formats.h"

namespace platform {
namespace {

// Lossless pictures and alpha planes are decoded whole inside libwebp.
constexpr int64_t MAX_WHOLE_PIXELS = 16'000'000;

int64_t ceil_div(int64_t a, int64_t b) { return (a + b - 1) / b; }

}  // namespace

bool decode_webp(const uint8_t* bytes, size_t size, int32_t min_width, int32_t min_height, PictureSink& sink) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return false;
  if (WebPGetFeatures(bytes, size, &config.input) != VP8_STATUS_OK) return false;
  const int64_t width = config.input.width;
  const int64_t height = config.input.height;
  if (!side_ok(width) || !side_ok(height) || config.input.has_animation) return false;
  const bool decoded_whole = config.input.format == 2 || config.input.has_alpha;
  if (decoded_whole && width * height > MAX_WHOLE_PIXELS) return false;

  // The smallest size of the picture's shape that covers the minimum on both sides.
  int64_t out_width = std::max<int64_t>(min_width, ceil_div(width * std::max(min_height, 1), height));
  int64_t out_height = std::max<int64_t>(min_height, ceil_div(height * std::max(min_width, 1), width));
  if (out_width >= width || out_height >= height) {
    out_width = width;
    out_height = height;
  } else {
    config.options.use_scaling = 1;
    config.options.scaled_width = static_cast<int>(out_width);
    config.options.scaled_height = static_cast<int>(out_height);
  }
  config.output.colorspace = MODE_BGRA;
  if (!sink.begin(static_cast<int32_t>(out_width), static_cast<int32_t>(out_height))) return false;
  if (WebPDecode(bytes, size, &config) != VP8_STATUS_OK) {
    WebPFreeDecBuffer(&config.output);
    return false;
  }
  const WebPRGBABuffer& rgba = config.output.u.RGBA;
  const bool whole = config.output.width == out_width && config.output.height == out_height;
  if (whole) {
    // MODE_BGRA stores the bytes of a little-endian 0xAARRGGBB word; build the words
    // from the bytes so the order holds on any machine.
    std::vector<uint32_t> words(static_cast<size_t>(out_width));
    for (int32_t y = 0; y < out_height; ++y) {
      const uint8_t* p = rgba.rgba + static_cast<size_t>(y) * rgba.stride;
      for (int32_t x = 0; x < out_width; ++x, p += 4) words[static_cast<size_t>(x)] = argb(p[3], p[2], p[1], p[0]);
      sink.pixels(y, 0, 1, words.data(), static_cast<int32_t>(out_width));
    }
  }
  WebPFreeDecBuffer(&config.output);
  return whole;
}

}  // namespace platform
