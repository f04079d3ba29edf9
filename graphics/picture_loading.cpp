#include "graphics/picture_files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "graphics/global_memory.h"
#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"
#include "platform/picture_decode.h"

namespace {

// How one axis of the destination samples the source: destination index o averages
// the source indices first[o] .. first[o] + count(o) - 1 with the given weights, each
// the share of the source pixel inside o's footprint. The weights of o sum to 1.
struct AxisWeights {
  std::vector<int32_t> first;
  std::vector<size_t> offset;  // into weights; offset[o + 1] - offset[o] = count(o)
  std::vector<double> weights;
};

// Box filter over the exact footprint: destination pixel o covers the source span
// [o * src / dst, (o + 1) * src / dst). Lengths are kept in units of 1/dst of a source
// pixel so the overlaps are exact integers.
AxisWeights area_weights(int32_t src, int32_t dst) {
  AxisWeights axis;
  axis.first.resize(dst);
  axis.offset.resize(static_cast<size_t>(dst) + 1);
  axis.weights.reserve(static_cast<size_t>(dst) * (src / dst + 2));
  for (int32_t o = 0; o < dst; ++o) {
    const int64_t lo = int64_t{o} * src;
    const int64_t hi = int64_t{o + 1} * src;
    const int64_t j_first = lo / dst;
    const int64_t j_last = (hi - 1) / dst;
    axis.first[o] = static_cast<int32_t>(j_first);
    axis.offset[o] = axis.weights.size();
    for (int64_t j = j_first; j <= j_last; ++j) {
      const int64_t overlap = std::min(hi, (j + 1) * dst) - std::max(lo, j * dst);
      axis.weights.push_back(static_cast<double>(overlap) / src);
    }
  }
  axis.offset[dst] = axis.weights.size();
  return axis;
}

uint32_t channel(double value) {
  return static_cast<uint32_t>(std::clamp(std::lround(value), 0L, 255L));
}

// Scales 0xAARRGGBB words to dst_width x dst_height by area averaging, with colours
// weighted by their alpha so transparent pixels do not bleed their colour.
std::vector<uint32_t> scale_area(const platform::DecodedPicture& source, int32_t dst_width, int32_t dst_height) {
  const AxisWeights xs = area_weights(source.width, dst_width);
  const AxisWeights ys = area_weights(source.height, dst_height);
  std::vector<uint32_t> result(static_cast<size_t>(dst_width) * dst_height);
  // Per destination column: alpha, then red, green, blue premultiplied by alpha.
  std::vector<double> row_sum(static_cast<size_t>(dst_width) * 4);
  std::vector<double> source_row(static_cast<size_t>(dst_width) * 4);
  int32_t cached_row = -1;

  for (int32_t oy = 0; oy < dst_height; ++oy) {
    std::fill(row_sum.begin(), row_sum.end(), 0.0);
    for (size_t k = ys.offset[oy]; k < ys.offset[oy + 1]; ++k) {
      const int32_t sy = ys.first[oy] + static_cast<int32_t>(k - ys.offset[oy]);
      if (sy != cached_row) {
        const uint32_t* line = source.pixels.data() + static_cast<size_t>(sy) * source.width;
        for (int32_t ox = 0; ox < dst_width; ++ox) {
          double a = 0, r = 0, g = 0, b = 0;
          for (size_t m = xs.offset[ox]; m < xs.offset[ox + 1]; ++m) {
            const uint32_t v = line[xs.first[ox] + (m - xs.offset[ox])];
            const double wa = xs.weights[m] * (v >> 24);
            a += wa;
            r += wa * ((v >> 16) & 0xFF);
            g += wa * ((v >> 8) & 0xFF);
            b += wa * (v & 0xFF);
          }
          double* out = &source_row[static_cast<size_t>(ox) * 4];
          out[0] = a;
          out[1] = r;
          out[2] = g;
          out[3] = b;
        }
        cached_row = sy;
      }
      const double wy = ys.weights[k];
      for (size_t i = 0; i < row_sum.size(); ++i) row_sum[i] += wy * source_row[i];
    }
    uint32_t* out = result.data() + static_cast<size_t>(oy) * dst_width;
    for (int32_t ox = 0; ox < dst_width; ++ox) {
      const double* sum = &row_sum[static_cast<size_t>(ox) * 4];
      if (sum[0] <= 0.0) {
        out[ox] = 0;
        continue;
      }
      out[ox] = (channel(sum[0]) << 24) | (channel(sum[1] / sum[0]) << 16) | (channel(sum[2] / sum[0]) << 8) |
                channel(sum[3] / sum[0]);
    }
  }
  return result;
}

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

  platform::DecodedPicture decoded;
  {
    Canvas::GlobalMemory memory;
    memory.load_file(path);
    if (!platform::decode_picture(memory.data(), memory.size, decoded)) return;
  }

  const bool requested = width > 0 && height > 0;
  const int32_t dst_width = requested ? width : decoded.width;
  const int32_t dst_height = requested ? height : decoded.height;
  std::vector<uint32_t> scaled;
  if (dst_width != decoded.width || dst_height != decoded.height) {
    if (int64_t{dst_width} * dst_height > platform::MAX_DECODED_PIXELS) return;
    try {
      scaled = scale_area(decoded, dst_width, dst_height);
    } catch (const std::bad_alloc&) {
      return;
    }
    decoded.pixels.clear();
    decoded.pixels.shrink_to_fit();
  } else {
    scaled = std::move(decoded.pixels);
  }

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
