#define PSAPI_VERSION 2  // GetProcessMemoryInfo from kernel32, no psapi.dll
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>

#include "platform/processes.h"
#include "platform/win32_text.h"

namespace platform {
namespace {

// The working set, or 0 for processes that may not be looked into.
int64_t working_set_kib(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return 0;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  int64_t kib = 0;
  if (GetProcessMemoryInfo(process, &counters, sizeof counters)) kib = static_cast<int64_t>(counters.WorkingSetSize / 1024);
  CloseHandle(process);
  return kib;
}

}  // namespace

std::vector<RunningProcess> running_processes() {
  std::vector<RunningProcess> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    RunningProcess process;
    process.pid = static_cast<int32_t>(entry.th32ProcessID);
    process.executable = from_wide(entry.szExeFile);
    // The idle process has no executable.
    if (process.executable.empty()) continue;
    process.memory_kib = working_set_kib(entry.th32ProcessID);
    found.push_back(std::move(process));
  }
  CloseHandle(snapshot);
  std::sort(found.begin(), found.end(), [](const RunningProcess& a, const RunningProcess& b) { return a.pid < b.pid; });
  return found;
}

}  // namespace platform
