#include <windows.h>
#include <shellapi.h>

#include "platform/program_args.h"
#include "platform/win32_text.h"

namespace platform {

std::vector<std::string> program_arguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    for (int i = 0; i < count; ++i) arguments.push_back(from_wide(wide[i]));
    LocalFree(wide);
    return arguments;
  }
  // Without the wide line the narrow arguments are the best there is.
  for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

}  // namespace platform
