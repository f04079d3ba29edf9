#pragma once
// Decoding picture files (JPEG, PNG, BMP, GIF and whatever else the platform's
// decoder reads) from bytes already in memory.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Larger pictures are refused before anything of their size is allocated.
inline constexpr int64_t MAX_DECODED_PIXELS = 100'000'000;

// A decoded picture: width x height words, top row first, rows packed end to end.
// Each word is 0xAARRGGBB with straight (not premultiplied) alpha; opaque pictures
// have 0xFF in every alpha byte.
struct DecodedPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

// Decodes `size` bytes at `bytes`. Returns false, leaving `out` empty, when the bytes
// are not a picture the decoder reads, are cut short, describe more than
// MAX_DECODED_PIXELS pixels, or memory runs out.
bool decode_picture(const uint8_t* bytes, size_t size, DecodedPicture& out);

}  // namespace platform
