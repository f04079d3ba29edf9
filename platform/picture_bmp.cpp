// BMP through SDL, which decodes the whole picture into one surface: only pictures
// small enough for that are taken.
#include <SDL.h>

#include <climits>
#include <cstring>

#include "platform/picture_formats.h"

namespace platform {
namespace {

// Two surfaces of this many pixels (as read, and converted) stay well inside the
// memory a load may take.
constexpr int64_t MAX_BMP_PIXELS = 8'000'000;

uint32_t read_le16(const uint8_t* p) { return (uint32_t{p[1]} << 8) | p[0]; }
uint32_t read_le32(const uint8_t* p) { return (read_le16(p + 2) << 16) | read_le16(p); }

}  // namespace

bool decode_bmp(const uint8_t* bytes, size_t size, PictureSink& sink) {
  int32_t width = 0;
  int32_t height = 0;
  if (!read_picture_size(bytes, size, width, height) || int64_t{width} * height > MAX_BMP_PIXELS) return false;
  if (size > static_cast<size_t>(INT_MAX)) return false;
  // Uncompressed rows must all be in the file; SDL would make up the missing ones.
  const uint32_t header = read_le32(bytes + 14);
  if (header >= 40 && size >= 34 && read_le32(bytes + 30) == 0) {
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

}  // namespace platform
