// PNG writing through SDL2_image.
#include <SDL.h>
#include <SDL_image.h>

#include <climits>

#include "platform/png_writer.h"

namespace platform {

bool write_png(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height) {
  if (pixels == nullptr || width <= 0 || height <= 0 || width > INT_MAX / 4) return false;
  // SDL only reads the pixels here; its surface type just has no const form.
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                            width * 4, SDL_PIXELFORMAT_RGB888);
  if (surface == nullptr) return false;
  const bool written = IMG_SavePNG(surface, path.c_str()) == 0;
  SDL_FreeSurface(surface);
  return written;
}

}  // namespace platform
