// Software presentation of the SDL window backend: the host writes straight into the
// window's surface when it has the host's pixel format, otherwise into a staging
// buffer that SDL converts.
#include "platform/window_sdl.h"

namespace platform::sdl {

void present_frame(SDL_Window* window, WindowHost& host, bool whole, std::vector<uint32_t>& staging) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) return;
  const int32_t width = surface->w;
  const int32_t height = surface->h;
  PixelRect rect;
  if (surface->format->format == SDL_PIXELFORMAT_RGB888 || surface->format->format == SDL_PIXELFORMAT_ARGB8888) {
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    rect = host.fill_frame(static_cast<uint32_t*>(surface->pixels), surface->pitch / 4, width, height, whole);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  } else {
    staging.resize(static_cast<size_t>(width) * height);
    rect = host.fill_frame(staging.data(), width, width, height, whole);
    if (!rect.empty()) {
      if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
      auto* target = static_cast<uint8_t*>(surface->pixels) + rect.top * surface->pitch +
                     rect.left * surface->format->BytesPerPixel;
      SDL_ConvertPixels(rect.right - rect.left, rect.bottom - rect.top, SDL_PIXELFORMAT_RGB888,
                        staging.data() + static_cast<size_t>(rect.top) * width + rect.left, width * 4,
                        surface->format->format, target, surface->pitch);
      if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    }
  }
  if (!rect.empty()) {
    const SDL_Rect shown{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    SDL_UpdateWindowSurfaceRects(window, &shown, 1);
  }
  host.on_presented();
}

}  // namespace platform::sdl
