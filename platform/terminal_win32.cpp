#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/gbk.h"
#include "platform/terminal.h"
#include "platform/win32_text.h"

namespace platform {

void set_terminal_title(const char* gbk_text) {
  if (gbk_text == nullptr) return;
  SetConsoleTitleW(to_wide(gbk_to_utf8(gbk_text)).c_str());
}

void print_error_line(const char* gbk_text) {
  const std::string line = gbk_to_utf8(gbk_text != nullptr ? gbk_text : "");
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (error != nullptr && error != INVALID_HANDLE_VALUE && GetConsoleMode(error, &mode)) {
    // A console shows UTF-16 whatever its code page.
    const std::wstring wide = to_wide(line) + L"\r\n";
    std::fflush(stderr);
    DWORD written = 0;
    WriteConsoleW(error, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

}  // namespace platform
