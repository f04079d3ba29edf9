#pragma once
// Helpers for pixel-exact drawing tests: a small target image, the set of pixels that
// differ from the background, and a picture of the image for failure messages.
#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "drawing/gfx_drawing.h"
#include "drawing/image_device.h"
#include "graphics/graph_context.h"
#include "graphics/image.h"

namespace drawing_test {

using Pixel = std::pair<int32_t, int32_t>;
using PixelSet = std::set<Pixel>;

// An image of the given size that is the drawing target while it lives.
struct Target {
  IMAGE image;
  Target(int32_t width, int32_t height, uint32_t background = 0) : image(width, height) {
    for (int32_t i = 0; i < width * height; ++i) image.pixels[i] = background;
    gfx_set_target(&image);
  }
  ~Target() { graph_context().target = nullptr; graph_context().device = nullptr; }
  Canvas::DrawOnImg& device() { return *graph_context().device; }
  uint32_t at(int32_t x, int32_t y) const { return image.pixels[y * image.width + x]; }
};

inline PixelSet lit(const IMAGE& image, uint32_t background = 0) {
  PixelSet out;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x)
      if (image.pixels[y * image.width + x] != background) out.insert({x, y});
  return out;
}

inline PixelSet rect_pixels(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  PixelSet out;
  for (int32_t y = top; y <= bottom; ++y)
    for (int32_t x = left; x <= right; ++x) out.insert({x, y});
  return out;
}

inline std::string picture(const IMAGE& image, uint32_t background = 0) {
  std::string out = "\n";
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) out += image.pixels[y * image.width + x] != background ? '#' : '.';
    out += '\n';
  }
  return out;
}

inline std::string picture(const PixelSet& pixels, int32_t width, int32_t height) {
  std::string out = "\n";
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) out += pixels.count({x, y}) ? '#' : '.';
    out += '\n';
  }
  return out;
}

}  // namespace drawing_test
