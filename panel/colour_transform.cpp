#include "panel/colour_transform.h"

ColourTransform colour_step(int32_t step) {
  switch (step) {
    case 0:
    case 1:
      return {2, 0, 1, 0};  // (B, R, G)
    case 2:
    case 5:
      return {0, 1, 2, 1};
    default:  // 3, 4
      return {1, 2, 0, 0};  // (G, B, R)
  }
}

ColourTransform compose_colour_transforms(const ColourTransform& earlier, const ColourTransform& later) {
  const uint8_t from[3] = {earlier.red_from, earlier.green_from, earlier.blue_from};
  return {from[later.red_from], from[later.green_from], from[later.blue_from],
          static_cast<uint8_t>(earlier.inverted ^ later.inverted)};
}

void transform_colours(uint32_t* pixels, std::size_t count, int32_t step) {
  const ColourTransform transform = colour_step(step);
  for (std::size_t i = 0; i < count; ++i) pixels[i] = apply_colour_transform(transform, pixels[i]);
}
