#include "graphics/area_scaler.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace Canvas {

AreaScaler::AreaScaler(int32_t width, int32_t height) : width_(width), height_(height) {}

// Box filter over the exact footprint: destination pixel o covers the source span
// [o * src / dst, (o + 1) * src / dst). Lengths are kept in units of 1/(src * dst) so
// that overlaps are exact integers; the weights of each destination pixel sum to 1.
AreaScaler::Axis AreaScaler::axis(int32_t source, int32_t destination) {
  Axis a;
  a.first_out.resize(static_cast<size_t>(source));
  a.offset.resize(static_cast<size_t>(source) + 1);
  a.weight.reserve(static_cast<size_t>(source) + static_cast<size_t>(destination));
  for (int32_t j = 0; j < source; ++j) {
    const int64_t lo = int64_t{j} * destination;
    const int64_t hi = int64_t{j + 1} * destination;
    const int64_t o_first = lo / source;
    const int64_t o_last = (hi - 1) / source;
    a.first_out[static_cast<size_t>(j)] = static_cast<int32_t>(o_first);
    a.offset[static_cast<size_t>(j)] = static_cast<uint32_t>(a.weight.size());
    for (int64_t o = o_first; o <= o_last; ++o) {
      const int64_t overlap = std::min(hi, (o + 1) * source) - std::max(lo, o * source);
      a.weight.push_back(static_cast<double>(overlap) / source);
    }
  }
  a.offset[static_cast<size_t>(source)] = static_cast<uint32_t>(a.weight.size());
  return a;
}

bool AreaScaler::begin(int32_t width, int32_t height) {
  if (begun_ || width <= 0 || height <= 0 || width_ <= 0 || height_ <= 0) return false;
  begun_ = true;
  source_width_ = width;
  source_height_ = height;
  copying_ = width == width_ && height == height_;
  try {
    if (copying_) {
      copied_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
    } else {
      if (int64_t{width_} * height_ > MAX_SCALED_PIXELS) return false;
      xs_ = axis(width, width_);
      ys_ = axis(height, height_);
      sums_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4, 0.0);
      row_.assign(static_cast<size_t>(width_) * 4, 0.0);
    }
  } catch (const std::bad_alloc&) {
    copied_ = {};
    sums_ = {};
    return false;
  }
  return true;
}

void AreaScaler::pixels(int32_t y, int32_t x, int32_t step, const uint32_t* words, int32_t count) {
  if (!begun_ || count <= 0 || step <= 0 || y < 0 || y >= source_height_ || x < 0) return;
  const int64_t last_x = x + int64_t{count - 1} * step;
  if (last_x >= source_width_) return;
  if (copying_) {
    uint32_t* row = copied_.data() + static_cast<size_t>(y) * width_;
    for (int32_t i = 0; i < count; ++i) row[x + static_cast<int64_t>(i) * step] = words[i];
    return;
  }
  if (sums_.empty()) return;
  // Along x first, into one row of destination pixels, then that row into each
  // destination row the source row overlaps.
  const size_t o_lo = static_cast<size_t>(xs_.first_out[static_cast<size_t>(x)]);
  const size_t j_last = static_cast<size_t>(last_x);
  const size_t o_hi = static_cast<size_t>(xs_.first_out[j_last]) + (xs_.offset[j_last + 1] - xs_.offset[j_last]);
  std::fill(row_.begin() + 4 * o_lo, row_.begin() + 4 * o_hi, 0.0);
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t v = words[i];
    const double alpha = v >> 24;
    if (alpha == 0) continue;
    const size_t j = static_cast<size_t>(x + static_cast<int64_t>(i) * step);
    double* out = &row_[4 * static_cast<size_t>(xs_.first_out[j])];
    for (uint32_t k = xs_.offset[j]; k < xs_.offset[j + 1]; ++k, out += 4) {
      const double wa = xs_.weight[k] * alpha;
      out[0] += wa;
      out[1] += wa * ((v >> 16) & 0xFF);
      out[2] += wa * ((v >> 8) & 0xFF);
      out[3] += wa * (v & 0xFF);
    }
  }
  const size_t sy = static_cast<size_t>(y);
  size_t oy = static_cast<size_t>(ys_.first_out[sy]);
  for (uint32_t k = ys_.offset[sy]; k < ys_.offset[sy + 1]; ++k, ++oy) {
    const double wy = ys_.weight[k];
    double* sum = &sums_[oy * static_cast<size_t>(width_) * 4];
    for (size_t i = 4 * o_lo; i < 4 * o_hi; ++i) sum[i] += wy * row_[i];
  }
}

namespace {

uint32_t channel(double value) { return static_cast<uint32_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

std::vector<uint32_t> AreaScaler::finish() {
  if (!begun_) return {};
  if (copying_) return std::move(copied_);
  std::vector<uint32_t> result;
  if (sums_.empty()) return result;
  try {
    result.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
  } catch (const std::bad_alloc&) {
    return {};
  }
  for (size_t i = 0; i < result.size(); ++i) {
    const double* sum = &sums_[4 * i];
    if (sum[0] <= 0.0) continue;
    result[i] = (channel(sum[0]) << 24) | (channel(sum[1] / sum[0]) << 16) | (channel(sum[2] / sum[0]) << 8) |
                channel(sum[3] / sum[0]);
  }
  sums_ = {};
  return result;
}

}  // namespace Canvas
