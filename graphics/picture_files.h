#pragma once
#include <cstdint>
#include <vector>

#include "graphics/image.h"

// Loads the picture file at `path` into `image` (null: the window's backing image).
// With width and height both positive the picture is scaled to that size, otherwise
// it keeps its natural size. An image without a buffer, or `resize` set, takes the
// destination size; otherwise the image keeps its size and the picture covers its
// top-left part. A file that cannot be read or decoded leaves the image unchanged.
// Pictures are averaged straight from the decoder to the destination size (of at
// most 2 million pixels), so any picture up to 65535 x 65535 loads scaled down; at
// its own size, only one of up to 2048 x 2048 pixels does. Only JPEG, PNG, GIF, BMP,
// WebP, TIFF and HEIF (HEIC, AVIF) files are read; a JPEG's EXIF orientation is
// applied, a HEIF is turned by its container alone.
void gfx_load_picture(IMAGE* image, const char* path, int32_t width, int32_t height, bool resize);

// The size of the picture file at `path` as it is shown (a JPEG's EXIF orientation
// applied), from its header alone. False when it is not a picture we read.
bool gfx_picture_size(const char* path, int32_t& width, int32_t& height);

// Writes `image` (null: the window's backing image) as an uncompressed 24-bit BMP.
// Returns true when the whole file was written; a failed save leaves no partial file.
bool gfx_save_picture(const char* path, const IMAGE* image);

// The bytes of that BMP file; empty when the image has no pixels or is too large for
// the format.
std::vector<uint8_t> gfx_encode_bmp(const IMAGE* image);
