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

// Where the pixel seen at (x, y) is stored, in a stored picture of width x height;
// `x` and `y` become the stored column and row.
inline void stored_position(int32_t orientation, int32_t width, int32_t height, int32_t& x, int32_t& y) {
  const int32_t dx = x;
  const int32_t dy = y;
  switch (orientation) {
    case 2: x = width - 1 - dx; break;
    case 3: x = width - 1 - dx; y = height - 1 - dy; break;
    case 4: y = height - 1 - dy; break;
    case 5: x = dy; y = dx; break;
    case 6: x = dy; y = height - 1 - dx; break;
    case 7: x = width - 1 - dy; y = height - 1 - dx; break;
    case 8: x = width - 1 - dy; y = dx; break;
    default: break;
  }
}

// `pixels` holds width x height words as stored, top row first; returns them as the
// picture is seen, which is height x width for the orientations that swap sides.
std::vector<uint32_t> orient_pixels(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                                    int32_t orientation);

}  // namespace Canvas
