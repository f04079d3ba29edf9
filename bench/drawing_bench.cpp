// Drawing on the image device: the thin dash-dot segments of the selection outline,
// a thick panel frame and a solid swatch.
#include <benchmark/benchmark.h>

#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "graphics/image.h"

namespace {

// 1000 block sides of 16 pixels in dash-dot, the outline's per-move workload.
void BM_OutlineSegments(benchmark::State& state) {
  IMAGE image(1224, 768);
  gfx_set_target(&image);
  gfx_set_line_style(PS_DASHDOT, 1, nullptr, 0);
  gfx_set_line_color(0x00FF00);
  for (auto _ : state) {
    for (int32_t i = 0; i < 500; ++i) {
      const int32_t x = (i * 37) % 1000, y = (i * 53) % 700;
      gfx_line(x, y, x + 16, y);
      gfx_line(x, y, x, y + 16);
    }
    benchmark::DoNotOptimize(image.pixels[0]);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_OutlineSegments);

void BM_ThickPanelFrame(benchmark::State& state) {
  IMAGE image(1224, 768);
  gfx_set_target(&image);
  gfx_set_line_style(PS_SOLID | PS_ENDCAP_FLAT, 5, nullptr, 0);
  for (auto _ : state) {
    gfx_frame_rect(1030, 100, 1210, 160);
    benchmark::DoNotOptimize(image.pixels[0]);
  }
}
BENCHMARK(BM_ThickPanelFrame);

void BM_SolidSwatch(benchmark::State& state) {
  IMAGE image(1224, 768);
  gfx_set_target(&image);
  gfx_set_fill_style(BS_HATCHED, HS_DIAGCROSS, nullptr);
  for (auto _ : state) {
    gfx_solid_rect(1040, 400, 1070, 430);
    benchmark::DoNotOptimize(image.pixels[0]);
  }
}
BENCHMARK(BM_SolidSwatch);

}  // namespace
