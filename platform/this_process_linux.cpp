#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/console.h"
#include "platform/this_process.h"

namespace platform {

std::string executable_title() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || path.empty()) return "Tessary";
  const std::string stem = path.stem().string();
  return stem.empty() ? "Tessary" : stem;
}

void end_process_now(int status) {
  restore_terminal();
  std::fflush(nullptr);
  _exit(status);
}

}  // namespace platform
