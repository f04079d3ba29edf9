// PNG encoding through libpng, into memory.
#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "platform/png_writer.h"

namespace platform {
namespace {

// libpng reports errors by longjmp; nothing with a destructor may live between the
// setjmp and the calls that can jump, so the buffers belong to the caller.
void append_bytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  bool appended = true;
  // No exception may cross libpng's C frames; running out of memory becomes its error.
  try {
    out->insert(out->end(), data, data + length);
  } catch (...) {
    appended = false;
  }
  if (!appended) png_error(png, "out of memory");
}

void no_flush(png_structp) {}

bool encode_rows(std::vector<uint8_t>& out, std::vector<uint8_t>& row, const uint32_t* pixels, int32_t width,
                 int32_t height, const uint8_t* alpha) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, append_bytes, no_flush);
  const int channels = alpha != nullptr ? 4 : 3;
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               alpha != nullptr ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    const size_t first = static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t v = pixels[first + x];
      uint8_t* p = row.data() + static_cast<size_t>(x) * channels;
      p[0] = static_cast<uint8_t>(v >> 16);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v);
      if (alpha != nullptr) p[3] = alpha[first + x];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::vector<uint8_t> encode_png(const uint32_t* pixels, int32_t width, int32_t height, const uint8_t* alpha) {
  std::vector<uint8_t> out;
  // PNG allows 2^31 - 1 per side; a row buffer must also fit.
  if (pixels == nullptr || width <= 0 || height <= 0 || width > (1 << 26)) return out;
  std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
  if (!encode_rows(out, row, pixels, width, height, alpha)) out.clear();
  return out;
}

bool write_png(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height) {
  const std::vector<uint8_t> bytes = encode_png(pixels, width, height, nullptr);
  if (bytes.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace platform
