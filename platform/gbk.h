#pragma once
// Conversions between the program's GBK (code page 936) texts and the encodings the
// platform's window system, terminal and font renderer take. Bytes that do not form
// a GBK character become U+FFFD.
#include <string>
#include <string_view>

namespace platform {

std::string gbk_to_utf8(std::string_view gbk);
std::u32string gbk_to_utf32(std::string_view gbk);
// Characters without a GBK form become '?'.
std::string utf8_to_gbk(std::string_view utf8);

}  // namespace platform
