#pragma once
#include <cstddef>

// The longest base name kept, in bytes.
inline constexpr size_t BASE_NAME_LIMIT = 18;

// Fills `out` with the file name in `path` without its folder and without the last
// dot and what follows it. A name longer than 18 bytes is cut to at most 18 bytes at
// a UTF-8 character boundary. `out` is always terminated.
void picture_base_name_of(const char* path, char (&out)[20]);
