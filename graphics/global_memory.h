#pragma once
// GlobalMemory: holds the bytes of one file while a picture is loaded from it.
#include <cstdint>
#include <memory>

namespace Canvas {

class GlobalMemory {
 public:
  // Files larger than this are not read: the bytes and their decoding must stay
  // within the memory one load may take.
  static constexpr uint64_t MAX_FILE_SIZE = uint64_t{192} << 20;

  GlobalMemory() = default;
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;
  virtual ~GlobalMemory();

  // Reads the whole file at `path`. Returns true when every byte is in the block;
  // otherwise the block is left empty. An empty file gives an empty block and true.
  bool load_file(const char* path);
  // Reads at most `limit` bytes from the start of the file; `whole` tells whether
  // that was all of it.
  bool load_file_start(const char* path, uint64_t limit, bool& whole);
  void free_block();

  const uint8_t* data() const { return block.get(); }

  std::unique_ptr<uint8_t[]> block;
  uint32_t size = 0;
};

}  // namespace Canvas
