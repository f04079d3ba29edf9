#pragma once
// Picture files written row by row with the format libraries, for tests and
// benchmarks that need pictures of a given kind or size.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace picture_writers {

// Fills one row: `row` gets width words 0x00RRGGBB for row y (or four bytes C, M, Y, K
// per pixel, as stored, for CMYK files).
using RowMaker = std::function<void(int32_t y, std::vector<uint8_t>& row)>;

enum class JpegColours { rgb, cmyk, ycck };

// `rows` gives three bytes R, G, B per pixel, or four stored C, M, Y, K. `app1` when
// not empty is written as an APP1 segment (an EXIF block). A progressive file has
// libjpeg's usual ten scans.
bool write_jpeg(const std::string& path, int32_t width, int32_t height, const RowMaker& rows, int quality = 90,
                JpegColours colours = JpegColours::rgb, const std::vector<uint8_t>& app1 = {},
                bool progressive = false);

// The bytes of a JPEG with its last scan repeated `times` more times before its end.
std::vector<uint8_t> with_last_scan_repeated(const std::vector<uint8_t>& jpeg, int times);

// `rows` gives three bytes R, G, B per pixel.
bool write_png(const std::string& path, int32_t width, int32_t height, const RowMaker& rows, bool interlaced = false);

// An EXIF block holding only an orientation tag, in either byte order.
std::vector<uint8_t> exif_with_orientation(int orientation, bool big_endian);

}  // namespace picture_writers
