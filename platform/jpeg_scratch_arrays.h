#pragma once
// The coefficient arrays of a progressive JPEG, which libjpeg keeps whole until the
// last scan: in memory while they are small, otherwise in a scratch file with a
// window of rows in memory. libjpeg-turbo is built without a backing store of its
// own, so its memory manager's virtual block array methods are replaced by these.
#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace platform {

class JpegScratchArrays {
 public:
  // Arrays of up to `memory_bytes` in all stay in memory; larger ones go to a file
  // and hold about `window_bytes` in memory.
  JpegScratchArrays(size_t memory_bytes, size_t window_bytes);
  ~JpegScratchArrays();
  JpegScratchArrays(const JpegScratchArrays&) = delete;
  JpegScratchArrays& operator=(const JpegScratchArrays&) = delete;

  // Takes over the decompressor's virtual block arrays; its client_data then points
  // here. Failures (no scratch file, a read or write that fails) end in libjpeg's
  // error exit.
  void install(j_decompress_ptr info);
  // Whether the arrays went to a scratch file.
  bool in_file() const { return file_ != nullptr; }

  struct Array;

 private:
  static jvirt_barray_ptr request(j_common_ptr info, int pool, boolean pre_zero, JDIMENSION blocks_per_row,
                                  JDIMENSION rows, JDIMENSION max_access);
  static void realize(j_common_ptr info);
  static JBLOCKARRAY access(j_common_ptr info, jvirt_barray_ptr array, JDIMENSION first_row, JDIMENSION rows,
                            boolean writable);
  void move_window(j_common_ptr info, Array& array, JDIMENSION first_row, JDIMENSION rows);

  size_t memory_bytes_;
  size_t window_bytes_;
  void (*realize_rest_)(j_common_ptr) = nullptr;
  std::vector<std::unique_ptr<Array>> arrays_;
  std::FILE* file_ = nullptr;
};

}  // namespace platform
