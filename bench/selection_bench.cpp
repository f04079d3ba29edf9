// The selection pipeline on the largest picture, 1024 x 768, at block sizes 1 and 5:
// growth and boundary alone, the block averages, and the whole stroke application
// with its outline drawn into an image.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "app/editing_state.h"
#include "graphics/graph_context.h"
#include "selection/block_grid.h"
#include "selection/outline.h"
#include "selection/region_growing.h"
#include "selection/stroke.h"

namespace {

enum class Scene { uniform, disc, noise, lattice };

// Scenes: 0 uniform (everything selected), 1 a large disc, 2 noise, 3 a lattice of
// one-block holes, which gives the longest outline.
// Fills the picture and settings for a scene; the stroke is one point in the middle.
void prepare_scene(Scene scene, int32_t block_size) {
  clear_editing_state();
  picture.resize(MAX_PICTURE_WIDTH, MAX_PICTURE_HEIGHT);
  picture_pixels = picture.pixels;
  picture_width = MAX_PICTURE_WIDTH;
  picture_height = MAX_PICTURE_HEIGHT;
  picture_top = 0;
  block_sizes[0] = LARGEST_BLOCK_SIZE;
  for (int32_t k = 1; k <= LARGEST_BLOCK_SIZE; ++k) block_sizes[k] = k;
  settings.block_index = block_size;
  settings.tolerance = 10;
  settings.distance_mode = 1;
  settings.reference_mode = 1;
  settings.outline_color_index = 21;
  settings.fill_color_index = 26;

  std::mt19937 rng(1);
  const int32_t cx = picture_width / 2, cy = picture_height / 2;
  for (int32_t y = 0; y < picture_height; ++y) {
    for (int32_t x = 0; x < picture_width; ++x) {
      uint32_t p = 0x00406080;
      switch (scene) {
        case Scene::uniform:
          break;
        case Scene::disc:
          if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > 300 * 300) p = 0x00E0C0A0;
          break;
        case Scene::noise:
          p = rng() & 0x00FFFFFF;
          break;
        case Scene::lattice: {
          // Every other block of every other block row differs: each one is a hole
          // with four outline sides around it.
          const int32_t c = x / block_size, r = y / block_size;
          if (c % 2 == 1 && r % 2 == 1) p = 0x00E0C0A0;
          break;
        }
      }
      picture_pixels[y * picture_width + x] = p;
    }
  }
  stroke_last = 0;
  stroke_points[0] = PicturePoint{cx, cy};
  if (scene == Scene::lattice) stroke_points[0] = PicturePoint{0, 0};
}

void BM_GrowAndBoundary(benchmark::State& state) {
  prepare_scene(static_cast<Scene>(state.range(0)), static_cast<int32_t>(state.range(1)));
  rebuild_block_grid();
  for (auto _ : state) {
    grow_selection();
    find_boundary();
    benchmark::DoNotOptimize(boundary_count);
  }
  state.counters["selected"] = selected_count;
  state.counters["boundary"] = boundary_count;
}

void BM_BlockGrid(benchmark::State& state) {
  prepare_scene(static_cast<Scene>(state.range(0)), static_cast<int32_t>(state.range(1)));
  for (auto _ : state) {
    rebuild_block_grid();
    benchmark::DoNotOptimize(block_colors[0]);
  }
}

// An image stands in for the window: the outline is drawn into it.
IMAGE& window_image() {
  static IMAGE window(MAX_PICTURE_WIDTH + PANEL_WIDTH, WINDOW_HEIGHT);
  gfx_set_target(&window);
  window_pixels = window.pixels;
  return window;
}

// What one mouse move of a stroke costs: the whole application, outline included.
void BM_ApplyStroke(benchmark::State& state) {
  prepare_scene(static_cast<Scene>(state.range(0)), static_cast<int32_t>(state.range(1)));
  window_image();
  for (auto _ : state) {
    apply_stroke();
    benchmark::DoNotOptimize(selected_count);
  }
  state.counters["selected"] = selected_count;
  int64_t sides = 0;
  for (int32_t k = 0; k < selected_count; ++k) {
    sides += __builtin_popcount(static_cast<unsigned>(selected_edges[selected_blocks[k].row * grid_cols + selected_blocks[k].col]));
  }
  state.counters["sides"] = static_cast<double>(sides);
}

void BM_EraseOutline(benchmark::State& state) {
  prepare_scene(static_cast<Scene>(state.range(0)), static_cast<int32_t>(state.range(1)));
  window_image();
  apply_stroke();
  for (auto _ : state) erase_outline();
}

void scene_arguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"scene", "block"});
  for (int scene : {0, 1, 2}) {
    for (int block : {1, 5}) b->Args({scene, block});
  }
}

void stroke_arguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"scene", "block"});
  for (int scene : {0, 1, 2, 3}) {
    for (int block : {1, 5}) b->Args({scene, block});
  }
}

BENCHMARK(BM_GrowAndBoundary)->Apply(scene_arguments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlockGrid)->Apply(scene_arguments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyStroke)->Apply(stroke_arguments)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EraseOutline)->Apply(stroke_arguments)->Unit(benchmark::kMicrosecond);

}  // namespace
