#pragma once
#include <cstddef>
#include <cstdint>

#include "app/editing_state.h"

// Rewrites `count` pixel words (0x00RRGGBB) by one step of the six-step colour cycle:
// steps 0 and 1 rotate (R, G, B) to (B, R, G), steps 2 and 5 invert every channel,
// steps 3 and 4 rotate to (G, B, R). The top byte becomes 0. Running steps 0..5 in
// order brings every pixel back to where it started.
void transform_colours(uint32_t* pixels, std::size_t count, int32_t step);

// The single step `step` of that cycle as a ColourTransform.
ColourTransform colour_step(int32_t step);

// `later` applied after `earlier`.
ColourTransform compose_colour_transforms(const ColourTransform& earlier, const ColourTransform& later);

// The pixel word 0x00RRGGBB as the transform shows it; the top byte becomes 0.
inline uint32_t apply_colour_transform(const ColourTransform& transform, uint32_t pixel) {
  const uint32_t channels[3] = {(pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF};
  const uint32_t flip = transform.inverted ? 0xFF : 0;
  return ((channels[transform.red_from] ^ flip) << 16) | ((channels[transform.green_from] ^ flip) << 8) |
         (channels[transform.blue_from] ^ flip);
}
