#include "graphics/picture_files.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "graphics/global_memory.h"
#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"
#include "graphics/picture_decoding.h"

namespace {

// Puts an 0xAARRGGBB word over a 0x00RRGGBB pixel.
uint32_t blend_over(uint32_t source, uint32_t below) {
  const uint32_t alpha = source >> 24;
  if (alpha == 0xFF) return source & 0xFFFFFFu;
  if (alpha == 0) return below;
  uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t s = (source >> shift) & 0xFF;
    const uint32_t d = (below >> shift) & 0xFF;
    result |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
  }
  return result;
}

}  // namespace

void gfx_load_picture(IMAGE* image, const char* path, int32_t width, int32_t height, bool resize) {
  const bool to_window = image == nullptr;
  if (to_window) image = graph_context().window;
  if (image == nullptr || path == nullptr) return;

  Canvas::DecodedPicture decoded;
  {
    Canvas::GlobalMemory memory;
    memory.load_file(path);
    if (!Canvas::decode_picture_at(memory.data(), memory.size, width, height, decoded)) return;
  }
  const int32_t dst_width = decoded.width;
  const int32_t dst_height = decoded.height;
  const std::vector<uint32_t>& scaled = decoded.pixels;

  if (image->pixels == nullptr || resize) {
    image->resize(dst_width, dst_height);
    if (image->width != dst_width || image->height != dst_height || image->pixels == nullptr) return;
  }

  {
    // The window thread paints from the backing image.
    std::unique_lock<std::recursive_mutex> lock;
    if (to_window) lock = std::unique_lock(graph_context().graph_lock);
    const int32_t rows = std::min(dst_height, image->height);
    const int32_t cols = std::min(dst_width, image->width);
    for (int32_t y = 0; y < rows; ++y) {
      const uint32_t* from = scaled.data() + static_cast<size_t>(y) * dst_width;
      uint32_t* to = image->pixels + static_cast<size_t>(y) * image->width;
      for (int32_t x = 0; x < cols; ++x) to[x] = blend_over(from[x], to[x]);
    }
  }
  if (to_window) gfx_flush();
}

bool gfx_picture_size(const char* path, int32_t& width, int32_t& height) {
  if (path == nullptr) return false;
  // Headers (and a JPEG's EXIF block) are near the start; only a file whose size is
  // not found there, a TIFF with its directory at the end say, is read whole.
  constexpr uint64_t HEADER_BYTES = 1 << 20;
  Canvas::GlobalMemory memory;
  bool whole = false;
  if (!memory.load_file_start(path, HEADER_BYTES, whole)) return false;
  if (Canvas::picture_size(memory.data(), memory.size, width, height)) return true;
  if (whole || !memory.load_file(path)) return false;
  return Canvas::picture_size(memory.data(), memory.size, width, height);
}
