#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/gbk.h"
#include "platform/utf8_sequence.h"

namespace platform {
namespace {

// Bytes of the UTF-8 character starting at `p`: a character without a GBK form
// leaves one replacement, not one per byte.
size_t utf8_sequence(const char* p, size_t left) { return utf8_sequence_length(std::string_view(p, left), 0); }

size_t one_byte(const char*, size_t) { return 1; }

// Converts with iconv, putting `replacement` (already in the target encoding) in
// place of every byte sequence that does not convert; `skip` says how many input
// bytes such a sequence spans.
std::string convert(const char* to, const char* from, std::string_view input, std::string_view replacement,
                    size_t (*skip)(const char*, size_t) = one_byte) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out;
  out.resize(input.size() * 4 + 8);
  char* in_ptr = const_cast<char*>(input.data());
  size_t in_left = input.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      const size_t used = out.size() - out_left;
      out.resize(out.size() * 2);
      out_ptr = out.data() + used;
      out_left = out.size() - used;
      continue;
    }
    // An invalid, incomplete or unconvertible sequence: skip it and write the replacement.
    const size_t skipped = skip(in_ptr, in_left);
    in_ptr += skipped;
    in_left -= skipped;
    if (out_left < replacement.size()) {
      const size_t used = out.size() - out_left;
      out.resize(out.size() * 2 + replacement.size());
      out_ptr = out.data() + used;
      out_left = out.size() - used;
    }
    for (char c : replacement) *out_ptr++ = c;
    out_left -= replacement.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(out.size() - out_left);
  iconv_close(cd);
  return out;
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) { return convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD"); }

std::u32string gbk_to_utf32(std::string_view gbk) {
  const std::string raw = convert("UTF-32LE", "GBK", gbk, std::string_view("\xFD\xFF\0\0", 4));
  std::u32string out(raw.size() / 4, U'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    const auto* b = reinterpret_cast<const unsigned char*>(raw.data() + i * 4);
    out[i] = static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
  }
  return out;
}

std::string utf8_to_gbk(std::string_view utf8) { return convert("GBK", "UTF-8", utf8, "?", utf8_sequence); }

}  // namespace platform
