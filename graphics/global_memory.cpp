#include "graphics/global_memory.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "platform/files.h"

namespace Canvas {

GlobalMemory::~GlobalMemory() = default;

void GlobalMemory::free_block() {
  block.reset();
  size = 0;
}

bool GlobalMemory::load_file(const char* path) {
  bool whole = false;
  return load_file_start(path, MAX_FILE_SIZE, whole) && whole;
}

bool GlobalMemory::load_file_start(const char* path, uint64_t limit, bool& whole) {
  free_block();
  whole = false;
  if (path == nullptr) return false;
  std::FILE* file = platform::open_file(path, "rb");
  if (file == nullptr) return false;
  // The size comes from seeking to the end, then the read must deliver exactly that
  // many bytes, so a file that shrinks meanwhile is refused rather than half read.
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return false;
  }
  limit = std::min(limit, MAX_FILE_SIZE);
  whole = static_cast<uint64_t>(length) <= limit;
  // Files beyond the bound are refused before their bytes are read.
  if (!whole && limit == MAX_FILE_SIZE) {
    std::fclose(file);
    return false;
  }
  if (!whole) length = static_cast<long>(limit);
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[length > 0 ? length : 1]);
  bool ok = bytes != nullptr;
  if (ok && length > 0) ok = std::fread(bytes.get(), 1, static_cast<size_t>(length), file) == static_cast<size_t>(length);
  std::fclose(file);
  if (!ok) return false;
  block = std::move(bytes);
  size = static_cast<uint32_t>(length);
  return true;
}

}  // namespace Canvas
