// HEIC and AVIF through libheif, tile by tile. libheif 1.15 decodes a grid only whole
// (8 bytes a pixel for a 10-bit one), so each tile goes to it as a file of its own,
// and only the tiles that the current row of the shown picture crosses are held: one
// row or one column of tiles, decoded side by side. The container's crop, turns and mirrors are applied
// while the rows are gathered; EXIF orientation is never looked at.
#include <libheif/heif.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/heif_container.h"
#include "platform/heif_tile_file.h"
#include "platform/picture_formats.h"

namespace platform {
namespace {

// Decoded tiles held at once, as libheif gives them: 3 bytes a pixel, 6 above 8 bits.
constexpr int64_t MAX_HELD_BYTES = int64_t{96} << 20;
// One tile's own decoding needs its coded planes and the decoder's pictures besides.
constexpr int64_t MAX_TILE_PIXELS = int64_t{24} << 20;

struct ImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
using Image = std::unique_ptr<heif_image, ImageRelease>;

struct DecodedTile {
  Image image;
  const uint8_t* plane = nullptr;
  int stride = 0;
};

// Decodes one tile at its declared size, as interleaved RGB of 8 or 16 bits a
// channel. False when libheif refuses it or it is not the size the grid declares.
bool decode_tile(const uint8_t* bytes, const heif::Picture& picture, const heif::Tile& tile, bool wide,
                 DecodedTile& out) {
  const std::vector<uint8_t> file = heif::tile_file(bytes, picture.codec, tile);
  heif_context* context = heif_context_alloc();
  if (context == nullptr) return false;
  heif_context_set_maximum_image_size_limit(context, MAX_PICTURE_SIDE + 1);
  heif_context_set_max_decoding_threads(context, 0);
  heif_image_handle* handle = nullptr;
  bool ok = heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr).code ==
                heif_error_Ok &&
            heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok;
  heif_image* image = nullptr;
  if (ok) {
    heif_decoding_options* options = heif_decoding_options_alloc();
    ok = options != nullptr;
    if (ok) {
      options->ignore_transformations = 1;
      ok = heif_decode_image(handle, &image, heif_colorspace_RGB,
                             wide ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, options)
               .code == heif_error_Ok;
      heif_decoding_options_free(options);
    }
  }
  if (handle != nullptr) heif_image_handle_release(handle);
  heif_context_free(context);
  out.image.reset(image);
  if (!ok || image == nullptr) return false;
  out.plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &out.stride);
  return out.plane != nullptr && heif_image_get_width(image, heif_channel_interleaved) == picture.tile_width &&
         heif_image_get_height(image, heif_channel_interleaved) == picture.tile_height &&
         (heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) > 8) == wide;
}

// Decodes the tiles `which` into `held`, on as many threads as the machine has (each
// tile with a decoder of its own). False when any of them fails.
bool decode_tiles(const uint8_t* bytes, const heif::Picture& picture, const std::vector<size_t>& which, bool wide,
                  std::vector<DecodedTile>& held) {
  std::atomic<size_t> next{0};
  std::atomic<bool> failed{false};
  auto work = [&] {
    for (size_t k = next++; k < which.size() && !failed; k = next++) {
      try {
        if (!decode_tile(bytes, picture, picture.tiles[which[k]], wide, held[which[k]])) failed = true;
      } catch (const std::bad_alloc&) {
        failed = true;
      }
    }
  };
  // The first tile on this thread alone: the codecs set up their shared tables on
  // first use, which is not safe to do from two threads at once.
  next = 1;
  if (!decode_tile(bytes, picture, picture.tiles[which[0]], wide, held[which[0]])) return false;
  const size_t threads = std::min<size_t>(std::max(std::thread::hardware_concurrency(), 1u), which.size());
  std::vector<std::thread> helpers;
  try {
    for (size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer helpers, then; this thread decodes the rest.
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  return !failed;
}

// The luma bit depth the first tile's decoder configuration declares; 8 when unknown.
int tile_bits(const uint8_t* bytes, const heif::Picture& picture) {
  const std::vector<uint8_t> file = heif::tile_file(bytes, picture.codec, picture.tiles[0]);
  heif_context* context = heif_context_alloc();
  if (context == nullptr) return 8;
  int bits = 8;
  heif_image_handle* handle = nullptr;
  if (heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr).code == heif_error_Ok &&
      heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
    bits = heif_image_handle_get_luma_bits_per_pixel(handle);
    heif_image_handle_release(handle);
  }
  heif_context_free(context);
  return bits;
}

// Pixel (x, y) of a decoded tile as an opaque word; a wide channel of `bits` bits is
// rounded to the nearest of 8.
uint32_t tile_pixel(const DecodedTile& tile, int32_t x, int32_t y, bool wide, uint32_t top) {
  const uint8_t* row = tile.plane + static_cast<size_t>(y) * static_cast<size_t>(tile.stride);
  if (!wide) {
    const uint8_t* p = row + 3 * static_cast<size_t>(x);
    return argb(0xFF, p[0], p[1], p[2]);
  }
  const uint8_t* p = row + 6 * static_cast<size_t>(x);
  auto channel = [&](int i) {
    const uint32_t v = p[2 * i] | (uint32_t{p[2 * i + 1]} << 8);
    return (std::min(v, top) * 255 + top / 2) / top;
  };
  return argb(0xFF, channel(0), channel(1), channel(2));
}

}  // namespace

bool decode_heif(const uint8_t* bytes, size_t size, PictureSink& sink) {
  heif::Picture picture;
  if (!heif::read_picture(bytes, size, picture)) return false;
  const int64_t tile_pixels = int64_t{picture.tile_width} * picture.tile_height;
  const int bits = tile_bits(bytes, picture);
  if (bits < 8 || bits > 16) return false;
  const bool wide = bits > 8;
  // A row of the shown picture crosses one row of tiles, or one column when turned.
  const int64_t line = picture.map.swaps_sides() ? picture.rows : picture.columns;
  if (tile_pixels > MAX_TILE_PIXELS || line * tile_pixels * (wide ? 6 : 3) > MAX_HELD_BYTES)
    return false;
  if (!sink.begin(picture.width, picture.height)) return false;

  const heif::PixelMap& map = picture.map;
  const uint32_t top = (1u << bits) - 1;
  const int32_t tw = picture.tile_width, th = picture.tile_height;
  std::vector<DecodedTile> held;
  std::vector<uint32_t> words;
  try {
    held.resize(picture.tiles.size());
    words.resize(static_cast<size_t>(picture.width));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int32_t y = 0; y < picture.height; ++y) {
    // The row's ends in the stored picture, and the tiles between them. The row moves
    // steadily through the stored picture, so a tile it has left is never met again.
    const int64_t last = picture.width - 1;
    const int64_t x_a = map.stored_x(0, y), x_b = map.stored_x(last, y);
    const int64_t y_a = map.stored_y(0, y), y_b = map.stored_y(last, y);
    const int64_t col_lo = std::min(x_a, x_b) / tw, col_hi = std::max(x_a, x_b) / tw;
    const int64_t row_lo = std::min(y_a, y_b) / th, row_hi = std::max(y_a, y_b) / th;
    std::vector<size_t> missing;
    for (size_t i = 0; i < held.size(); ++i) {
      const int64_t r = static_cast<int64_t>(i) / picture.columns, c = static_cast<int64_t>(i) % picture.columns;
      const bool needed = r >= row_lo && r <= row_hi && c >= col_lo && c <= col_hi;
      if (!needed) held[i] = DecodedTile{};
      else if (!held[i].image) missing.push_back(i);
    }
    if (!missing.empty() && !decode_tiles(bytes, picture, missing, wide, held)) return false;
    // Along the row the stored pixel moves by one step of (dx, dy); which tile it is
    // in and where is carried along rather than divided out for every pixel.
    const int32_t dx = static_cast<int32_t>(map.xx), dy = static_cast<int32_t>(map.yx);
    int32_t column = static_cast<int32_t>(x_a / tw), in_x = static_cast<int32_t>(x_a % tw);
    int32_t row = static_cast<int32_t>(y_a / th), in_y = static_cast<int32_t>(y_a % th);
    for (int32_t x = 0; x < picture.width; ++x) {
      const DecodedTile& tile = held[static_cast<size_t>(row) * picture.columns + column];
      words[static_cast<size_t>(x)] = tile_pixel(tile, in_x, in_y, wide, top);
      in_x += dx, in_y += dy;
      if (in_x == tw) in_x = 0, ++column;
      if (in_x < 0) in_x = tw - 1, --column;
      if (in_y == th) in_y = 0, ++row;
      if (in_y < 0) in_y = th - 1, --row;
    }
    sink.pixels(y, 0, 1, words.data(), picture.width);
  }
  return true;
}

}  // namespace platform
