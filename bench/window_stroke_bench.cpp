// One stroke on the largest picture through the main loop's path onto the real
// window: erase, apply (grid, averages, growth, boundary, outline drawn through the
// window device) and the outline's flush, which waits until the window shows it.
// BM_WindowStrokeAndWholeFlush adds a flush of the whole window, which the program
// does not do after a stroke. BM_WindowWheelRegrowth turns the wheel one notch over
// the tolerance row while the outline is shown (the value box, the erase, the stroke
// grown again and its outline), BM_WindowRingKeys presses + and - in turn (erase, a
// ring of blocks either way, boundary, outline). Needs a display (run under Xvfb);
// without one it reports that and measures nothing.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "app/editing_state.h"
#include "app/main_loop.h"
#include "graphics/graph_context.h"
#include "panel/input_dispatch.h"
#include "stroke_setup.h"

namespace {

bool open_stroke_window(int32_t block_size) {
  static bool opened = false;
  if (!opened) {
    if (std::getenv("DISPLAY") == nullptr) return false;
    if (!gfx_open_window(MAX_PICTURE_WIDTH + PANEL_WIDTH, WINDOW_HEIGHT, 0)) return false;
    opened = true;
  }
  gfx_set_target(nullptr);  // other benchmarks may have drawn into an image
  clear_editing_state();
  picture = IMAGE(MAX_PICTURE_WIDTH, MAX_PICTURE_HEIGHT);
  // A disc on a plain ground: a long, round outline.
  for (int32_t y = 0; y < MAX_PICTURE_HEIGHT; ++y)
    for (int32_t x = 0; x < MAX_PICTURE_WIDTH; ++x) {
      const int32_t dx = x - 512, dy = y - 384;
      picture.pixels[y * MAX_PICTURE_WIDTH + x] = dx * dx + dy * dy < 300 * 300 ? 0xC03020 : 0x2060A0;
    }
  start_stroke_on_picture(block_size, 512, 384);
  return true;
}

void window_stroke(benchmark::State& state, bool whole_flush) {
  if (!open_stroke_window(static_cast<int32_t>(state.range(0)))) {
    state.SkipWithError("needs a display");
    return;
  }
  handle_picture_message();
  for (auto _ : state) {
    handle_picture_message();
    if (whole_flush) gfx_flush();
    benchmark::DoNotOptimize(selected_count);
  }
}

void BM_WindowStroke(benchmark::State& state) { window_stroke(state, false); }
void BM_WindowStrokeAndWholeFlush(benchmark::State& state) { window_stroke(state, true); }
// Notches up and down in turn, so the tolerance stays at 10 and 11.
void BM_WindowWheelRegrowth(benchmark::State& state) {
  if (!open_stroke_window(static_cast<int32_t>(state.range(0)))) {
    state.SkipWithError("needs a display");
    return;
  }
  handle_picture_message();
  const PanelRow& row = panel_rows[ROW_TOLERANCE];
  MOUSEMSG notch{};
  notch.message = WM_MOUSEWHEEL;
  notch.x = static_cast<int16_t>(picture_width + (row.left + row.right) / 2);
  notch.y = static_cast<int16_t>((row.top + row.bottom) / 2);
  int16_t delta = 120;
  for (auto _ : state) {
    notch.wheel_delta = delta;
    delta = static_cast<int16_t>(-delta);
    dispatch_message(notch);
    benchmark::DoNotOptimize(selected_count);
  }
  state.counters["selected"] = selected_count;
}

void BM_WindowRingKeys(benchmark::State& state) {
  if (!open_stroke_window(static_cast<int32_t>(state.range(0)))) {
    state.SkipWithError("needs a display");
    return;
  }
  handle_picture_message();
  MOUSEMSG key{};
  key.message = WM_KEYDOWN;
  bool grow = true;
  for (auto _ : state) {
    key.key = grow ? '+' : '-';
    grow = !grow;
    dispatch_message(key);
    benchmark::DoNotOptimize(selected_count);
  }
  state.counters["selected"] = selected_count;
}

BENCHMARK(BM_WindowStroke)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowStrokeAndWholeFlush)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowWheelRegrowth)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowRingKeys)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
