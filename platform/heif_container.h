#pragma once
// What a HEIF file (HEIC, AVIF) says about its primary picture, read from the boxes
// alone, shared by both systems: how it is coded, where its coded data lies, how its
// tiles make up the picture and how the container turns it before it is shown.
//
// A picture is either one coded image or a grid of equal coded tiles, stored row by
// row. The container may crop it ('clap'), turn it ('irot') and mirror it ('imir'),
// in the order the file lists these; the shown picture is the result. Coordinates
// count from the top-left pixel.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::heif {

enum class Codec { hevc, av1 };

// A run of bytes of the file.
struct Span {
  size_t offset = 0;
  size_t size = 0;
};

struct Tile {
  // The coded data, in order; each run lies inside the file.
  std::vector<Span> data;
  // Whole property boxes a decoder needs beside the data: the codec's configuration,
  // the size, the colour description and the bit depths, each inside the file.
  std::vector<Span> properties;
};

// The shown picture's pixel (x, y) is the stored picture's pixel
// (x0 + x * xx + y * xy, y0 + x * yx + y * yy): a crop, quarter turns and mirrors.
struct PixelMap {
  int64_t x0 = 0, xx = 1, xy = 0;
  int64_t y0 = 0, yx = 0, yy = 1;
  int64_t stored_x(int64_t x, int64_t y) const { return x0 + x * xx + y * xy; }
  int64_t stored_y(int64_t x, int64_t y) const { return y0 + x * yx + y * yy; }
  // True when a row of the shown picture is a column of the stored one.
  bool swaps_sides() const { return xx == 0; }
};

struct Picture {
  Codec codec = Codec::hevc;
  // The stored picture: one image, or the grid's canvas.
  int32_t stored_width = 0;
  int32_t stored_height = 0;
  int32_t tile_width = 0;
  int32_t tile_height = 0;
  int32_t columns = 1;
  int32_t rows = 1;
  std::vector<Tile> tiles;  // rows x columns, row by row
  // The shown picture, after the container's transforms.
  int32_t width = 0;
  int32_t height = 0;
  PixelMap map;
};

// Grids of more tiles than this are refused: each tile is decoded on its own. So are
// pictures of more pixels: every pixel is decoded, whatever size is wanted.
inline constexpr int32_t MAX_TILES = 4096;
inline constexpr int64_t MAX_PIXELS = int64_t{256} << 20;

// True for a HEIF file whose brands name a HEVC or AV1 still picture.
bool is_heif(const uint8_t* bytes, size_t size);

// Reads the primary picture's layout. False when the file is no HEIF, its primary
// picture is neither HEVC, AV1 nor a grid of either, a tile is missing or does not
// fit the grid, a transform does not fit the picture, any side is 0 or above 65535,
// it has more than MAX_PIXELS, or any data it names lies outside the file (which is
// then cut short).
bool read_picture(const uint8_t* bytes, size_t size, Picture& picture);

}  // namespace platform::heif
