#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/gbk.h"
#include "platform/message_box.h"
#include "platform/win32_text.h"

namespace platform {

void show_message_box(const char* text, const char* caption) {
  const std::wstring wide_text = to_wide(gbk_to_utf8(text != nullptr ? text : ""));
  const std::wstring wide_caption = to_wide(gbk_to_utf8(caption != nullptr ? caption : ""));
  // No owner: system-modal, so it stays above the graphics window of the other thread.
  if (MessageBoxW(nullptr, wide_text.c_str(), wide_caption.c_str(), MB_OK | MB_SYSTEMMODAL) == 0) {
    // No box could be shown (no desktop to show it on): the user still gets the
    // message, on standard error.
    std::fprintf(stderr, "%s: %s\n", gbk_to_utf8(caption != nullptr ? caption : "").c_str(),
                 gbk_to_utf8(text != nullptr ? text : "").c_str());
  }
}

}  // namespace platform
