// A snapshot save and a restore of the largest picture through the cache folder, as
// a delete and a step back do it. The restore redraws the panel's values and the
// picture into an image standing in for the window.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/editing_state.h"
#include "app/snapshots.h"
#include "app/workspace.h"
#include "graphics/graph_context.h"

namespace {

IMAGE window_stand_in;

void set_up(const std::filesystem::path& folder) {
  clear_editing_state();
  picture = IMAGE(MAX_PICTURE_WIDTH, MAX_PICTURE_HEIGHT);
  for (int32_t i = 0; i < MAX_PICTURE_WIDTH * MAX_PICTURE_HEIGHT; ++i)
    picture.pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  picture_pixels = picture.pixels;
  picture_width = MAX_PICTURE_WIDTH;
  picture_height = MAX_PICTURE_HEIGHT;
  picture_right = MAX_PICTURE_WIDTH - 1;
  picture_bottom = MAX_PICTURE_HEIGHT - 1;
  set_start_values();
  window_stand_in = IMAGE(MAX_PICTURE_WIDTH + PANEL_WIDTH, WINDOW_HEIGHT);
  gfx_set_target(&window_stand_in);
  window_pixels = window_stand_in.pixels;
  std::filesystem::create_directories(folder);
  std::snprintf(cache_dir, sizeof cache_dir, "%s", folder.filename().c_str());
}

// Saves one snapshot and steps back to it, every iteration.
void BM_SnapshotSaveAndRestore(benchmark::State& state) {
  const std::filesystem::path work = std::filesystem::temp_directory_path() / ("tessary-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(work);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(work);
  set_up(work / "bnch.cache");
  for (auto _ : state) {
    save_snapshot();
    undo_snapshot();
    benchmark::DoNotOptimize(history_pos);
  }
  if (history_pos != 0) state.SkipWithError("the snapshot did not restore");
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(work);
}
BENCHMARK(BM_SnapshotSaveAndRestore)->Unit(benchmark::kMillisecond);

}  // namespace
