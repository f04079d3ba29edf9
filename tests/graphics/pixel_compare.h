#pragma once
// Small helpers the picture tests share: a file's bytes, and how far two pixel words
// lie apart.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

inline std::vector<uint8_t> bytes_of(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The largest difference of one byte of two words 0xAARRGGBB, alpha included.
inline int channel_distance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift <= 24; shift += 8)
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return worst;
}

// The same for red, green and blue only.
inline int colour_distance(uint32_t a, uint32_t b) { return channel_distance(a & 0xFFFFFF, b & 0xFFFFFF); }
