#pragma once
// The large pictures the benchmarks and end-to-end tests open, made once with the
// format libraries row by row and kept in the build folder for later runs.
#include <string>

namespace large_pictures {

// A 16320 x 12240 (200 MP) camera-like JPEG; its path, or empty when it could not be made.
std::string photo_200mp_jpeg(const std::string& build_dir);
// The same photo carrying an EXIF orientation (1 to 8).
std::string photo_200mp_jpeg_oriented(const std::string& build_dir, int orientation);
// A 10000 x 10000 (100 MP) PNG.
std::string picture_100mp_png(const std::string& build_dir);
// A 12000 x 12000 progressive JPEG, whose coefficients alone take 432 MB.
std::string progressive_12000_jpeg(const std::string& build_dir);
// An 8064 x 6048 (48 MP) HEIC as phones write it: a grid of 512 x 512 tiles.
std::string photo_48mp_heic(const std::string& build_dir);

}  // namespace large_pictures
