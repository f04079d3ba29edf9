#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/gbk.h"
#include "platform/message_box.h"

namespace platform {

void show_message_box(const char* text, const char* caption) {
  const std::string text_utf8 = gbk_to_utf8(text != nullptr ? text : "");
  const std::string caption_utf8 = gbk_to_utf8(caption != nullptr ? caption : "");
  if (SDL_ShowSimpleMessageBox(0, caption_utf8.c_str(), text_utf8.c_str(), nullptr) != 0) {
    // No box could be shown (no display, or no fonts for it): the user still gets
    // the message, on standard error.
    std::fprintf(stderr, "%s: %s\n", caption_utf8.c_str(), text_utf8.c_str());
  }
  // The box leaves SDL's per-thread data behind on this thread, which is not SDL's
  // own and would otherwise keep it until the thread ends.
  SDL_TLSCleanup();
}

}  // namespace platform
