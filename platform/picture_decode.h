#pragma once
// Decoding picture files from bytes already in memory, streamed: the size comes from
// the header alone, then the pixels are handed to a sink a row (or a strided piece of
// a row) at a time, so no buffer of the whole picture is needed.
//
// Only JPEG, PNG, GIF, BMP, WebP, TIFF and HEIF (HEIC, AVIF) are read, recognised by
// their content, not by the file name. Pixels are 32-bit words 0xAARRGGBB (blue in
// the lowest byte) with straight, not premultiplied, alpha; opaque pictures have 0xFF
// in every alpha byte. Rows and columns count from the top-left pixel as the file
// stores it (no EXIF orientation is applied here); a HEIF is stored as its container
// shows it, cropped, turned and mirrored as the container says.
#include <cstddef>
#include <cstdint>

namespace platform {

// Neither side of a picture may be longer.
inline constexpr int32_t MAX_PICTURE_SIDE = 65535;

class PictureSink {
 public:
  // Called once before any pixels with the size the decoder will deliver: at least
  // the minimum asked for (or the stored size when that is smaller), at most the
  // stored size. Returning false stops decoding, which then fails.
  virtual bool begin(int32_t width, int32_t height) = 0;
  // `count` pixels of row `y`: at columns x, x + step, x + 2 * step, ... (step 1 for a
  // whole run of a row; interlaced formats deliver each pass with its own step).
  // Every pixel comes at most once; pixels a picture leaves uncovered never come.
  virtual void pixels(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count) = 0;

 protected:
  ~PictureSink() = default;
};

// The stored width and height, read from the header alone. False when the bytes are
// none of the formats above, or declare a side of 0 or above MAX_PICTURE_SIDE.
bool read_picture_size(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height);

// Decodes the picture into `sink`, at a size of at least min_width x min_height
// where the format can decode smaller than stored (JPEG's DCT scaling, WebP's
// scaler). Returns true when the whole picture was delivered; false when it is not a
// picture we read, is cut short or damaged, or would take more memory than the bounds
// each format sets from its header before decoding.
bool decode_picture(const uint8_t* bytes, size_t size, int32_t min_width, int32_t min_height, PictureSink& sink);

}  // namespace platform
