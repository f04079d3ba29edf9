#include "panel/cutout_png.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/editing_state.h"
#include "graphics/full_size_decoding.h"
#include "graphics/global_memory.h"
#include "graphics/picture_decoding.h"
#include "panel/colour_transform.h"
#include "panel/edge_matte.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/png_writer.h"

namespace {

constexpr int32_t BAND = 64;

bool is_identity(const ColourTransform& t) {
  return t.red_from == 0 && t.green_from == 1 && t.blue_from == 2 && t.inverted == 0;
}

// Upright rows in, PNG rows out: the colour transform applied, alpha from the matte,
// and no colour kept where nothing is seen.
class CutoutRows final : public Canvas::UprightBandSink {
 public:
  CutoutRows(const char* path, int32_t width, int32_t height, const EdgeMatte& matte, SaveProgress progress)
      : path_(path), width_(width), height_(height), matte_(matte), progress_(progress) {}
  ~CutoutRows() { platform::png_stream_abandon(png_); }
  CutoutRows(const CutoutRows&) = delete;
  CutoutRows& operator=(const CutoutRows&) = delete;

  bool open() {
    png_ = platform::png_stream_open(path_, width_, height_);
    return png_ != nullptr;
  }

  bool band(int32_t y, int32_t rows, const uint32_t* pixels) override {
    const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(width_);
    colours_.assign(pixels, pixels + count);
    alpha_.resize(count);
    const bool transformed = !is_identity(cutout.colours);
    for (int32_t r = 0; r < rows; ++r) {
      uint32_t* row = colours_.data() + static_cast<size_t>(r) * width_;
      uint8_t* alpha = alpha_.data() + static_cast<size_t>(r) * width_;
      if (transformed)
        for (int32_t x = 0; x < width_; ++x) row[x] = apply_colour_transform(cutout.colours, row[x]);
      edge_matte_row(matte_, y + r, row, alpha);
      for (int32_t x = 0; x < width_; ++x)
        if (alpha[x] == 0) row[x] = 0;
    }
    return platform::png_stream_rows(png_, colours_.data(), alpha_.data(), rows);
  }

  void progress(double done) override {
    if (progress_ != nullptr) progress_(std::clamp(done, 0.0, 1.0));
  }

  bool restart() override {
    platform::png_stream_abandon(png_);
    png_ = nullptr;
    return open();
  }

  bool finish() {
    const bool ok = platform::png_stream_finish(png_);
    png_ = nullptr;
    return ok;
  }

 private:
  const char* path_;
  int32_t width_;
  int32_t height_;
  const EdgeMatte& matte_;
  SaveProgress progress_;
  platform::PngStream* png_ = nullptr;
  std::vector<uint32_t> colours_;
  std::vector<uint8_t> alpha_;
};

size_t shown_pixel_count() { return static_cast<size_t>(picture_width) * static_cast<size_t>(picture_height); }

bool build_matte(const std::vector<uint32_t>& colours, int32_t full_width, int32_t full_height, EdgeMatte& matte) {
  const MatteSource source{colours.data(), deleted_pixels, picture_width,           picture_height,
                           full_width,     full_height,    cutout.deleted_block_size};
  return build_edge_matte(source, matte);
}

// The picture read again from the dropped file at its own size; false when the file is
// not the one opened, or fails to decode.
bool write_own_size(const char* path, const std::vector<uint32_t>& colours, SaveProgress progress) {
  uint64_t size = 0;
  int64_t modified = 0;
  if (dropped_file.path[0] == '\0' || !platform::file_identity(dropped_file.path, size, modified) ||
      size != dropped_file.size || modified != dropped_file.modified) {
    return false;
  }
  Canvas::GlobalMemory memory;
  int32_t width = 0;
  int32_t height = 0;
  if (!memory.load_file(dropped_file.path) || !Canvas::picture_size(memory.data(), memory.size, width, height) ||
      width != dropped_file.width || height != dropped_file.height) {
    return false;
  }
  EdgeMatte matte;
  if (!build_matte(colours, width, height, matte)) return false;
  CutoutRows rows(path, width, height, matte, progress);
  char scratch[64];
  std::snprintf(scratch, sizeof scratch, "%s%ccutout.~tiles", cache_dir[0] != '\0' ? cache_dir : ".",
                platform::path_separator);
  return rows.open() && Canvas::decode_full_size(memory.data(), memory.size, scratch, rows) && rows.finish();
}

bool write_shown_size(const char* path, const std::vector<uint32_t>& colours, SaveProgress progress) {
  EdgeMatte matte;
  if (!build_matte(colours, picture_width, picture_height, matte)) return false;
  CutoutRows rows(path, picture_width, picture_height, matte, progress);
  if (!rows.open()) return false;
  for (int32_t y = 0; y < picture_height; y += BAND) {
    const int32_t count = std::min(BAND, picture_height - y);
    if (!rows.band(y, count, loaded_pixels + static_cast<size_t>(y) * picture_width)) return false;
  }
  return rows.finish();
}

}  // namespace

CutoutResult write_cutout_png(const char* path, SaveProgress progress) {
  CutoutResult result;
  if (path == nullptr || picture_width <= 0 || picture_height <= 0) return result;
  try {
    // The matte weighs each pixel against the colours the picture shows.
    std::vector<uint32_t> colours(loaded_pixels, loaded_pixels + shown_pixel_count());
    for (uint32_t& v : colours) v = apply_colour_transform(cutout.colours, v);
    const bool scaled = dropped_file.width > picture_width || dropped_file.height > picture_height;
    if (scaled) {
      if (write_own_size(path, colours, progress)) {
        result.written = true;
        return result;
      }
      result.size = CutoutSize::shown_instead;
    }
    result.written = write_shown_size(path, colours, progress);
  } catch (const std::bad_alloc&) {
    result.written = false;
  }
  return result;
}
