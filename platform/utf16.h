#pragma once
// UTF-8 and UTF-16, both ways, for the system calls that take UTF-16. A surrogate
// without its partner (Windows allows them in file names) travels as the three-byte
// form of its own code, so every name survives the round trip; other bytes that are
// not UTF-8 become U+FFFD.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline std::string utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

// The code of the UTF-8 sequence at `text[i]`, advancing `i` past it. Overlong forms,
// codes above U+10FFFF and cut-off sequences give U+FFFD and skip one byte.
inline char32_t next_utf8_code(std::string_view text, size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length = 0;
  char32_t code = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if (lead >= 0xC0 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF7) {
    length = 4, code = lead & 0x07, least = 0x10000;
  }
  if (length == 0 || i + length > text.size()) {
    ++i;
    return U'\uFFFD';
  }
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return U'\uFFFD';
    }
    code = (code << 6) | (next & 0x3F);
  }
  if (code < least || code > 0x10FFFF) {
    ++i;
    return U'\uFFFD';
  }
  i += length;
  return code;
}

inline std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t code = next_utf8_code(text, i);
    if (code >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
  }
  return out;
}

}  // namespace platform
