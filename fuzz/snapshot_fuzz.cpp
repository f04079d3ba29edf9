// A snapshot file of any content, stepped back to with undo and forward again with
// redo: the reader must apply only what it can check and never read or write out of
// bounds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/editing_state.h"
#include "app/snapshots.h"

namespace {

constexpr int32_t WIDTH = 6;
constexpr int32_t HEIGHT = 4;

void write_file(const std::string& name, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = "/tmp/tsfz" + std::to_string(getpid() % 100000);
  static bool made = std::filesystem::create_directories(folder) || true;
  (void)made;
  std::snprintf(cache_dir, sizeof cache_dir, "%s", folder.c_str());
  picture = IMAGE(WIDTH, HEIGHT);
  picture_pixels = picture.pixels;
  picture_width = WIDTH;
  picture_height = HEIGHT;
  // Snapshot A holds the fuzz input; B, written by the program, is the way back.
  history_oldest = 0;
  history_pos = 1;
  history_newest = 1;
  write_file(folder + "/A.~tmp", data, size);
  if (block_sizes[0] == 0) {  // a start the program itself could have
    block_sizes[0] = LARGEST_BLOCK_SIZE;
    for (int32_t k = 1; k <= LARGEST_BLOCK_SIZE; ++k) block_sizes[k] = k;
    settings.block_index = 5;
  }
  const SettingsRecord before = settings;
  undo_snapshot();
  if (history_pos == 1 && std::memcmp(&before, &settings, sizeof before) != 0) std::abort();
  // What was applied is a state the program can work with.
  if (settings.block_index < 1 || settings.block_index > block_sizes[0] || settings.tolerance < 0 ||
      settings.tolerance > 255 || settings.fill_color_index < 0 || settings.fill_color_index >= SWATCH_COUNT)
    std::abort();
  redo_snapshot();
  return 0;
}
