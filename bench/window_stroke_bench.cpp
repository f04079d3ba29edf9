// One stroke on the largest picture through the main loop's path onto the real
// window: erase, apply (grid, averages, growth, boundary, outline drawn through the
// window device) and the flush that waits until the window shows it. Needs a display
// (run under Xvfb); without one it reports that and measures nothing.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "app/editing_state.h"
#include "app/main_loop.h"
#include "app/workspace.h"
#include "graphics/graph_context.h"

namespace {

bool open_stroke_window(int32_t block_size) {
  static bool opened = false;
  if (!opened) {
    if (std::getenv("DISPLAY") == nullptr) return false;
    if (!gfx_open_window(MAX_PICTURE_WIDTH + PANEL_WIDTH, WINDOW_HEIGHT, 0)) return false;
    opened = true;
  }
  clear_editing_state();
  picture = IMAGE(MAX_PICTURE_WIDTH, MAX_PICTURE_HEIGHT);
  // A disc on a plain ground: a long, round outline.
  for (int32_t y = 0; y < MAX_PICTURE_HEIGHT; ++y)
    for (int32_t x = 0; x < MAX_PICTURE_WIDTH; ++x) {
      const int32_t dx = x - 512, dy = y - 384;
      picture.pixels[y * MAX_PICTURE_WIDTH + x] = dx * dx + dy * dy < 300 * 300 ? 0xC03020 : 0x2060A0;
    }
  picture_pixels = picture.pixels;
  picture_width = MAX_PICTURE_WIDTH;
  picture_height = MAX_PICTURE_HEIGHT;
  picture_right = MAX_PICTURE_WIDTH - 1;
  picture_bottom = MAX_PICTURE_HEIGHT - 1;
  window_pixels = gfx_pixels(nullptr);
  gfx_put_image(0, 0, &picture, SRCCOPY);
  set_start_values();
  settings.block_index = block_size;
  current_msg = MOUSEMSG{};
  current_msg.message = WM_MOUSEMOVE;
  current_msg.left_button = true;
  current_msg.x = 512;
  current_msg.y = 384;
  return true;
}

void BM_WindowStroke(benchmark::State& state) {
  if (!open_stroke_window(static_cast<int32_t>(state.range(0)))) {
    state.SkipWithError("needs a display");
    return;
  }
  handle_picture_message();
  for (auto _ : state) {
    handle_picture_message();
    gfx_flush();
    benchmark::DoNotOptimize(selected_count);
  }
}
BENCHMARK(BM_WindowStroke)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
