#include "graphics/whole_file.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/files.h"

namespace {

// Opens a fresh file beside `target` that no one else is using.
std::FILE* open_temporary(const std::string& target, std::string& temporary) {
  static unsigned counter = 0;
  const auto stamp = reinterpret_cast<uintptr_t>(&counter) ^ static_cast<uintptr_t>(std::time(nullptr));
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = target + ".~save" + std::to_string((stamp + ++counter) % 1000000007u);
    if (std::FILE* file = platform::create_new_file(temporary.c_str())) return file;
  }
  return nullptr;
}

}  // namespace

WholeFileResult write_whole_file(const char* path, const std::vector<uint8_t>& bytes, bool replace) {
  if (path == nullptr || *path == '\0') return WholeFileResult::failed;
  if (!replace && platform::file_exists(path)) return WholeFileResult::name_taken;
  std::string temporary;
  std::FILE* file = open_temporary(path, temporary);
  if (file == nullptr) return WholeFileResult::failed;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fflush(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  if (ok && platform::move_file(temporary.c_str(), path, replace)) return WholeFileResult::written;
  platform::remove_file(temporary.c_str());
  // The move refuses only a taken name; anything else is a failure to write.
  if (ok && !replace && platform::file_exists(path)) return WholeFileResult::name_taken;
  return WholeFileResult::failed;
}
