#pragma once
// Writes ISO base media boxes, big-endian: a box's size is filled in when it ends.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::heif {

struct BoxWriter {
  std::vector<uint8_t> out;
  void u8(uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
  void u16(uint32_t v) { u8(v >> 8), u8(v); }
  void u32(uint32_t v) { u16(v >> 16), u16(v & 0xFFFF); }
  void tag(const char* name) { out.insert(out.end(), name, name + 4); }
  void bytes(const std::vector<uint8_t>& b) { out.insert(out.end(), b.begin(), b.end()); }
  // Starts a box (a full box when it has a version); `end` fills in its size.
  size_t begin(const char* type, int full_box_version = -1, uint32_t flags = 0) {
    const size_t start = out.size();
    u32(0);
    tag(type);
    if (full_box_version >= 0) u32((static_cast<uint32_t>(full_box_version) << 24) | flags);
    return start;
  }
  void end(size_t start) { patch32(start, static_cast<uint32_t>(out.size() - start)); }
  void patch32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  }
};

}  // namespace platform::heif
