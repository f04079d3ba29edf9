#include <cstdint>
#include <vector>

#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"
#include "graphics/picture_files.h"
#include "graphics/whole_file.h"

namespace {

void put_le16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put_le32(uint8_t* p, uint32_t v) {
  put_le16(p, v & 0xFFFF);
  put_le16(p + 2, v >> 16);
}

constexpr uint32_t BMP_HEADERS_SIZE = 14 + 40;

void put_bgr_row(uint8_t* out, const uint32_t* line, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    out[x * 3 + 0] = static_cast<uint8_t>(line[x]);        // blue
    out[x * 3 + 1] = static_cast<uint8_t>(line[x] >> 8);   // green
    out[x * 3 + 2] = static_cast<uint8_t>(line[x] >> 16);  // red
  }
}

}  // namespace

std::vector<uint8_t> gfx_encode_bmp(const IMAGE* image) {
  if (image == nullptr) image = graph_context().window;
  if (image == nullptr || image->pixels == nullptr || image->width <= 0 || image->height <= 0) return {};
  const uint64_t row_bytes = (static_cast<uint64_t>(image->width) * 3 + 3) & ~uint64_t{3};
  const uint64_t pixel_bytes = row_bytes * static_cast<uint64_t>(image->height);
  if (BMP_HEADERS_SIZE + pixel_bytes > UINT32_MAX) return {};

  std::vector<uint8_t> bytes(BMP_HEADERS_SIZE + pixel_bytes, 0);
  uint8_t* header = bytes.data();
  header[0] = 'B';
  header[1] = 'M';
  put_le32(header + 2, static_cast<uint32_t>(bytes.size()));
  put_le32(header + 10, BMP_HEADERS_SIZE);
  put_le32(header + 14, 40);
  put_le32(header + 18, static_cast<uint32_t>(image->width));
  put_le32(header + 22, static_cast<uint32_t>(image->height));  // positive: bottom row first
  put_le16(header + 26, 1);                                      // planes
  put_le16(header + 28, 24);                                     // bits per pixel
  put_le32(header + 30, 0);                                      // uncompressed
  put_le32(header + 34, static_cast<uint32_t>(pixel_bytes));
  put_le32(header + 38, 3780);  // 96 pixels per inch
  put_le32(header + 42, 3780);
  // Rows are padded to four bytes with zeros, the last row of the picture first.
  for (int32_t y = 0; y < image->height; ++y) {
    const uint32_t* line = image->pixels + static_cast<size_t>(y) * image->width;
    put_bgr_row(header + BMP_HEADERS_SIZE + row_bytes * static_cast<uint64_t>(image->height - 1 - y), line,
                image->width);
  }
  return bytes;
}

bool gfx_save_picture(const char* path, const IMAGE* image) {
  const std::vector<uint8_t> bytes = gfx_encode_bmp(image);
  if (bytes.empty()) return false;
  return write_whole_file(path, bytes, true) == WholeFileResult::written;
}
