#pragma once
// HEIC and AVIF files made with libheif's own encoder for the tests: single pictures
// through its API, and grids of tiles (which libheif 1.15 cannot write) by encoding
// each tile with it and writing the grid's boxes here. Also libheif's own decoding,
// the reference the decoder under test is held to.
#include <cstdint>
#include <string>
#include <vector>

#include "picture_writers.h"

namespace heif_writers {

enum class Codec { hevc, av1 };

struct Options {
  Codec codec = Codec::hevc;
  int bits = 8;  // 8 or 10
  // EXIF numbering; the encoder turns it into the container's irot and imir.
  int orientation = 1;
  // An EXIF block ("Exif\0\0" and TIFF data) stored beside the picture, or none.
  std::vector<uint8_t> exif;
  int quality = 90;
};

// Shading with cells over it, as rows for the writers below: a tile out of place or
// a turn shows at once.
void shaded_row(int32_t y, std::vector<uint8_t>& row);

// `rows` gives three bytes R, G, B per pixel; at 10 bits each value v is stored as
// 4v + 2. False when libheif cannot encode or write it.
bool write_heif(const std::string& path, int32_t width, int32_t height, const picture_writers::RowMaker& rows,
                const Options& options = {});

// The grid's own boxes, for making crafted files: what the grid item declares and
// the transform boxes (whole, with size and type) that follow its size, in order.
struct Grid {
  int32_t tile_width = 512;
  int32_t tile_height = 512;
  int32_t declared_width = 0;  // 0: the picture's own
  int32_t declared_height = 0;
  int32_t missing_tiles = 0;   // references left off the end
  std::vector<std::vector<uint8_t>> transforms;
};
bool write_heif_grid(const std::string& path, int32_t width, int32_t height, const picture_writers::RowMaker& rows,
                     const Grid& grid, const Options& options = {});

// Transform boxes for Grid::transforms.
std::vector<uint8_t> irot_box(int quarter_turns_anticlockwise);
// Mode 1 mirrors left to right, 0 upside down, as libheif reads it.
std::vector<uint8_t> imir_box(int mode);
std::vector<uint8_t> clap_box(int32_t width, int32_t height, int32_t offset_x, int32_t offset_y);

// libheif's own decoding of the primary picture, its transforms applied, as
// 0xFFRRGGBB words (wider channels rounded to 8 bits); empty when it fails.
std::vector<uint32_t> libheif_pixels(const std::string& path, int32_t& width, int32_t& height);

}  // namespace heif_writers
