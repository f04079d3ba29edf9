#pragma once
// Files named by the program's own narrow paths. Those are UTF-8 on every system;
// where the system's file calls take another encoding, the backend converts at the
// call, so names in any language work.
#include <cstddef>
#include <cstdint>
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

// The size in bytes and the last modification time (in the system's own units) of
// the file at `path`; false when it cannot be read or is not a regular file.
bool file_identity(const char* path, uint64_t& size, int64_t& modified);

// A file for scratch data, read and written at any offset, also beyond 4 GB: made new
// for reading and writing; its owner closes and removes it.
std::FILE* create_scratch_file(const char* path);
bool read_at(std::FILE* file, uint64_t offset, void* data, size_t size);
bool write_at(std::FILE* file, uint64_t offset, const void* data, size_t size);

}  // namespace platform
