// One stroke on the largest picture, the way the main loop runs it for a left-button
// message: erase the shown outline, apply the stroke (grid, averages, growth, boundary,
// outline), then flush. The window is stood in for by an image, so the flush costs
// nothing here; the window's own path is measured end to end.
#include <benchmark/benchmark.h>

#include "app/editing_state.h"
#include "app/main_loop.h"
#include "graphics/graph_context.h"
#include "stroke_setup.h"

namespace {

IMAGE window_stand_in;

enum class Scene { uniform, gradient };

void set_up(Scene scene, int32_t block_size) {
  clear_editing_state();
  picture = IMAGE(MAX_PICTURE_WIDTH, MAX_PICTURE_HEIGHT);
  for (int32_t y = 0; y < MAX_PICTURE_HEIGHT; ++y)
    for (int32_t x = 0; x < MAX_PICTURE_WIDTH; ++x) {
      uint32_t v = 0x808080;
      if (scene == Scene::gradient) v = (static_cast<uint32_t>(x / 4) << 16) | (static_cast<uint32_t>(y / 3) << 8) | 0x40;
      picture.pixels[y * MAX_PICTURE_WIDTH + x] = v;
    }
  window_stand_in = IMAGE(MAX_PICTURE_WIDTH + PANEL_WIDTH, WINDOW_HEIGHT);
  gfx_set_target(&window_stand_in);
  start_stroke_on_picture(block_size, 500, 380);
  // The start values take the window's pixels; here the stand-in is the window.
  window_pixels = window_stand_in.pixels;
}

void run_strokes(benchmark::State& state, Scene scene) {
  set_up(scene, static_cast<int32_t>(state.range(0)));
  handle_picture_message();  // the first stroke has no outline to erase
  for (auto _ : state) {
    handle_picture_message();
    gfx_flush();
    benchmark::DoNotOptimize(selected_count);
  }
  state.counters["selected_blocks"] = selected_count;
}

// Every block joins the selection: growth and outline at their largest.
void BM_StrokeUniform(benchmark::State& state) { run_strokes(state, Scene::uniform); }
// A smooth gradient: growth stops part-way through the picture.
void BM_StrokeGradient(benchmark::State& state) { run_strokes(state, Scene::gradient); }

BENCHMARK(BM_StrokeUniform)->Arg(1)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokeGradient)->Arg(1)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
