#pragma once
#include <cstddef>
#include <string_view>

// Writes the picture as the next numbered BMP in the working directory, and beside it
// the cut-out as a PNG of the same number at the picture's own size, whose deleted
// pixels are transparent, then tells the user in a message box. Numbers whose names are taken are skipped; the
// counter moves on only when both files were written.
void save_result();

// Formats `format` (GBK with one %s) with the GBK text `argument` into `out` of
// `capacity` bytes. A result that does not fit is cut at a character boundary, so a
// two-byte GBK character is never split; `out` is always NUL-terminated.
void format_gbk_text(char* out, std::size_t capacity, const char* format, std::string_view argument);
