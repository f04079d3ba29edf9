#include <windows.h>

#include <string>

#include "platform/gbk.h"
#include "platform/message_box.h"
#include "platform/win32_text.h"

namespace platform {

void show_message_box(const char* text, const char* caption) {
  const std::wstring wide_text = to_wide(gbk_to_utf8(text != nullptr ? text : ""));
  const std::wstring wide_caption = to_wide(gbk_to_utf8(caption != nullptr ? caption : ""));
  // No owner: system-modal, so it stays above the graphics window of the other thread.
  MessageBoxW(nullptr, wide_text.c_str(), wide_caption.c_str(), MB_OK | MB_SYSTEMMODAL);
}

}  // namespace platform
