// GBK through the system's code page 936, one character at a time, so that bytes
// that are not GBK become U+FFFD exactly where iconv would put them.
#include <windows.h>

#include <string>

#include "platform/gbk.h"
#include "platform/utf8_sequence.h"
#include "platform/utf16.h"

namespace platform {
namespace {

constexpr UINT GBK_CODE_PAGE = 936;

bool is_lead_byte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool is_trail_byte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Code page 936 gives the user-defined areas of GBK characters of the private use
// area; GBK proper has none there.
bool is_private_use(char32_t code) { return code >= 0xE000 && code <= 0xF8FF; }

// The characters of a GBK text; a byte that starts no character is U+FFFD and the
// next byte is read afresh.
std::u32string decode_gbk(std::string_view gbk) {
  std::u32string out;
  out.reserve(gbk.size());
  for (size_t i = 0; i < gbk.size();) {
    const auto lead = static_cast<unsigned char>(gbk[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    if (lead == 0x80) {
      // The one single-byte character beyond ASCII.
      out.push_back(U'\u20AC');
      ++i;
      continue;
    }
    wchar_t wide = 0;
    if (is_lead_byte(lead) && i + 1 < gbk.size() && is_trail_byte(static_cast<unsigned char>(gbk[i + 1])) &&
        MultiByteToWideChar(GBK_CODE_PAGE, MB_ERR_INVALID_CHARS, gbk.data() + i, 2, &wide, 1) == 1 &&
        !is_private_use(static_cast<char32_t>(wide))) {
      out.push_back(static_cast<char32_t>(wide));
      i += 2;
      continue;
    }
    out.push_back(U'\uFFFD');
    ++i;
  }
  return out;
}

void append_utf8(std::string& out, char32_t code) {
  char16_t units[2];
  size_t count = 1;
  if (code >= 0x10000) {
    units[0] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
    units[1] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<char16_t>(code);
  }
  out += utf16_to_utf8(std::u16string_view(units, count));
}

// The GBK bytes of one character, or '?' when it has none.
void append_gbk(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
    return;
  }
  if (code == U'\uFFFD' || code > 0xFFFF || (code >= 0xD800 && code <= 0xDFFF) || is_private_use(code)) {
    out.push_back('?');
    return;
  }
  const wchar_t wide = static_cast<wchar_t>(code);
  char bytes[4];
  BOOL defaulted = FALSE;
  const int length =
      WideCharToMultiByte(GBK_CODE_PAGE, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes, nullptr, &defaulted);
  if (length < 1 || length > 2 || defaulted) {
    out.push_back('?');
    return;
  }
  out.append(bytes, static_cast<size_t>(length));
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  for (char32_t code : decode_gbk(gbk)) append_utf8(out, code);
  return out;
}

std::u32string gbk_to_utf32(std::string_view gbk) { return decode_gbk(gbk); }

std::string utf8_to_gbk(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const size_t length = utf8_sequence_length(utf8, i);
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (length == 1) {
      out.push_back(lead < 0x80 ? static_cast<char>(lead) : '?');
    } else {
      // Overlong forms and codes beyond U+10FFFF decode to U+FFFD, which has no GBK form.
      const std::string_view sequence = utf8.substr(i, length);
      size_t used = 0;
      const char32_t code = next_utf8_code(sequence, used);
      append_gbk(out, used == length ? code : U'\uFFFD');
    }
    i += length;
  }
  return out;
}

}  // namespace platform
