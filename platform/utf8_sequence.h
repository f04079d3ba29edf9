#pragma once
// The length of one UTF-8 sequence, as both text converters count it.
#include <cstddef>
#include <string_view>

namespace platform {

// How many bytes from `i` form one sequence, well-formed or not: a lead byte with the
// continuation bytes it asks for, else the byte alone. A sequence without a GBK form
// then gives one '?' whatever its length.
inline size_t utf8_sequence_length(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  if (i + length > text.size()) return 1;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

}  // namespace platform
