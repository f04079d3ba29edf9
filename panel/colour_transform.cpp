#include "panel/colour_transform.h"

void transform_colours(uint32_t* pixels, std::size_t count, int32_t step) {
  for (std::size_t i = 0; i < count; ++i) {
    const uint32_t v = pixels[i];
    const uint32_t r = (v >> 16) & 0xFF;
    const uint32_t g = (v >> 8) & 0xFF;
    const uint32_t b = v & 0xFF;
    switch (step) {
      case 0:
      case 1:
        pixels[i] = (b << 16) | (r << 8) | g;
        break;
      case 2:
      case 5:
        pixels[i] = ((255 - r) << 16) | ((255 - g) << 8) | (255 - b);
        break;
      default:  // 3, 4
        pixels[i] = (g << 16) | (b << 8) | r;
        break;
    }
  }
}
