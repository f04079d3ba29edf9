// Files through the wide calls, so names in any language reach the file system
// whole; the narrow ones would pass them through the system's code page.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/files.h"
#include "platform/win32_text.h"

namespace platform {

std::FILE* open_file(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return nullptr;
  return _wfopen(to_wide(path).c_str(), to_wide(mode).c_str());
}

namespace {

// A stream over a file made new, for `access` with the stream `mode`.
std::FILE* open_new(const char* path, DWORD access, DWORD share, DWORD attributes, int flags, const char* mode) {
  if (path == nullptr) return nullptr;
  HANDLE handle = CreateFileW(to_wide(path).c_str(), access, share, nullptr, CREATE_NEW, attributes, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  // From here the descriptor owns the handle.
  std::FILE* file = _fdopen(fd, mode);
  if (file == nullptr) _close(fd);
  return file;
}

}  // namespace

std::FILE* create_new_file(const char* path) {
  return open_new(path, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, _O_WRONLY, "wb");
}

bool file_exists(const char* path) {
  return path != nullptr && GetFileAttributesW(to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool move_file(const char* from, const char* to, bool replace) {
  if (from == nullptr || to == nullptr) return false;
  // Without MOVEFILE_REPLACE_EXISTING the system refuses a taken name itself, with
  // no gap between a check and the move.
  const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
  return MoveFileExW(to_wide(from).c_str(), to_wide(to).c_str(), flags) != 0;
}

bool remove_file(const char* path) { return path != nullptr && _wremove(to_wide(path).c_str()) == 0; }

bool file_identity(const char* path, uint64_t& size, int64_t& modified) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (path == nullptr || !GetFileAttributesExW(to_wide(path).c_str(), GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  modified = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                  info.ftLastWriteTime.dwLowDateTime);
  return true;
}

std::FILE* create_scratch_file(const char* path) {
  return open_new(path, GENERIC_READ | GENERIC_WRITE, 0, FILE_ATTRIBUTE_TEMPORARY, _O_RDWR, "w+b");
}

bool read_at(std::FILE* file, uint64_t offset, void* data, size_t size) {
  return file != nullptr && _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0 &&
         std::fread(data, 1, size, file) == size;
}

bool write_at(std::FILE* file, uint64_t offset, const void* data, size_t size) {
  return file != nullptr && _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0 &&
         std::fwrite(data, 1, size, file) == size;
}

}  // namespace platform
