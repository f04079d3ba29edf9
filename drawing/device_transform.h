#pragma once
// The image device's step from world to device coordinates: the target's transform
// applied, and whole device pixels from the result. Shared by the device's files
// (image_device.cpp for its state, image_device_shapes.cpp, image_device_text.cpp);
// inline, since every line end of the selection outline passes through it.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "drawing/image_device.h"
#include "drawing/shapes.h"
#include "drawing/stroke.h"
#include "graphics/image.h"

namespace Canvas {

using raster::BoxF;
using raster::PointF;

// Device coordinates are held within this, far outside any image, so that whole
// pixels made from them cannot overflow.
inline constexpr double kCoordLimit = 1.0e12;

inline double clamp_coord(double v) { return v == v ? std::clamp(v, -kCoordLimit, kCoordLimit) : 0.0; }
// Rounds half away from zero, as llround does, without its cost on every line end;
// exact because a clamped coordinate is far below 2^52.
inline int64_t to_pixel(double v) {
  const double c = clamp_coord(v);
  int64_t whole = static_cast<int64_t>(c);
  const double fraction = c - static_cast<double>(whole);
  if (fraction >= 0.5) {
    ++whole;
  } else if (fraction <= -0.5) {
    --whole;
  }
  return whole;
}

// World to device: x' = x * m11 + y * m21 + dx, y' = x * m12 + y * m22 + dy.
inline PointF to_device(const IMAGE& image, double x, double y) {
  const float* m = image.transform;
  return {clamp_coord(x * m[0] + y * m[2] + m[4]), clamp_coord(x * m[1] + y * m[3] + m[5])};
}

inline PointF to_device_pixel(const IMAGE& image, double x, double y) {
  const PointF p = to_device(image, x, y);
  return {static_cast<double>(to_pixel(p.x)), static_cast<double>(to_pixel(p.y))};
}

// How much the transform stretches lengths, for the pen width.
inline double linear_scale(const IMAGE& image) {
  const float* m = image.transform;
  return std::sqrt(std::fabs(static_cast<double>(m[0]) * m[3] - static_cast<double>(m[1]) * m[2]));
}

inline BoxF device_box(const IMAGE& image, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const PointF a = to_device_pixel(image, left, top);
  const PointF b = to_device_pixel(image, right, bottom);
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

inline BoxF device_box(const IMAGE& image, const RECT32& box) {
  return device_box(image, box.left, box.top, box.right, box.bottom);
}

}  // namespace Canvas
