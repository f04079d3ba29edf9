#include "panel/save_result.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/editing_state.h"
#include "app/texts.h"
#include "graphics/message_box.h"
#include "graphics/picture_files.h"
#include "panel/cutout_png.h"
#include "panel/numbered_save.h"
#include "graphics/graph_context.h"
#include "platform/files.h"
#include "platform/gbk.h"

namespace {

// Length of the longest prefix of `gbk` within `limit` bytes that ends on a character
// boundary: a lead byte 0x81..0xFE starts a two-byte character.
std::size_t gbk_prefix_length(std::string_view gbk, std::size_t limit) {
  std::size_t end = 0;
  while (end < gbk.size()) {
    const auto lead = static_cast<unsigned char>(gbk[end]);
    const std::size_t width = (lead >= 0x81 && lead <= 0xFE && end + 1 < gbk.size()) ? 2 : 1;
    if (end + width > limit) break;
    end += width;
  }
  return end;
}

}  // namespace

void format_gbk_text(char* out, std::size_t capacity, const char* format, std::string_view argument) {
  if (capacity == 0) return;
  std::string text;
  const char* hole = std::strstr(format, "%s");
  if (hole == nullptr) {
    text = format;
  } else {
    text.assign(format, hole);
    text.append(argument);
    text.append(hole + 2);
  }
  const std::size_t length = gbk_prefix_length(text, capacity - 1);
  std::memcpy(out, text.data(), length);
  std::memset(out + length, 0, capacity - length);
}

namespace {

// A save that runs longer than this shows how far it has come in the window's caption;
// the window keeps repainting meanwhile, from its own thread.
constexpr std::chrono::milliseconds QUIET_SAVE{500};

std::chrono::steady_clock::time_point save_started;
int32_t shown_percent = -1;

void show_save_progress(double done) {
  if (std::chrono::steady_clock::now() - save_started < QUIET_SAVE) return;
  const auto percent = static_cast<int32_t>(done * 100);
  if (percent == shown_percent) return;
  shown_percent = percent;
  char caption[64];
  std::snprintf(caption, sizeof caption, texts::caption_saving_format, static_cast<int>(percent));
  gfx_set_window_caption(caption);
}

// A name in the working directory that nothing has yet, for the PNG while it is made.
std::string temporary_png_name() {
  static uint32_t counter = 0;
  const auto stamp = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::string name;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = std::string(picture_base_name) + ".~cutout" + std::to_string((stamp + ++counter) % 1000000007u);
    if (!platform::file_exists(name.c_str())) break;
  }
  return name;
}

}  // namespace

void save_result() {
  save_started = std::chrono::steady_clock::now();
  shown_percent = -1;
  const std::vector<uint8_t> bmp = gfx_encode_bmp(&picture);
  const std::string png = temporary_png_name();
  const CutoutResult cutout_png = bmp.empty() ? CutoutResult{} : write_cutout_png(png.c_str(), show_save_progress);
  if (shown_percent >= 0) gfx_set_window_caption(texts::caption_main);

  NumberedSave result;
  if (cutout_png.written) result = save_numbered_pair(picture_base_name, save_counter, bmp, png.c_str());
  numbered_name(save_path, sizeof save_path, picture_base_name, result.number >= 0 ? result.number : save_counter,
                "bmp");
  // The file name is the system's own (UTF-8); the message box takes GBK.
  const std::string name = platform::utf8_to_gbk(save_path);
  const char* format = texts::msg_save_failed_format;
  if (result.saved)
    format = cutout_png.size == CutoutSize::own ? texts::msg_saved_format : texts::msg_saved_shown_size_format;
  format_gbk_text(save_message, sizeof save_message, format, name);
  gfx_message_box(save_message, texts::caption_save);
  // A failed save takes no number, so the next success does not leave a gap.
  if (result.saved && result.number < INT32_MAX) save_counter = result.number + 1;
}
