#pragma once
// The processes running on this machine.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct RunningProcess {
  int32_t pid = 0;
  // File name of the process's executable, without its folder.
  std::string executable;
  // Resident memory in KiB.
  int64_t memory_kib = 0;
};

// Every process whose executable can be found, in ascending process id order.
std::vector<RunningProcess> running_processes();

}  // namespace platform
