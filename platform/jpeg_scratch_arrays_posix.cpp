#include "platform/jpeg_scratch_arrays.h"

#include <jerror.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {

// One coefficient array: rows of blocks, wholly in `blocks`, or with rows
// [window_first, window_first + window_rows) in `blocks` and all of them in the file
// from `file_offset`.
struct JpegScratchArrays::Array {
  JDIMENSION blocks_per_row = 0;
  JDIMENSION rows = 0;
  JDIMENSION max_access = 0;
  std::unique_ptr<JBLOCK[]> blocks;
  std::unique_ptr<JBLOCKROW[]> row_pointers;
  JDIMENSION window_rows = 0;
  JDIMENSION window_first = 0;
  JDIMENSION written_rows = 0;  // rows below this have reached the file once
  bool dirty = false;
  off_t file_offset = 0;
  size_t row_bytes() const { return size_t{blocks_per_row} * sizeof(JBLOCK); }
};

namespace {

JpegScratchArrays& self(j_common_ptr info) { return *static_cast<JpegScratchArrays*>(info->client_data); }

}  // namespace

JpegScratchArrays::JpegScratchArrays(size_t memory_bytes, size_t window_bytes)
    : memory_bytes_(memory_bytes), window_bytes_(window_bytes) {}

JpegScratchArrays::~JpegScratchArrays() {
  if (file_ != nullptr) std::fclose(file_);
}

void JpegScratchArrays::install(j_decompress_ptr info) {
  info->client_data = this;
  realize_rest_ = info->mem->realize_virt_arrays;
  info->mem->request_virt_barray = request;
  info->mem->realize_virt_arrays = realize;
  info->mem->access_virt_barray = access;
}

jvirt_barray_ptr JpegScratchArrays::request(j_common_ptr info, int pool, boolean, JDIMENSION blocks_per_row,
                                            JDIMENSION rows, JDIMENSION max_access) {
  if (pool != JPOOL_IMAGE) ERREXIT1(info, JERR_BAD_POOL_ID, pool);
  auto array = std::make_unique<Array>();
  array->blocks_per_row = blocks_per_row;
  array->rows = rows;
  array->max_access = std::min(max_access, rows);
  // Every array is zero until written (coefficients of scans not yet read are 0).
  JpegScratchArrays& arrays = self(info);
  arrays.arrays_.push_back(std::move(array));
  return reinterpret_cast<jvirt_barray_ptr>(arrays.arrays_.back().get());
}

void JpegScratchArrays::realize(j_common_ptr info) {
  JpegScratchArrays& arrays = self(info);
  arrays.realize_rest_(info);
  size_t total = 0;
  for (const auto& a : arrays.arrays_) total += a->row_bytes() * a->rows;
  const bool to_file = total > arrays.memory_bytes_;
  if (to_file) {
    arrays.file_ = std::tmpfile();
    if (arrays.file_ == nullptr) ERREXIT(info, JERR_TFILE_CREATE);
  }
  off_t offset = 0;
  for (const auto& a : arrays.arrays_) {
    // A window of rows shared out by each array's part of the whole, and never less
    // than one access takes.
    JDIMENSION rows = a->rows;
    if (to_file) {
      const size_t share = arrays.window_bytes_ * (a->row_bytes() * a->rows) / total;
      rows = std::clamp<JDIMENSION>(static_cast<JDIMENSION>(share / std::max<size_t>(a->row_bytes(), 1)),
                                    std::max<JDIMENSION>(a->max_access, 1), a->rows);
    }
    a->window_rows = rows;
    a->blocks.reset(new (std::nothrow) JBLOCK[size_t{rows} * a->blocks_per_row]());
    a->row_pointers.reset(new (std::nothrow) JBLOCKROW[rows]);
    if (!a->blocks || !a->row_pointers) ERREXIT1(info, JERR_OUT_OF_MEMORY, 1);
    for (JDIMENSION r = 0; r < rows; ++r) a->row_pointers[r] = a->blocks.get() + size_t{r} * a->blocks_per_row;
    a->file_offset = offset;
    offset += static_cast<off_t>(a->row_bytes() * a->rows);
  }
}

// Writes the window back if it changed, then reads the rows from `first_row` on
// (moved back so that the window does not run past the last row). Rows that never
// reached the file are zero.
void JpegScratchArrays::move_window(j_common_ptr info, Array& a, JDIMENSION first_row, JDIMENSION rows) {
  const size_t row_bytes = a.row_bytes();
  JDIMENSION first = first_row;
  if (first + a.window_rows > a.rows) first = a.rows - a.window_rows;
  if (first + a.window_rows < first_row + rows) ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
  const int fd = fileno(file_);
  if (a.dirty) {
    const off_t at = a.file_offset + static_cast<off_t>(row_bytes * a.window_first);
    if (pwrite(fd, a.blocks.get(), row_bytes * a.window_rows, at) != static_cast<ssize_t>(row_bytes * a.window_rows))
      ERREXIT(info, JERR_TFILE_WRITE);
    a.written_rows = std::max(a.written_rows, a.window_first + a.window_rows);
    a.dirty = false;
  }
  a.window_first = first;
  const JDIMENSION stored = a.written_rows > first ? std::min(a.written_rows - first, a.window_rows) : 0;
  const size_t bytes = row_bytes * stored;
  if (bytes > 0 &&
      pread(fd, a.blocks.get(), bytes, a.file_offset + static_cast<off_t>(row_bytes * first)) !=
          static_cast<ssize_t>(bytes))
    ERREXIT(info, JERR_TFILE_READ);
  std::memset(reinterpret_cast<char*>(a.blocks.get()) + bytes, 0, row_bytes * a.window_rows - bytes);
}

JBLOCKARRAY JpegScratchArrays::access(j_common_ptr info, jvirt_barray_ptr handle, JDIMENSION first_row,
                                      JDIMENSION rows, boolean writable) {
  JpegScratchArrays& arrays = self(info);
  Array& a = *reinterpret_cast<Array*>(handle);
  if (!a.blocks || rows > a.max_access || first_row > a.rows || rows > a.rows - first_row)
    ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
  if (first_row < a.window_first || first_row + rows > a.window_first + a.window_rows)
    arrays.move_window(info, a, first_row, rows);
  if (writable) a.dirty = true;
  return a.row_pointers.get() + (first_row - a.window_first);
}

}  // namespace platform
