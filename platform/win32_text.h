#pragma once
// The Windows system calls' UTF-16 strings and the program's UTF-8 ones.
#include <string>
#include <string_view>

#include "platform/utf16.h"

namespace platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows strings are UTF-16");

inline std::wstring to_wide(std::string_view utf8) {
  const std::u16string units = utf8_to_utf16(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string from_wide(std::wstring_view wide) {
  const std::u16string units(wide.begin(), wide.end());
  return utf16_to_utf8(units);
}

}  // namespace platform
