#include "panel/save_result.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/editing_state.h"
#include "app/texts.h"
#include "graphics/message_box.h"
#include "graphics/picture_files.h"
#include "panel/numbered_save.h"
#include "platform/gbk.h"
#include "platform/png_writer.h"

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

void save_result() {
  const std::size_t count =
      picture.pixels != nullptr && picture.width > 0 && picture.height > 0
          ? static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)
          : 0;
  // The PNG is the cut-out itself: what was deleted is transparent, the rest opaque.
  std::vector<uint8_t> alpha(count, 255);
  for (std::size_t i = 0; i < count && i < MAX_GRID_BLOCKS; ++i)
    if (deleted_pixels[i]) alpha[i] = 0;
  const std::vector<uint8_t> bmp = gfx_encode_bmp(&picture);
  const std::vector<uint8_t> png = platform::encode_png(picture.pixels, picture.width, picture.height, alpha.data());

  NumberedSave result;
  if (!bmp.empty() && !png.empty()) result = save_numbered_pair(picture_base_name, save_counter, bmp, png);
  numbered_name(save_path, sizeof save_path, picture_base_name, result.number >= 0 ? result.number : save_counter,
                "bmp");
  // The file name is the system's own (UTF-8); the message box takes GBK.
  const std::string name = platform::utf8_to_gbk(save_path);
  format_gbk_text(save_message, sizeof save_message,
                  result.saved ? texts::msg_saved_format : texts::msg_save_failed_format, name);
  gfx_message_box(save_message, texts::caption_save);
  // A failed save takes no number, so the next success does not leave a gap.
  if (result.saved && result.number < INT32_MAX) save_counter = result.number + 1;
}
