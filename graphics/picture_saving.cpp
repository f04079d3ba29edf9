#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"
#include "graphics/picture_files.h"
#include "platform/files.h"

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

// Writes the whole BMP to an open file; false when any write fails.
bool write_bmp(std::FILE* file, const IMAGE& image) {
  const uint32_t row_bytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
  const uint32_t pixel_bytes = row_bytes * static_cast<uint32_t>(image.height);
  uint8_t header[BMP_HEADERS_SIZE] = {};
  header[0] = 'B';
  header[1] = 'M';
  put_le32(header + 2, BMP_HEADERS_SIZE + pixel_bytes);
  put_le32(header + 10, BMP_HEADERS_SIZE);
  put_le32(header + 14, 40);
  put_le32(header + 18, static_cast<uint32_t>(image.width));
  put_le32(header + 22, static_cast<uint32_t>(image.height));  // positive: bottom row first
  put_le16(header + 26, 1);                                     // planes
  put_le16(header + 28, 24);                                    // bits per pixel
  put_le32(header + 30, 0);                                     // uncompressed
  put_le32(header + 34, pixel_bytes);
  put_le32(header + 38, 3780);  // 96 pixels per inch
  put_le32(header + 42, 3780);
  if (std::fwrite(header, 1, sizeof header, file) != sizeof header) return false;

  std::vector<uint8_t> row(row_bytes, 0);
  for (int32_t y = image.height - 1; y >= 0; --y) {
    const uint32_t* line = image.pixels + static_cast<size_t>(y) * image.width;
    for (int32_t x = 0; x < image.width; ++x) {
      row[x * 3 + 0] = static_cast<uint8_t>(line[x]);        // blue
      row[x * 3 + 1] = static_cast<uint8_t>(line[x] >> 8);   // green
      row[x * 3 + 2] = static_cast<uint8_t>(line[x] >> 16);  // red
    }
    if (std::fwrite(row.data(), 1, row_bytes, file) != row_bytes) return false;
  }
  return std::fflush(file) == 0;
}

// Opens a fresh file beside `target` that no one else is using.
std::FILE* open_temporary(const std::string& target, std::string& temporary) {
  static unsigned counter = 0;
  const auto stamp = reinterpret_cast<uintptr_t>(&counter) ^ static_cast<uintptr_t>(std::time(nullptr));
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = target + ".~save" + std::to_string((stamp + ++counter) % 1000000007u);
    if (std::FILE* file = platform::create_new_file(temporary.c_str())) return file;
  }
  return nullptr;
}

}  // namespace

bool gfx_save_picture(const char* path, const IMAGE* image) {
  if (image == nullptr) image = graph_context().window;
  if (image == nullptr || image->pixels == nullptr || path == nullptr || *path == '\0') return false;
  if (image->width <= 0 || image->height <= 0) return false;
  const uint64_t row_bytes = (static_cast<uint64_t>(image->width) * 3 + 3) & ~uint64_t{3};
  if (BMP_HEADERS_SIZE + row_bytes * image->height > UINT32_MAX) return false;

  std::string temporary;
  std::FILE* file = open_temporary(path, temporary);
  if (file == nullptr) return false;
  bool ok = write_bmp(file, *image);
  ok = std::fclose(file) == 0 && ok;
  if (ok) ok = platform::move_file(temporary.c_str(), path, true);
  if (!ok) platform::remove_file(temporary.c_str());
  return ok;
}
