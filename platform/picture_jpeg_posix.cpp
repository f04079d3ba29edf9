// JPEG through libjpeg-turbo, scaled in the DCT where a smaller picture is enough.
#include <jerror.h>
#include <setjmp.h>

#include <cstdio>
#include <initializer_list>

#include <jpeglib.h>

#include "platform/picture_formats.h"

namespace platform {
namespace {


// What libjpeg may hold for one picture; a progressive picture keeps all its
// coefficients, so a larger one is refused rather than sent to a backing store.
constexpr long MAX_JPEG_MEMORY = 128L << 20;
// A progressive file can repeat tiny scans without end; real ones have a dozen.
constexpr int MAX_SCANS = 256;

struct JpegErrors {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

void fail(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

// Data cut short is refused: libjpeg would pad it with grey and say so only here.
void on_message(j_common_ptr info, int level) {
  if (level >= 0) return;
  const int code = info->err->msg_code;
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC) fail(info);
}

void on_progress(j_common_ptr info) {
  if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MAX_SCANS) fail(info);
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
  jpeg_progress_mgr progress;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = fail;
  errors.manager.emit_message = on_message;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = MAX_JPEG_MEMORY;
  progress.progress_monitor = on_progress;
  info.progress = &progress;
  jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) fail(reinterpret_cast<j_common_ptr>(&info));
  if (!side_ok(info.image_width) || !side_ok(info.image_height)) fail(reinterpret_cast<j_common_ptr>(&info));
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  choose_scale(info, min_width, min_height);
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
