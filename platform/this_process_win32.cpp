#include <cstdio>
#include <string>

#include "platform/console.h"
#include "platform/this_process.h"
#include "platform/win32_text.h"
#include "platform/window_win32.h"

namespace platform {

std::wstring module_path() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string executable_title() {
  const std::wstring path = module_path();
  const size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot > 0) name.resize(dot);
  return name.empty() ? "Tessary" : from_wide(name);
}

void end_process_now(int status) {
  restore_terminal();
  // The window goes with the process; a console it stood in for comes back.
  bring_console_back();
  std::fflush(nullptr);
  // Ending at once: no static destructor or runtime clean-up runs while other
  // threads stand halfway in the program's state.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  ExitProcess(static_cast<UINT>(status));
}

}  // namespace platform
