// PNG through libpng, row by row; interlaced pictures pass by pass, each pass's
// pixels handed on with its column step, so only one row is ever held.
#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/picture_formats.h"

namespace platform {
namespace {

constexpr png_alloc_size_t MAX_CHUNK_BYTES = 8u << 20;
constexpr png_uint_32 MAX_CACHED_CHUNKS = 1000;

struct PngSource {
  const uint8_t* bytes;
  size_t size;
  size_t at;
};

void read_bytes(png_structp png, png_bytep into, png_size_t length) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->size - source->at) png_error(png, "cut short");
  std::memcpy(into, source->bytes + source->at, length);
  source->at += length;
}

void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }

uint32_t read_be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Deflate never packs more than 1032 bytes into one, so picture data that would have
// to be packed tighter than that cannot be in the file: such a PNG is refused before
// any of it is inflated, rather than after inflating everything it does hold.
constexpr uint64_t MOST_DEFLATE_EXPANSION = 1032;

bool data_can_hold_picture(const uint8_t* bytes, size_t size) {
  if (size < 33) return false;
  const uint64_t width = read_be32(bytes + 16);
  const uint64_t height = read_be32(bytes + 20);
  const uint32_t depth = bytes[24];
  const uint32_t colour_type = bytes[25];
  const uint32_t channels = colour_type == 2 ? 3 : colour_type == 4 ? 2 : colour_type == 6 ? 4 : 1;
  const uint64_t least_bytes = (width * height * channels * depth + 7) / 8;
  uint64_t data = 0;
  for (size_t at = 8; at + 8 <= size;) {
    const uint64_t length = read_be32(bytes + at);
    if (std::memcmp(bytes + at + 4, "IDAT", 4) == 0) data += length;
    at += 12 + static_cast<size_t>(std::min<uint64_t>(length, size));
  }
  return data * MOST_DEFLATE_EXPANSION >= least_bytes;
}
void on_warning(png_structp, png_const_charp) {}

struct PngLayout {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int passes = 1;
};

// Reads the header and sets the transformations to 8-bit RGBA; false on any error.
bool read_layout(png_structp png, png_infop info, PngLayout& layout) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, MAX_PICTURE_SIDE, MAX_PICTURE_SIDE);
  png_set_chunk_malloc_max(png, MAX_CHUNK_BYTES);
  png_set_chunk_cache_max(png, MAX_CACHED_CHUNKS);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  layout.passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  layout.width = png_get_image_width(png, info);
  layout.height = png_get_image_height(png, info);
  return png_get_rowbytes(png, info) == size_t{layout.width} * 4;
}

void deliver(const png_byte* row, int32_t y, int32_t first, int32_t step, int32_t count, uint32_t* words,
             PictureSink& sink) {
  for (int32_t i = 0; i < count; ++i) {
    const png_byte* p = row + 4 * (static_cast<size_t>(first) + static_cast<size_t>(i) * step);
    words[i] = argb(p[3], p[0], p[1], p[2]);
  }
  sink.pixels(y, first, step, words, count);
}

bool read_rows(png_structp png, const PngLayout& layout, png_bytep row, uint32_t* words,
               PictureSink& sink) {
  if (setjmp(png_jmpbuf(png))) return false;
  const bool interlaced = layout.passes > 1;
  const auto width = static_cast<int32_t>(layout.width);
  for (int pass = 0; pass < layout.passes; ++pass) {
    // With interlace handling libpng takes one call per picture row in every pass and
    // fills only the columns of that pass.
    for (png_uint_32 y = 0; y < layout.height; ++y) {
      png_read_row(png, row, nullptr);
      if (!interlaced) {
        deliver(row, static_cast<int32_t>(y), 0, 1, width, words, sink);
      } else if (PNG_ROW_IN_INTERLACE_PASS(y, pass) && PNG_PASS_COLS(layout.width, pass) > 0) {
        deliver(row, static_cast<int32_t>(y), PNG_PASS_START_COL(pass), PNG_PASS_COL_OFFSET(pass),
                static_cast<int32_t>(PNG_PASS_COLS(layout.width, pass)), words, sink);
      }
    }
  }
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

bool decode_png(const uint8_t* bytes, size_t size, PictureSink& sink) {
  if (!data_can_hold_picture(bytes, size)) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  PngSource source{bytes, size, 0};
  png_set_read_fn(png, &source, read_bytes);
  PngLayout layout;
  bool ok = read_layout(png, info, layout) && side_ok(layout.width) && side_ok(layout.height);
  ok = ok && sink.begin(static_cast<int32_t>(layout.width), static_cast<int32_t>(layout.height));
  if (ok) {
    std::vector<png_byte> row(size_t{layout.width} * 4);
    std::vector<uint32_t> words(layout.width);
    ok = read_rows(png, layout, row.data(), words.data(), sink);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

}  // namespace platform
