#include "picture_writers.h"

#include <png.h>

#include <cstdio>

#include <jpeglib.h>

namespace picture_writers {

bool write_jpeg(const std::string& path, int32_t width, int32_t height, const RowMaker& rows, int quality,
                JpegColours colours, const std::vector<uint8_t>& app1, bool progressive) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  const bool four = colours != JpegColours::rgb;
  info.input_components = four ? 4 : 3;
  info.in_color_space = four ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&info);
  if (colours == JpegColours::ycck) jpeg_set_colorspace(&info, JCS_YCCK);
  jpeg_set_quality(&info, quality, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  if (!app1.empty()) jpeg_write_marker(&info, JPEG_APP0 + 1, app1.data(), static_cast<unsigned>(app1.size()));
  std::vector<uint8_t> row(static_cast<size_t>(width) * info.input_components);
  for (int32_t y = 0; y < height; ++y) {
    rows(y, row);
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

bool write_png(const std::string& path, int32_t width, int32_t height, const RowMaker& rows, bool interlaced) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, 3);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  // An interlaced file takes every row once per pass.
  const int passes = interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (int32_t y = 0; y < height; ++y) {
      rows(y, row);
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

std::vector<uint8_t> exif_with_orientation(int orientation, bool big_endian) {
  auto u16 = [&](std::vector<uint8_t>& b, uint32_t v) {
    if (big_endian) {
      b.push_back(static_cast<uint8_t>(v >> 8));
      b.push_back(static_cast<uint8_t>(v));
    } else {
      b.push_back(static_cast<uint8_t>(v));
      b.push_back(static_cast<uint8_t>(v >> 8));
    }
  };
  auto u32 = [&](std::vector<uint8_t>& b, uint32_t v) {
    if (big_endian) {
      u16(b, v >> 16);
      u16(b, v & 0xFFFF);
    } else {
      u16(b, v & 0xFFFF);
      u16(b, v >> 16);
    }
  };
  // The block's header and the TIFF byte-order mark, written whole (GCC 12 warns
  // wrongly about inserting into a short vector).
  std::vector<uint8_t> b = big_endian ? std::vector<uint8_t>{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42}
                                      : std::vector<uint8_t>{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
  u32(b, 8);             // first directory right after the header
  u16(b, 2);             // two entries: a resolution unit, then the orientation
  u16(b, 0x0128);
  u16(b, 3);
  u32(b, 1);
  u16(b, 2);
  u16(b, 0);
  u16(b, 0x0112);
  u16(b, 3);
  u32(b, 1);
  u16(b, static_cast<uint32_t>(orientation));
  u16(b, 0);
  u32(b, 0);             // no next directory
  return b;
}

std::vector<uint8_t> with_last_scan_repeated(const std::vector<uint8_t>& jpeg, int times) {
  // Scan data never holds 0xFF followed by a marker code other than restarts, so the
  // last start-of-scan marker is found by its bytes.
  size_t last_scan = 0;
  for (size_t i = 2; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) last_scan = i;
  const size_t end = jpeg.size() - 2;  // the end-of-image marker
  if (last_scan == 0 || jpeg[end] != 0xFF || jpeg[end + 1] != 0xD9) return {};
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(end));
  for (int i = 0; i < times; ++i) out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(last_scan), jpeg.begin() + static_cast<std::ptrdiff_t>(end));
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

}  // namespace picture_writers
