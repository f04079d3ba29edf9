#include "platform/processes.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The executable's file name: from the exe link where it can be read, otherwise the
// kernel's short command name (15 characters at most, enough for our own).
std::string executable_name(const fs::path& process_dir) {
  std::error_code error;
  fs::path target = fs::read_symlink(process_dir / "exe", error);
  if (!error) {
    std::string name = target.filename().string();
    constexpr std::string_view deleted = " (deleted)";
    if (name.size() > deleted.size() && name.ends_with(deleted)) name.resize(name.size() - deleted.size());
    return name;
  }
  // Kernel threads have no executable at all; only unreadable links fall back.
  if (error != std::errc::permission_denied) return {};
  std::ifstream comm(process_dir / "comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

int64_t resident_kib(const fs::path& process_dir) {
  std::ifstream statm(process_dir / "statm");
  int64_t size_pages = 0;
  int64_t resident_pages = 0;
  if (!(statm >> size_pages >> resident_pages)) return 0;
  const long page_size = sysconf(_SC_PAGESIZE);
  return resident_pages * (page_size > 0 ? page_size : 4096) / 1024;
}

}  // namespace

std::vector<RunningProcess> running_processes() {
  std::vector<RunningProcess> found;
  std::error_code error;
  for (fs::directory_iterator entry("/proc", error), end; !error && entry != end; entry.increment(error)) {
    const std::string id = entry->path().filename().string();
    if (!all_digits(id)) continue;
    RunningProcess process;
    process.pid = static_cast<int32_t>(std::strtol(id.c_str(), nullptr, 10));
    process.executable = executable_name(entry->path());
    // The process may have ended since the folder was listed.
    if (process.executable.empty()) continue;
    process.memory_kib = resident_kib(entry->path());
    found.push_back(std::move(process));
  }
  std::sort(found.begin(), found.end(), [](const RunningProcess& a, const RunningProcess& b) { return a.pid < b.pid; });
  return found;
}

}  // namespace platform
