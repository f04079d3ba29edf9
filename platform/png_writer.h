#pragma once
// PNG files from pixel buffers: the saved cut-out with its transparency, and pictures
// that tools and tests write to look at what was drawn.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Encodes width x height pixel words (0x00RRGGBB, top row first, rows packed end to
// end) as a PNG. With `alpha` (one byte per pixel in the same layout, 0 transparent
// to 255 opaque) the PNG is 8-bit RGBA, without it 8-bit RGB. An empty result when
// the size is not positive or the picture cannot be encoded.
std::vector<uint8_t> encode_png(const uint32_t* pixels, int32_t width, int32_t height, const uint8_t* alpha);

// Writes the pixels to `path` as an opaque RGB PNG, replacing any file of that name.
// False when the size is not positive or the file cannot be written.
bool write_png(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height);

}  // namespace platform
