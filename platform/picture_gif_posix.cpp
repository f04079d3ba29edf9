// GIF through giflib: the first frame, clipped to the canvas its header declares, so
// a frame that claims to be larger costs no memory of its size.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/picture_formats.h"

namespace platform {
namespace {

struct GifSource {
  const uint8_t* bytes;
  size_t size;
  size_t at;
};

int read_bytes(GifFileType* gif, GifByteType* into, int length) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  const size_t count = std::min(static_cast<size_t>(std::max(length, 0)), source->size - source->at);
  std::memcpy(into, source->bytes + source->at, count);
  source->at += count;
  return static_cast<int>(count);
}

// Reads extensions up to the first image descriptor; returns the transparent colour
// index the last graphic control block named (-1 for none), or -2 on failure.
int skip_to_first_frame(GifFileType* gif) {
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return -2;
    if (type == IMAGE_DESC_RECORD_TYPE) return transparent;
    if (type != EXTENSION_RECORD_TYPE) return -2;  // the file ends without a frame
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return -2;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4)
      transparent = (block[1] & 1) ? block[4] : -1;
    while (block != nullptr) {
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return -2;
    }
  }
}

bool read_first_frame(GifFileType* gif, PictureSink& sink) {
  const int32_t canvas_width = gif->SWidth;
  const int32_t canvas_height = gif->SHeight;
  if (!side_ok(canvas_width) || !side_ok(canvas_height)) return false;
  const int transparent = skip_to_first_frame(gif);
  if (transparent == -2 || DGifGetImageDesc(gif) == GIF_ERROR) return false;
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  if (colours == nullptr || frame.Width <= 0 || frame.Height <= 0) return false;
  // The rows of an interlaced frame come in four passes; one reaching below the canvas
  // would have to be decoded whole for the rows inside it, so it is refused.
  if (frame.Interlace && frame.Top + frame.Height > canvas_height) return false;
  if (!sink.begin(canvas_width, canvas_height)) return false;

  // Only the part of each row inside the canvas is handed on.
  const int32_t first = std::min(frame.Left, canvas_width);
  const int32_t last = std::min(frame.Left + frame.Width, canvas_width);
  std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
  std::vector<uint32_t> words(static_cast<size_t>(std::max(last - first, 1)));
  static const int pass_start[4] = {0, 4, 2, 1};
  static const int pass_step[4] = {8, 8, 4, 2};
  const int passes = frame.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = frame.Interlace ? pass_start[pass] : 0;
    const int step = frame.Interlace ? pass_step[pass] : 1;
    for (int row = start; row < frame.Height; row += step) {
      const int32_t y = frame.Top + row;
      if (!frame.Interlace && y >= canvas_height) return true;  // the rest is outside
      if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return false;
      if (y >= canvas_height || first >= last) continue;
      for (int32_t x = first; x < last; ++x) {
        const int index = line[static_cast<size_t>(x - frame.Left)];
        if (index == transparent) {
          words[static_cast<size_t>(x - first)] = 0;
        } else if (index < colours->ColorCount) {
          const GifColorType& c = colours->Colors[index];
          words[static_cast<size_t>(x - first)] = argb(0xFF, c.Red, c.Green, c.Blue);
        } else {
          words[static_cast<size_t>(x - first)] = argb(0xFF, 0, 0, 0);
        }
      }
      sink.pixels(y, first, 1, words.data(), last - first);
    }
  }
  return true;
}

}  // namespace

bool decode_gif(const uint8_t* bytes, size_t size, PictureSink& sink) {
  GifSource source{bytes, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, read_bytes, &error);
  if (gif == nullptr) return false;
  const bool ok = read_first_frame(gif, sink);
  DGifCloseFile(gif, &error);
  return ok;
}

}  // namespace platform
