#pragma once
// The EXIF orientation of a JPEG, read from the file's own bytes, and turning a
// picture upright by it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Canvas {

// 1 (upright, also when the file has no valid tag) to 8, as EXIF numbers them:
// 2 mirrored, 3 turned half round, 4 flipped, 5 transposed, 6 to be turned a quarter
// clockwise, 7 transversed, 8 to be turned a quarter counter-clockwise.
int32_t exif_orientation(const uint8_t* bytes, size_t size);

// Orientations 5 to 8 swap width and height.
inline bool orientation_swaps_sides(int32_t orientation) { return orientation >= 5 && orientation <= 8; }

// `pixels` holds width x height words as stored, top row first; returns them as the
// picture is seen, which is height x width for the orientations that swap sides.
std::vector<uint32_t> orient_pixels(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                                    int32_t orientation);

}  // namespace Canvas
