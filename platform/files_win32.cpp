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

std::FILE* create_new_file(const char* path) {
  if (path == nullptr) return nullptr;
  HANDLE handle = CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  // From here the descriptor owns the handle.
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
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

}  // namespace platform
