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

namespace {

// A stream over a file made new with `flags` and `permissions`, in the stream `mode`.
std::FILE* open_new(const char* path, int flags, mode_t permissions, const char* mode) {
  if (path == nullptr) return nullptr;
  const int fd = open(path, flags | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, mode);
  if (file == nullptr) close(fd);
  return file;
}

}  // namespace

std::FILE* create_new_file(const char* path) { return open_new(path, O_WRONLY, 0666, "wb"); }

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

bool file_identity(const char* path, uint64_t& size, int64_t& modified) {
  struct stat info{};
  if (path == nullptr || stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  size = static_cast<uint64_t>(info.st_size);
  modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  return true;
}

std::FILE* create_scratch_file(const char* path) { return open_new(path, O_RDWR, 0600, "w+b"); }

bool read_at(std::FILE* file, uint64_t offset, void* data, size_t size) {
  return file != nullptr && fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
         std::fread(data, 1, size, file) == size;
}

bool write_at(std::FILE* file, uint64_t offset, const void* data, size_t size) {
  return file != nullptr && fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
         std::fwrite(data, 1, size, file) == size;
}

}  // namespace platform
