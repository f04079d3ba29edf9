#pragma once
// A photo-like scene whose true alpha is known: two anti-aliased discs, each with a
// colour gradient of its own, on a sky gradient, with noise on everything. The cut-out
// of the sky should leave the discs with exactly this alpha.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace cutout_scene {

struct Scene {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
  std::vector<uint8_t> alpha;    // the discs' coverage, 0..255
  std::vector<float> edge_distance;  // distance to the nearest disc edge, in pixels
};

struct Disc {
  double cx, cy, r;
  int32_t from[3], to[3];  // colour at the disc's left and right side
};

inline Scene make(int32_t width, int32_t height, int32_t noise = 6) {
  Scene s;
  s.width = width;
  s.height = height;
  const double unit = std::min(width, height);
  const Disc discs[2] = {
      {width * 0.40, height * 0.52, unit * 0.27, {200, 60, 40}, {235, 150, 30}},
      {width * 0.78, height * 0.30, unit * 0.13, {30, 90, 40}, {60, 130, 20}},
  };
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  s.pixels.resize(count);
  s.alpha.resize(count);
  s.edge_distance.resize(count);
  uint32_t seed = 12345;
  auto jitter = [&]() {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int32_t>((seed >> 16) % static_cast<uint32_t>(2 * noise + 1)) - noise;
  };
  for (int32_t y = 0; y < height; ++y) {
    const double t = static_cast<double>(y) / std::max(height - 1, 1);
    const double sky[3] = {90 + 110 * t, 150 + 75 * t, 235 + 15 * t};
    for (int32_t x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>(y) * width + x;
      double colour[3] = {sky[0], sky[1], sky[2]};
      float nearest = 1e9f;
      for (const Disc& d : discs) {
        const double centre_distance = std::hypot(x + 0.5 - d.cx, y + 0.5 - d.cy);
        nearest = std::min(nearest, static_cast<float>(std::abs(centre_distance - d.r)));
        if (centre_distance > d.r + 1.5) continue;
        // Coverage by 4 x 4 samples.
        int32_t inside = 0;
        for (int32_t sy = 0; sy < 4; ++sy)
          for (int32_t sx = 0; sx < 4; ++sx)
            inside += std::hypot(x + (sx + 0.5) / 4 - d.cx, y + (sy + 0.5) / 4 - d.cy) <= d.r;
        if (inside == 0) continue;
        const double a = inside / 16.0;
        const double u = std::clamp((x - (d.cx - d.r)) / (2 * d.r), 0.0, 1.0);
        for (int c = 0; c < 3; ++c) colour[c] = a * (d.from[c] + (d.to[c] - d.from[c]) * u) + (1 - a) * colour[c];
        s.alpha[i] = static_cast<uint8_t>(std::lround(a * 255));
      }
      uint32_t word = 0;
      for (int c = 0; c < 3; ++c)
        word = (word << 8) | static_cast<uint32_t>(std::clamp(static_cast<int32_t>(std::lround(colour[c])) + jitter(), 0, 255));
      s.pixels[i] = word;
      s.edge_distance[i] = nearest;
    }
  }
  return s;
}

// Mean absolute alpha error, in 0..1, over the pixels within `band` of an edge.
struct BandError {
  double mean = 0;
  int64_t pixels = 0;
};
template <typename AlphaAt>
BandError band_error(const Scene& s, double band, AlphaAt alpha_at) {
  double total = 0;
  int64_t n = 0;
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t x = 0; x < s.width; ++x) {
      const size_t i = static_cast<size_t>(y) * s.width + x;
      if (s.edge_distance[i] > band) continue;
      total += std::abs(static_cast<int32_t>(alpha_at(x, y)) - static_cast<int32_t>(s.alpha[i])) / 255.0;
      ++n;
    }
  return {n > 0 ? total / n : 0, n};
}

}  // namespace cutout_scene
