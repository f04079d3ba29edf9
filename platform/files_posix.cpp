#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::FILE* open_file(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return nullptr;
  return std::fopen(path, mode);
}

std::FILE* create_new_file(const char* path) {
  if (path == nullptr) return nullptr;
  const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

bool file_exists(const char* path) {
  struct stat info{};
  return path != nullptr && lstat(path, &info) == 0;
}

bool move_file(const char* from, const char* to, bool replace) {
  if (from == nullptr || to == nullptr) return false;
  if (replace) return std::rename(from, to) == 0;
  // A hard link is made only where no name exists yet, so no one's file is lost in
  // a race; file systems without links take the rename when the name is still free.
  if (link(from, to) == 0) {
    unlink(from);
    return true;
  }
  if (errno == EEXIST) return false;
  if (file_exists(to)) return false;
  return std::rename(from, to) == 0;
}

bool remove_file(const char* path) { return path != nullptr && std::remove(path) == 0; }

}  // namespace platform
