// Picture decoding through SDL2_image.
#include <SDL.h>
#include <SDL_image.h>

#include <climits>
#include <cstring>
#include <new>

#include "platform/picture_checks.h"
#include "platform/picture_decode.h"

namespace platform {

bool decode_picture(const uint8_t* bytes, size_t size, DecodedPicture& out) {
  out = DecodedPicture{};
  if (bytes == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) return false;
  if (!looks_complete(bytes, size)) return false;
  int64_t declared_width = 0;
  int64_t declared_height = 0;
  if (declared_size(bytes, size, declared_width, declared_height) && too_many_pixels(declared_width, declared_height))
    return false;

  SDL_RWops* stream = SDL_RWFromConstMem(bytes, static_cast<int>(size));
  if (stream == nullptr) return false;
  SDL_Surface* decoded = IMG_Load_RW(stream, 1);
  if (decoded == nullptr) return false;
  if (decoded->w <= 0 || decoded->h <= 0 || too_many_pixels(decoded->w, decoded->h)) {
    SDL_FreeSurface(decoded);
    return false;
  }
  // ARGB8888 is a native-endian 0xAARRGGBB word per pixel; a colour key becomes alpha.
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(decoded);
  if (argb == nullptr) return false;

  bool ok = false;
  try {
    std::vector<uint32_t> pixels(static_cast<size_t>(argb->w) * static_cast<size_t>(argb->h));
    if (SDL_LockSurface(argb) == 0) {
      for (int y = 0; y < argb->h; ++y)
        std::memcpy(pixels.data() + static_cast<size_t>(y) * argb->w,
                    static_cast<const uint8_t*>(argb->pixels) + static_cast<size_t>(y) * argb->pitch,
                    sizeof(uint32_t) * argb->w);
      SDL_UnlockSurface(argb);
      out.width = argb->w;
      out.height = argb->h;
      out.pixels = std::move(pixels);
      ok = true;
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  SDL_FreeSurface(argb);
  return ok;
}

}  // namespace platform
