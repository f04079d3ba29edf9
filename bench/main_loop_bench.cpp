// One stroke on the largest picture, the way the main loop runs it for a left-button
// message: erase the shown outline, apply the stroke (grid, averages, growth, boundary,
// outline), then flush. The window is stood in for by an image, so the flush costs
// nothing here; the window's own path is measured end to end.
#include <benchmark/benchmark.h>

#include "app/editing_state.h"
#include "app/main_loop.h"
#include "app/workspace.h"
#include "graphics/graph_context.h"

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
  picture_pixels = picture.pixels;
  picture_width = MAX_PICTURE_WIDTH;
  picture_height = MAX_PICTURE_HEIGHT;
  picture_left = 0;
  picture_top = 0;
  picture_right = MAX_PICTURE_WIDTH - 1;
  picture_bottom = MAX_PICTURE_HEIGHT - 1;
  window_stand_in = IMAGE(MAX_PICTURE_WIDTH + PANEL_WIDTH, WINDOW_HEIGHT);
  gfx_set_target(&window_stand_in);
  window_pixels = window_stand_in.pixels;
  gfx_put_image(0, 0, &picture, SRCCOPY);
  set_start_values();
  window_pixels = window_stand_in.pixels;
  settings.block_index = block_size;
  current_msg = MOUSEMSG{};
  current_msg.message = WM_MOUSEMOVE;
  current_msg.left_button = true;
  current_msg.x = 500;
  current_msg.y = 380;
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
