// BMP: uncompressed files with 1, 4, 8 or 24 bits a pixel are read here row by row,
// straight from the file's bytes; every other kind (run-length coded, bit fields,
// 16 and 32 bits) goes through SDL, which decodes the whole picture into one
// surface, so only small ones are taken there.
#include <SDL.h>

#include <climits>
#include <cstring>
#include <vector>

#include "platform/picture_formats.h"

namespace platform {
namespace {

// Two surfaces of this many pixels (as read, and converted) stay well inside the
// memory a load may take.
constexpr int64_t MAX_SDL_PIXELS = 8'000'000;
constexpr uint32_t UNCOMPRESSED = 0;

uint32_t read_le16(const uint8_t* p) { return (uint32_t{p[1]} << 8) | p[0]; }
uint32_t read_le32(const uint8_t* p) { return (read_le16(p + 2) << 16) | read_le16(p); }

struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;
  bool top_down = false;
  uint32_t bits = 0;
  uint32_t compression = 0;
  uint64_t pixels_at = 0;
  uint64_t row_bytes = 0;
  std::vector<uint32_t> palette;  // opaque 0xAARRGGBB words
};

// The layout of a file this reader takes; false for any other.
bool streamed_layout(const uint8_t* bytes, size_t size, BmpLayout& layout) {
  if (size < 30) return false;
  const uint32_t header = read_le32(bytes + 14);
  if (header == 12 || header < 40 || size < 14 + uint64_t{header}) return false;
  const auto height = static_cast<int32_t>(read_le32(bytes + 22));
  layout.top_down = height < 0;
  layout.bits = read_le16(bytes + 28);
  layout.compression = read_le32(bytes + 30);
  if (layout.compression != UNCOMPRESSED) return false;
  if (layout.bits != 1 && layout.bits != 4 && layout.bits != 8 && layout.bits != 24) return false;
  if (!read_picture_size(bytes, size, layout.width, layout.height)) return false;
  layout.pixels_at = read_le32(bytes + 10);
  layout.row_bytes = (uint64_t{static_cast<uint32_t>(layout.width)} * layout.bits + 31) / 32 * 4;
  if (layout.pixels_at + layout.row_bytes * static_cast<uint32_t>(layout.height) > size) return false;
  if (layout.bits <= 8) {
    // The colour table follows the header: 4 bytes an entry, all 2^bits unless the
    // header names fewer.
    uint64_t colours = read_le32(bytes + 46);
    if (colours == 0 || colours > (uint64_t{1} << layout.bits)) colours = uint64_t{1} << layout.bits;
    const uint64_t table_at = 14 + uint64_t{header};
    if (table_at + 4 * colours > layout.pixels_at) return false;
    layout.palette.assign(size_t{1} << layout.bits, argb(0xFF, 0, 0, 0));
    for (uint64_t i = 0; i < colours; ++i) {
      const uint8_t* entry = bytes + table_at + 4 * i;
      layout.palette[i] = argb(0xFF, entry[2], entry[1], entry[0]);
    }
  }
  return true;
}

void row_words(const BmpLayout& layout, const uint8_t* row, uint32_t* words) {
  if (layout.bits == 24) {
    for (int32_t x = 0; x < layout.width; ++x, row += 3) words[x] = argb(0xFF, row[2], row[1], row[0]);
    return;
  }
  const uint32_t per_byte = 8 / layout.bits;
  const uint32_t mask = (1u << layout.bits) - 1;
  for (int32_t x = 0; x < layout.width; ++x) {
    const uint32_t byte = row[static_cast<uint32_t>(x) / per_byte];
    const uint32_t shift = 8 - layout.bits * (static_cast<uint32_t>(x) % per_byte + 1);
    words[x] = layout.palette[(byte >> shift) & mask];
  }
}

bool decode_streamed(const uint8_t* bytes, const BmpLayout& layout, PictureSink& sink) {
  if (!sink.begin(layout.width, layout.height)) return false;
  std::vector<uint32_t> words(static_cast<size_t>(layout.width));
  for (int32_t stored = 0; stored < layout.height; ++stored) {
    const uint8_t* row = bytes + layout.pixels_at + layout.row_bytes * static_cast<uint32_t>(stored);
    row_words(layout, row, words.data());
    sink.pixels(layout.top_down ? stored : layout.height - 1 - stored, 0, 1, words.data(), layout.width);
  }
  return true;
}

bool decode_with_sdl(const uint8_t* bytes, size_t size, PictureSink& sink) {
  int32_t width = 0;
  int32_t height = 0;
  if (!read_picture_size(bytes, size, width, height) || int64_t{width} * height > MAX_SDL_PIXELS) return false;
  if (size > static_cast<size_t>(INT_MAX)) return false;
  // Uncompressed rows must all be in the file; SDL would make up the missing ones.
  const uint32_t header = read_le32(bytes + 14);
  if (header >= 40 && size >= 34 && read_le32(bytes + 30) == UNCOMPRESSED) {
    const uint32_t bits = read_le16(bytes + 28);
    const uint64_t row = (uint64_t{static_cast<uint32_t>(width)} * bits + 31) / 32 * 4;
    const uint64_t offset = read_le32(bytes + 10);
    if (offset + row * static_cast<uint32_t>(height) > size) return false;
  }
  SDL_RWops* stream = SDL_RWFromConstMem(bytes, static_cast<int>(size));
  if (stream == nullptr) return false;
  SDL_Surface* decoded = SDL_LoadBMP_RW(stream, 1);
  if (decoded == nullptr) return false;
  // ARGB8888 is a native-endian 0xAARRGGBB word per pixel; a colour key becomes alpha.
  SDL_Surface* words = decoded->w == width && decoded->h == height
                           ? SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ARGB8888, 0)
                           : nullptr;
  SDL_FreeSurface(decoded);
  if (words == nullptr) return false;
  bool ok = sink.begin(width, height) && SDL_LockSurface(words) == 0;
  if (ok) {
    for (int32_t y = 0; y < height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(words->pixels) +
                                                          static_cast<size_t>(y) * words->pitch);
      sink.pixels(y, 0, 1, row, width);
    }
    SDL_UnlockSurface(words);
  }
  SDL_FreeSurface(words);
  return ok;
}

}  // namespace

bool decode_bmp(const uint8_t* bytes, size_t size, PictureSink& sink) {
  BmpLayout layout;
  if (streamed_layout(bytes, size, layout)) return decode_streamed(bytes, layout, sink);
  return decode_with_sdl(bytes, size, sink);
}

}  // namespace platform
