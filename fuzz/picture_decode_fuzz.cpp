// Any bytes, as a picture file of any accepted format: the header size reader and
// the decoder at the picture's own size and scaled, which must agree on the size
// and never leave the bounds they promise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "graphics/picture_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int32_t width = 0;
  int32_t height = 0;
  const bool sized = Canvas::picture_size(data, size, width, height);
  if (sized && (width <= 0 || height <= 0 || width > 65535 || height > 65535)) std::abort();

  Canvas::DecodedPicture natural;
  if (Canvas::decode_picture_at(data, size, 0, 0, natural)) {
    if (!sized || natural.width != width || natural.height != height) std::abort();
    if (natural.pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) std::abort();
  }
  Canvas::DecodedPicture scaled;
  if (Canvas::decode_picture_at(data, size, 37, 23, scaled)) {
    if (!sized || scaled.width != 37 || scaled.height != 23 || scaled.pixels.size() != 37u * 23u) std::abort();
  }
  return 0;
}
