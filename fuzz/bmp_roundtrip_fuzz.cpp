// A picture made from the input's bytes, saved as a BMP and read back, must come back
// with its size and every pixel.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/image.h"
#include "graphics/picture_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t width = 1 + data[0] % 64;
  const int32_t height = 1 + data[1] % 64;
  IMAGE image(width, height);
  // Pixels are 0x00RRGGBB: the top byte never reaches a file.
  const uint8_t* bytes = data + 2;
  const size_t count = size - 2;
  for (int32_t i = 0; i < width * height; ++i) {
    uint32_t v = 0;
    for (size_t b = 0; b < 3; ++b) v = (v << 8) | (count > 0 ? bytes[(static_cast<size_t>(i) * 3 + b) % count] : 0);
    image.pixels[i] = v;
  }
  static const std::string file = "/tmp/tessary-fuzz-" + std::to_string(getpid()) + ".bmp";
  if (!gfx_save_picture(file.c_str(), &image)) std::abort();
  IMAGE loaded;
  gfx_load_picture(&loaded, file.c_str(), 0, 0, false);
  if (loaded.width != width || loaded.height != height) std::abort();
  for (int32_t i = 0; i < width * height; ++i)
    if (loaded.pixels[i] != image.pixels[i]) std::abort();
  std::remove(file.c_str());
  return 0;
}
