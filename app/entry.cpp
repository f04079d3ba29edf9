#include "app/entry.h"

#include <cstring>

#include "app/task_list.h"
#include "platform/paths.h"

namespace {

// A listing of this instance alone takes five reads: an empty line, the header, the
// separator, its own line and the read that finds the end.
constexpr int MOST_READS_OF_ONE_INSTANCE = 5;

}  // namespace

bool program_name_ok(const char* program_path) {
  constexpr size_t suffix_length = sizeof platform::program_name_suffix - 1;
  if (program_path == nullptr) return false;
  const size_t length = std::strlen(program_path);
  if (length < suffix_length) return false;
  char tail[20] = {};
  std::memcpy(tail, program_path + length - suffix_length, suffix_length);
  for (size_t i = 0; i < suffix_length; ++i) {
    if (tail[i] >= 'a' && tail[i] <= 'z') tail[i] = static_cast<char>(tail[i] - 'a' + 'A');
  }
  return std::memcmp(tail, platform::program_name_suffix, suffix_length) == 0;
}

bool argument_count_ok(int argc) { return argc == 2; }

bool another_instance_running() {
  if (!write_task_list(task_list_file)) return false;
  return count_task_list_reads(task_list_file) > MOST_READS_OF_ONE_INSTANCE;
}
