#include "platform/terminal.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/gbk.h"

namespace platform {

void set_terminal_title(const char* gbk_text) {
  if (gbk_text == nullptr || isatty(STDOUT_FILENO) == 0) return;
  std::string title;
  // Control characters would end the escape sequence early or start another one.
  for (unsigned char c : gbk_to_utf8(gbk_text)) {
    if (c >= 0x20 && c != 0x7F) title.push_back(static_cast<char>(c));
  }
  std::fprintf(stdout, "\033]0;%s\007", title.c_str());
  std::fflush(stdout);
}

void print_error_line(const char* gbk_text) {
  std::fprintf(stderr, "%s\n", gbk_to_utf8(gbk_text != nullptr ? gbk_text : "").c_str());
}

}  // namespace platform
