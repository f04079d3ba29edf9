#include "app/task_list.h"

#include <cstdio>

#include "app/editing_state.h"

namespace {

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

// "8120" -> "8,120"
std::string with_thousands(long long value) {
  std::string digits = std::to_string(value < 0 ? 0 : value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[i]);
  }
  return grouped;
}

}  // namespace

std::string format_task_list(const std::vector<platform::RunningProcess>& processes, std::string_view image_name) {
  std::string listing;
  char line[100];
  for (const platform::RunningProcess& process : processes) {
    if (!same_name_ignoring_case(process.executable, image_name)) continue;
    if (listing.empty()) {
      listing =
          "\n"
          "Image Name                     PID Session Name        Session#    Mem Usage\n"
          "========================= ======== ================ =========== ============\n";
    }
    const std::string memory = with_thousands(process.memory_kib) + " K";
    // Columns as wide as the separator's runs, the name cut to its column.
    std::snprintf(line, sizeof line, "%-25.25s %8d %-16s %11d %12.12s\n", process.executable.c_str(),
                  static_cast<int>(process.pid), "Console", 1, memory.c_str());
    listing += line;
  }
  if (listing.empty()) listing = "INFO: No tasks are running which match the specified criteria.\n";
  return listing;
}

bool write_task_list(const char* path) {
  const std::string listing = format_task_list(platform::running_processes(), program_image_name);
  shared_file = std::fopen(path, "w");
  if (shared_file == nullptr) return false;
  const bool written = std::fwrite(listing.data(), 1, listing.size(), shared_file) == listing.size();
  const bool closed = std::fclose(shared_file) == 0;
  shared_file = nullptr;
  return written && closed;
}

int count_task_list_reads(const char* path) {
  shared_file = std::fopen(path, "r");
  if (shared_file == nullptr) return -1;
  char line[80];
  int reads = 0;
  bool failed = false;
  while (!std::feof(shared_file)) {
    // A read error would never reach end of file.
    if (std::fgets(line, sizeof line, shared_file) == nullptr && std::ferror(shared_file)) {
      failed = true;
      break;
    }
    ++reads;
  }
  std::fclose(shared_file);
  shared_file = nullptr;
  return failed ? -1 : reads;
}
