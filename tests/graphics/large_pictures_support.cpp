#include "large_pictures.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include <unistd.h>

#include "heif_writers.h"
#include "picture_writers.h"

namespace large_pictures {
namespace {

namespace fs = std::filesystem;

// Smooth shading with a fine grain over it, so the file is about as hard to decode as
// a photograph (a flat picture would be decoded far faster).
void photo_row(int32_t y, std::vector<uint8_t>& row) {
  uint32_t grain = 0x9E3779B9u * static_cast<uint32_t>(y + 1);
  const size_t width = row.size() / 3;
  for (size_t x = 0; x < width; ++x) {
    grain = grain * 1664525u + 1013904223u;
    const int g = static_cast<int>((grain >> 28) & 7) - 4;
    auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    row[3 * x] = clamp(static_cast<int>((x / 40 + y / 70) % 200) + 30 + g);
    row[3 * x + 1] = clamp(static_cast<int>((x / 23) % 150 + (y / 90) % 90) + g);
    row[3 * x + 2] = clamp(static_cast<int>(255 - (y / 48) % 256) + g);
  }
}

// Makes `name` in the build folder's picture cache once; a half-written file is never
// left under the final name.
template <typename Make>
std::string cached(const std::string& build_dir, const std::string& name, Make make) {
  const fs::path folder = fs::path(build_dir) / "picture-cache";
  const fs::path file = folder / name;
  std::error_code error;
  if (fs::exists(file, error)) return file.string();
  fs::create_directories(folder, error);
  const fs::path partial = folder / (name + ".partial" + std::to_string(::getpid()));
  if (!make(partial.string())) return {};
  fs::rename(partial, file, error);
  return error ? std::string() : file.string();
}

}  // namespace

std::string photo_200mp_jpeg(const std::string& build_dir) {
  return cached(build_dir, "photo-16320x12240.jpg", [](const std::string& path) {
    return picture_writers::write_jpeg(path, 16320, 12240, photo_row, 90);
  });
}

std::string photo_200mp_jpeg_oriented(const std::string& build_dir, int orientation) {
  const std::string plain = photo_200mp_jpeg(build_dir);
  if (plain.empty()) return {};
  return cached(build_dir, "photo-16320x12240-" + std::to_string(orientation) + ".jpg",
                [&](const std::string& path) {
                  std::ifstream in(plain, std::ios::binary);
                  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
                  if (bytes.size() < 2) return false;
                  // The EXIF block goes right after the start marker.
                  const std::vector<uint8_t> exif = picture_writers::exif_with_orientation(orientation, false);
                  const size_t length = exif.size() + 2;
                  std::ofstream out(path, std::ios::binary);
                  out.write(bytes.data(), 2);
                  const char marker[4] = {char(0xFF), char(0xE1), char(length >> 8), char(length & 0xFF)};
                  out.write(marker, 4);
                  out.write(reinterpret_cast<const char*>(exif.data()), static_cast<std::streamsize>(exif.size()));
                  out.write(bytes.data() + 2, static_cast<std::streamsize>(bytes.size() - 2));
                  return static_cast<bool>(out);
                });
}

std::string picture_100mp_png(const std::string& build_dir) {
  return cached(build_dir, "picture-10000x10000.png", [](const std::string& path) {
    return picture_writers::write_png(path, 10000, 10000, photo_row);
  });
}

std::string progressive_12000_jpeg(const std::string& build_dir) {
  return cached(build_dir, "progressive-12000x12000.jpg", [](const std::string& path) {
    return picture_writers::write_jpeg(path, 12000, 12000, photo_row, 85, picture_writers::JpegColours::rgb, {}, true);
  });
}

std::string photo_48mp_heic(const std::string& build_dir) {
  return cached(build_dir, "photo-8064x6048.heic", [](const std::string& path) {
    return heif_writers::write_heif_grid(path, 8064, 6048, photo_row, heif_writers::Grid{});
  });
}

}  // namespace large_pictures
