#pragma once
#include <cstddef>
#include <cstdint>

// Rewrites `count` pixel words (0x00RRGGBB) by one step of the six-step colour cycle:
// steps 0 and 1 rotate (R, G, B) to (B, R, G), steps 2 and 5 invert every channel,
// steps 3 and 4 rotate to (G, B, R). The top byte becomes 0. Running steps 0..5 in
// order brings every pixel back to where it started.
void transform_colours(uint32_t* pixels, std::size_t count, int32_t step);
