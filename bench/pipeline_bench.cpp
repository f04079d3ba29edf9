// The stroke pipeline without drawing (block averages, growth, outside flood,
// boundary and edges) against the plain version of the same rules, and a ring of
// blocks added or taken away (BM_PipelineRing), on the same
// four 1024 x 768 pictures at block sizes 1 and 5, with the start-up settings and
// a stroke of one point in the middle (and two of them with the neighbour as the
// reference). Run with random interleaving (or alternate
// filters) and compare medians: the machine is noisy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "app/editing_state.h"
#include "app/workspace.h"
#include "selection/block_grid.h"
#include "selection/region_growing.h"
#include "tests/selection/plain_rules.h"

// The pipeline as apply_stroke runs it, kept out of line so that an instruction
// count (valgrind --tool=callgrind --toggle-collect='timed_stroke_pipeline()') sees
// exactly the timed calls.
[[gnu::noinline]] void timed_stroke_pipeline() {
  rebuild_block_grid();
  grow_selection();
  find_boundary();
}

namespace {

enum class Picture { uniform, disc, faint_noise, noisy_gradient };

uint32_t rgb(int32_t r, int32_t g, int32_t b) {
  auto c = [](int32_t v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return c(r) << 16 | c(g) << 8 | c(b);
}

void prepare(Picture kind, int32_t block_size, uint8_t reference_mode) {
  clear_editing_state();
  picture.resize(MAX_PICTURE_WIDTH, MAX_PICTURE_HEIGHT);
  place_picture(MAX_PICTURE_WIDTH, MAX_PICTURE_HEIGHT);
  set_start_values();
  picture_pixels = picture.pixels;
  settings.block_index = block_size;
  settings.reference_mode = reference_mode;
  std::mt19937 rng(5);
  for (int32_t y = 0; y < picture_height; ++y) {
    for (int32_t x = 0; x < picture_width; ++x) {
      const int32_t dx = x - 512, dy = y - 384;
      uint32_t p = rgb(64, 96, 128);
      switch (kind) {
        case Picture::uniform:
          break;
        case Picture::disc:
          if (dx * dx + dy * dy > 300 * 300) p = rgb(224, 192, 160);
          break;
        case Picture::faint_noise:
          p = rgb(64 + static_cast<int32_t>(rng() % 7) - 3, 96 + static_cast<int32_t>(rng() % 7) - 3,
                  128 + static_cast<int32_t>(rng() % 7) - 3);
          break;
        case Picture::noisy_gradient:
          p = rgb(x / 4 + static_cast<int32_t>(rng() % 5), y / 3 + static_cast<int32_t>(rng() % 5),
                  128 + static_cast<int32_t>(rng() % 5));
          break;
      }
      picture_pixels[y * picture_width + x] = p;
    }
  }
  stroke_last = 0;
  stroke_points[0] = PicturePoint{512, 384};
}

void report(benchmark::State& state) {
  state.counters["selected"] = selected_count;
  state.counters["boundary"] = boundary_count;
}

void BM_PlainPipeline(benchmark::State& state) {
  prepare(static_cast<Picture>(state.range(0)), static_cast<int32_t>(state.range(1)),
          static_cast<uint8_t>(state.range(2)));
  for (auto _ : state) {
    plain_stroke_pipeline();
    benchmark::DoNotOptimize(boundary_count);
  }
  report(state);
}

void BM_Pipeline(benchmark::State& state) {
  prepare(static_cast<Picture>(state.range(0)), static_cast<int32_t>(state.range(1)),
          static_cast<uint8_t>(state.range(2)));
  // The first run after start clears every map whole: nothing is known about them yet.
  rebuild_block_grid();
  grow_selection();
  find_boundary();
  for (auto _ : state) {
    timed_stroke_pipeline();
    benchmark::DoNotOptimize(boundary_count);
  }
  report(state);
}

// One ring of blocks added, then one taken away, each with the boundary found again:
// what + and - cost without the outline.
void BM_PipelineRing(benchmark::State& state) {
  prepare(static_cast<Picture>(state.range(0)), static_cast<int32_t>(state.range(1)),
          static_cast<uint8_t>(state.range(2)));
  rebuild_block_grid();
  grow_selection();
  find_boundary();
  bool grow = true;
  for (auto _ : state) {
    grow ? add_selection_ring() : remove_selection_ring();
    grow = !grow;
    find_boundary();
    benchmark::DoNotOptimize(boundary_count);
  }
  report(state);
}

// The start-up settings take the first stroke block as the reference; two pictures
// also with the neighbour as the reference.
void pictures(benchmark::internal::Benchmark* b) {
  b->ArgNames({"picture", "block", "first"});
  for (int kind : {0, 1, 2, 3}) {
    for (int block : {1, 5}) b->Args({kind, block, 1});
  }
  for (int kind : {1, 3}) {
    for (int block : {1, 5}) b->Args({kind, block, 0});
  }
}

BENCHMARK(BM_PlainPipeline)->Apply(pictures)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pipeline)->Apply(pictures)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PipelineRing)->Apply(pictures)->Unit(benchmark::kMicrosecond);

}  // namespace
