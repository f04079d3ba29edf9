#pragma once
// A small workspace for driving the dispatch and the main loop's pass with made-up
// mouse messages: an image of the window's size stands in for the window, laid out
// and started as workspace setup lays out and starts the real one.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "app/editing_state.h"
#include "app/workspace.h"
#include "graphics/graph_context.h"

namespace test_workspace {

inline IMAGE window_image;

// Every test program here runs in a folder of its own, with no display, so a message
// box never waits for a click.
// CTest may run several cases of one program at once, so each process has its own.
inline std::filesystem::path scratch_folder;

inline void leave_scratch_folder() {
  std::error_code ignored;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
  std::filesystem::remove_all(scratch_folder, ignored);
}

inline void enter_scratch_folder(const char* name) {
#ifdef _WIN32
  const int pid = _getpid();
#else
  // Without a display no message box waits for a click.
  unsetenv("DISPLAY");
  const int pid = getpid();
#endif
  if (!scratch_folder.empty()) return;
  scratch_folder = std::filesystem::temp_directory_path() / (std::string(name) + "_" + std::to_string(pid));
  std::filesystem::remove_all(scratch_folder);
  std::filesystem::create_directories(scratch_folder);
  std::filesystem::current_path(scratch_folder);
  std::atexit(leave_scratch_folder);
}

// A white width x height picture, centred vertically at the window's left edge.
inline void set_up(int32_t width, int32_t height) {
  clear_editing_state();
  picture = IMAGE(width, height);
  for (int32_t i = 0; i < width * height; ++i) picture.pixels[i] = 0xFFFFFF;
  picture_pixels = picture.pixels;
  place_picture(width, height);
  set_start_values();
  window_image = IMAGE(width + PANEL_WIDTH, WINDOW_HEIGHT);
  gfx_set_target(&window_image);
  window_pixels = window_image.pixels;
  gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
  std::snprintf(cache_dir, sizeof cache_dir, "t.cache");
  std::filesystem::create_directory(cache_dir);
}

inline uint32_t window_at(int32_t x, int32_t y) { return window_pixels[y * (picture_width + PANEL_WIDTH) + x]; }

}  // namespace test_workspace
