// TIFF through libtiff's RGBA interface, a strip or a row of tiles at a time.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/picture_formats.h"

namespace platform {
namespace {

struct TiffSource {
  const uint8_t* bytes;
  size_t size;
  toff_t at;
};

tsize_t read_bytes(thandle_t handle, tdata_t into, tsize_t length) {
  auto* source = static_cast<TiffSource*>(handle);
  if (length <= 0 || source->at >= source->size) return 0;
  const size_t count = std::min(static_cast<size_t>(length), static_cast<size_t>(source->size - source->at));
  std::memcpy(into, source->bytes + source->at, count);
  source->at += count;
  return static_cast<tsize_t>(count);
}
tsize_t write_bytes(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t seek(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = source->at;
  if (whence == SEEK_END) base = source->size;
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  source->at = base + offset;
  return source->at;
}
int close_source(thandle_t) { return 0; }
toff_t source_size(thandle_t handle) { return static_cast<TiffSource*>(handle)->size; }
int no_map(thandle_t, tdata_t*, toff_t*) { return 0; }
void no_unmap(thandle_t, tdata_t, toff_t) {}
int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// libtiff itself refuses any single allocation above the bound, strip offset tables
// and compressed strips included.
TIFF* open_tiff(TiffSource& source) {
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(MAX_DECODER_BUFFER));
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
  TIFF* tiff = TIFFClientOpenExt("picture", "rm", &source, read_bytes, write_bytes, seek, close_source, source_size,
                                 no_map, no_unmap, options);
  TIFFOpenOptionsFree(options);
  return tiff;
}

// libtiff's RGBA words hold red in the lowest byte, premultiplied by alpha.
uint32_t word_of(uint32_t abgr) {
  const uint32_t a = TIFFGetA(abgr);
  uint32_t r = TIFFGetR(abgr);
  uint32_t g = TIFFGetG(abgr);
  uint32_t b = TIFFGetB(abgr);
  if (a == 0) return 0;
  if (a < 255) {
    r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
    g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
    b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
  }
  return argb(a, r, g, b);
}

// Hands on `rows` rows of `columns` raster words, stored bottom row first, for the
// picture area starting at (x, y).
void deliver(const uint32_t* raster, uint32_t raster_width, uint32_t rows, uint32_t columns, int32_t x, int32_t y,
             std::vector<uint32_t>& words, PictureSink& sink) {
  for (uint32_t r = 0; r < rows; ++r) {
    const uint32_t* from = raster + static_cast<size_t>(rows - 1 - r) * raster_width;
    for (uint32_t c = 0; c < columns; ++c) words[c] = word_of(from[c]);
    sink.pixels(y + static_cast<int32_t>(r), x, 1, words.data(), static_cast<int32_t>(columns));
  }
}

bool read_pixels(TIFF* tiff, PictureSink& sink) {
  uint32_t width = 0;
  uint32_t height = 0;
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height)) return false;
  if (!side_ok(width) || !side_ok(height)) return false;
  char message[1024];
  if (!TIFFRGBAImageOK(tiff, message)) return false;
  std::vector<uint32_t> words(width);
  if (TIFFIsTiled(tiff)) {
    uint32_t tile_width = 0;
    uint32_t tile_height = 0;
    if (!TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tile_width) || !TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tile_height))
      return false;
    if (tile_width == 0 || tile_height == 0 || uint64_t{tile_width} * tile_height * 4 > MAX_DECODER_BUFFER) return false;
    if (!sink.begin(static_cast<int32_t>(width), static_cast<int32_t>(height))) return false;
    std::vector<uint32_t> raster(size_t{tile_width} * tile_height);
    for (uint32_t y = 0; y < height; y += tile_height) {
      for (uint32_t x = 0; x < width; x += tile_width) {
        if (!TIFFReadRGBATile(tiff, x, y, raster.data())) return false;
        // The raster holds the whole tile, bottom row first, also past the edges.
        const uint32_t rows = std::min(tile_height, height - y);
        const uint32_t columns = std::min(tile_width, width - x);
        const uint32_t* top_rows = raster.data() + static_cast<size_t>(tile_height - rows) * tile_width;
        deliver(top_rows, tile_width, rows, columns, static_cast<int32_t>(x), static_cast<int32_t>(y), words, sink);
      }
    }
    return true;
  }
  uint32_t rows_per_strip = height;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
  rows_per_strip = std::clamp<uint32_t>(rows_per_strip, 1, height);
  if (uint64_t{width} * rows_per_strip * 4 > MAX_DECODER_BUFFER) return false;
  if (!sink.begin(static_cast<int32_t>(width), static_cast<int32_t>(height))) return false;
  std::vector<uint32_t> raster(size_t{width} * rows_per_strip);
  for (uint32_t y = 0; y < height; y += rows_per_strip) {
    if (!TIFFReadRGBAStrip(tiff, y, raster.data())) return false;
    deliver(raster.data(), width, std::min(rows_per_strip, height - y), width, 0, static_cast<int32_t>(y), words,
            sink);
  }
  return true;
}

}  // namespace

bool decode_tiff(const uint8_t* bytes, size_t size, PictureSink& sink) {
  TiffSource source{bytes, size, 0};
  TIFF* tiff = open_tiff(source);
  if (tiff == nullptr) return false;
  const bool ok = read_pixels(tiff, sink);
  TIFFClose(tiff);
  return ok;
}

}  // namespace platform
