#include "app/cache_folder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/cache_name.h"
#include "app/editing_state.h"

namespace {

namespace fs = std::filesystem;

constexpr char marker_file[] = "DontDeleteMe";
constexpr std::string_view cache_suffix = ".cache";
// Longer marker lines cannot hold a cache folder's name; reading stops there.
constexpr size_t longest_marker_line = 64;

// The marker's first line without its line end.
std::string read_marker_name() {
  shared_file = std::fopen(marker_file, "r");
  if (shared_file == nullptr) return {};
  std::string name;
  for (int c = std::fgetc(shared_file); c != EOF && c != '\n' && name.size() <= longest_marker_line;
       c = std::fgetc(shared_file)) {
    name.push_back(static_cast<char>(c));
  }
  std::fclose(shared_file);
  shared_file = nullptr;
  if (!name.empty() && name.back() == '\r') name.pop_back();
  return name;
}

// Removes the folder only when it is a real directory: a symbolic link is never
// followed, and anything else of that name is left alone.
void remove_cache_folder(const std::string& name) {
  std::error_code error;
  if (fs::symlink_status(name, error).type() != fs::file_type::directory) return;
  fs::remove_all(name, error);
}

}  // namespace

bool is_cache_folder_name(std::string_view name) {
  if (!name.ends_with(cache_suffix)) return false;
  const std::string_view stem = name.substr(0, name.size() - cache_suffix.size());
  if (stem.size() < 4 || stem.size() > 9) return false;
  for (char c : stem) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

void make_cache_name() {
  std::memset(cache_dir, 0, sizeof cache_dir);
  std::srand(static_cast<unsigned>(static_cast<uint64_t>(std::time(nullptr)) & 0xFFFFFFFFu));
  const int length = std::rand() % 6 + 4;
  for (int i = 0; i < length; ++i) {
    if (std::rand() % 2 != 0) {
      cache_dir[i] = static_cast<char>('a' + std::rand() % 26);
    } else {
      cache_dir[i] = static_cast<char>('0' + std::rand() % 10);
    }
  }
  std::strncat(cache_dir, ".cache", sizeof cache_dir - std::strlen(cache_dir) - 1);
}

void prepare_cache_folder() {
  const std::string previous = read_marker_name();
  if (is_cache_folder_name(previous)) remove_cache_folder(previous);

  make_cache_name();
  remove_cache_folder(cache_dir);
  std::error_code error;
  // A failure here only means every snapshot save is skipped later.
  fs::create_directory(cache_dir, error);

  shared_file = std::fopen(marker_file, "w");
  if (shared_file == nullptr) return;
  std::fputs(cache_dir, shared_file);
  std::fclose(shared_file);
  shared_file = nullptr;
}
