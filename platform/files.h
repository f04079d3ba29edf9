#pragma once
// Files named by the program's own narrow paths. Those are UTF-8 on every system;
// where the system's file calls take another encoding, the backend converts at the
// call, so names in any language work.
#include <cstdio>

namespace platform {

// std::fopen with a UTF-8 path.
std::FILE* open_file(const char* path, const char* mode);
// Opens `path` for binary writing only when nothing of that name exists yet; null
// when the name is taken or the file cannot be made.
std::FILE* create_new_file(const char* path);
// True when a file or folder of that name exists.
bool file_exists(const char* path);
// Renames `from` to `to`. With `replace` an existing `to` gives way; without it the
// move fails and leaves both names as they were when `to` exists.
bool move_file(const char* from, const char* to, bool replace);
bool remove_file(const char* path);

}  // namespace platform
