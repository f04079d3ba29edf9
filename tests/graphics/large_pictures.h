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

}  // namespace large_pictures
