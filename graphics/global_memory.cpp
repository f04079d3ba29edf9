#include "graphics/global_memory.h"

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
  free_block();
  if (path == nullptr) return false;
  std::FILE* file = platform::open_file(path, "rb");
  if (file == nullptr) return false;
  // The size comes from seeking to the end, then the read must deliver exactly that
  // many bytes, so a file that shrinks meanwhile is refused rather than half read.
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length < 0 || static_cast<uint64_t>(length) > MAX_FILE_SIZE || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return false;
  }
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
