// JPEG through libjpeg-turbo, scaled in the DCT where a smaller picture is enough; a
// progressive one's work and memory bounded by its size.
#include <jerror.h>
#include <setjmp.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include <jpeglib.h>

#include "platform/jpeg_scratch_arrays.h"
#include "platform/picture_formats.h"

namespace platform {
namespace {


// What libjpeg may hold for one picture. A progressive picture keeps all its
// coefficients until the last scan; beyond this they go to a scratch file, with a
// window of rows in memory.
constexpr long MAX_JPEG_MEMORY = 128L << 20;
constexpr size_t MAX_COEFFICIENTS_IN_MEMORY = size_t{128} << 20;
constexpr size_t COEFFICIENT_WINDOW = size_t{24} << 20;
// A progressive file can repeat tiny scans without end; real ones have a dozen.
constexpr int MAX_SCANS = 256;
// Every scan passes over all the blocks of its components, even one that holds no
// data, at up to 60 ns a block, and about 100 ns more when they are in a scratch file:
// the passes a picture may take are as many as fit in about 1.5 s, but at least what
// real files take (libjpeg's own ten scans come to about 5.3 passes over all the
// blocks) and at most what a few dozen scans take.
constexpr int64_t SCAN_WORK_BLOCKS = 24'000'000;
constexpr int64_t SCAN_WORK_BLOCKS_FROM_FILE = 9'000'000;
constexpr int64_t FEWEST_PASSES = 6;
constexpr int64_t MOST_PASSES = 24;

struct JpegErrors {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

void fail(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

// Data cut short is refused: libjpeg would pad it with grey and say so only here. So
// is a scan that repeats or skips a step of the progression, which libjpeg also only
// warns about.
void on_message(j_common_ptr info, int level) {
  if (level >= 0) return;
  const int code = info->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC || code == JWRN_BOGUS_PROGRESSION)
    fail(info);
}

// The blocks each scan passes over, counted as it starts, against what the picture
// may take in all.
struct ScanWork {
  jpeg_progress_mgr manager;
  int counted_scan = 0;
  int64_t blocks = 0;
  int64_t budget = 0;
};

void on_progress(j_common_ptr common) {
  if (!common->is_decompressor) return;
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  auto* work = reinterpret_cast<ScanWork*>(info->progress);
  if (info->input_scan_number > MAX_SCANS) fail(common);
  if (info->input_scan_number == work->counted_scan || !info->progressive_mode) return;
  work->counted_scan = info->input_scan_number;
  for (int i = 0; i < info->comps_in_scan; ++i)
    work->blocks += int64_t{info->cur_comp_info[i]->width_in_blocks} * info->cur_comp_info[i]->height_in_blocks;
  if (work->blocks > work->budget) fail(common);
}

int64_t scan_budget(const jpeg_decompress_struct& info) {
  int64_t blocks = 0;
  for (int i = 0; i < info.num_components; ++i)
    blocks += int64_t{info.comp_info[i].width_in_blocks} * info.comp_info[i].height_in_blocks;
  const bool from_file = static_cast<uint64_t>(blocks) * sizeof(JBLOCK) > MAX_COEFFICIENTS_IN_MEMORY;
  const int64_t work = from_file ? SCAN_WORK_BLOCKS_FROM_FILE : SCAN_WORK_BLOCKS;
  return std::clamp(work / std::max<int64_t>(blocks, 1), FEWEST_PASSES, MOST_PASSES) * blocks;
}

void to_words(const jpeg_decompress_struct& info, const JSAMPLE* row, uint32_t* words) {
  const JDIMENSION width = info.output_width;
  if (info.out_color_space == JCS_CMYK) {
    for (JDIMENSION x = 0; x < width; ++x, row += 4) words[x] = inverted_cmyk_to_word(row[0], row[1], row[2], row[3]);
  } else {
    for (JDIMENSION x = 0; x < width; ++x, row += 3) words[x] = argb(0xFF, row[0], row[1], row[2]);
  }
}

// Chooses the smallest DCT scale (1/8, 1/4, 1/2 or whole) whose output still is at
// least min_width x min_height.
void choose_scale(jpeg_decompress_struct& info, int32_t min_width, int32_t min_height) {
  for (unsigned denominator : {8u, 4u, 2u, 1u}) {
    info.scale_num = 1;
    info.scale_denom = denominator;
    jpeg_calc_output_dimensions(&info);
    if (static_cast<int64_t>(info.output_width) >= min_width && static_cast<int64_t>(info.output_height) >= min_height)
      return;
  }
}

}  // namespace

bool decode_jpeg(const uint8_t* bytes, size_t size, int32_t min_width, int32_t min_height, PictureSink& sink) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  ScanWork work;
  JpegScratchArrays arrays(MAX_COEFFICIENTS_IN_MEMORY, COEFFICIENT_WINDOW);
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = fail;
  errors.manager.emit_message = on_message;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = MAX_JPEG_MEMORY;
  arrays.install(&info);
  work.manager.progress_monitor = on_progress;
  info.progress = &work.manager;
  jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) fail(reinterpret_cast<j_common_ptr>(&info));
  if (!side_ok(info.image_width) || !side_ok(info.image_height)) fail(reinterpret_cast<j_common_ptr>(&info));
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  choose_scale(info, min_width, min_height);
  work.budget = scan_budget(info);
  if (!jpeg_start_decompress(&info)) fail(reinterpret_cast<j_common_ptr>(&info));
  if (!sink.begin(static_cast<int32_t>(info.output_width), static_cast<int32_t>(info.output_height)))
    fail(reinterpret_cast<j_common_ptr>(&info));

  // Both buffers come from libjpeg's own pool and go with the decompressor.
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                             info.output_width * info.output_components, 1);
  auto* words = static_cast<uint32_t*>((*info.mem->alloc_large)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                                sizeof(uint32_t) * info.output_width));
  while (info.output_scanline < info.output_height) {
    const auto y = static_cast<int32_t>(info.output_scanline);
    if (jpeg_read_scanlines(&info, row, 1) != 1) fail(reinterpret_cast<j_common_ptr>(&info));
    to_words(info, row[0], words);
    sink.pixels(y, 0, 1, words, static_cast<int32_t>(info.output_width));
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace platform
