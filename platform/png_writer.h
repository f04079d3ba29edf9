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

// A PNG written to a file a band of rows at a time, so a picture of any size is
// encoded without holding it whole: 8-bit RGBA, top row first. Encoded for speed
// first, then size. Null when the file cannot be made; `path` is UTF-8 and is created
// new (an existing file of that name makes the open fail).
struct PngStream;
PngStream* png_stream_open(const char* path, int32_t width, int32_t height);
// `rows` rows of width pixel words (0x00RRGGBB) and width alpha bytes each, packed.
// False once anything has failed; later calls then do nothing.
bool png_stream_rows(PngStream* png, const uint32_t* pixels, const uint8_t* alpha, int32_t rows);
// Ends the file and closes it: true only when every row came and every byte reached
// the file. The stream is freed either way; on failure the file is removed.
bool png_stream_finish(PngStream* png);
// Closes and removes the file, for a save given up part way. Null does nothing.
void png_stream_abandon(PngStream* png);

}  // namespace platform
