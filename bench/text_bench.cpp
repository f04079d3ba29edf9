// Text on the image device: a panel caption and the tolerance values, as the panel
// redraws them, with faces, glyphs and conversions already cached by a first draw.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/texts.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "graphics/image.h"

namespace {

void BM_PanelCaption(benchmark::State& state) {
  IMAGE image(1224, 768);
  gfx_set_target(&image);
  gfx_set_font(20, 0, texts::font_panel);
  gfx_text_at(1054, 105, texts::panel_labels[0]);
  for (auto _ : state) {
    gfx_text_at(1054, 105, texts::panel_labels[0]);
    benchmark::DoNotOptimize(image.pixels[105 * 1224 + 1054]);
  }
}
BENCHMARK(BM_PanelCaption);

void BM_ToleranceValues(benchmark::State& state) {
  IMAGE image(1224, 768);
  gfx_set_target(&image);
  gfx_set_font(20, 0, texts::font_panel);
  std::vector<std::string> values;
  for (int value = 0; value <= 255; ++value) values.push_back(std::to_string(value));
  for (const auto& value : values) gfx_text_at(1124, 105, value.c_str());
  for (auto _ : state) {
    for (const auto& value : values) gfx_text_at(1124, 105, value.c_str());
    benchmark::DoNotOptimize(image.pixels[105 * 1224 + 1124]);
  }
  state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_ToleranceValues);

void BM_TextWidth(benchmark::State& state) {
  IMAGE image(16, 16);
  gfx_set_target(&image);
  gfx_set_font(20, 0, texts::font_panel);
  for (auto _ : state) benchmark::DoNotOptimize(gfx_text_width(texts::panel_labels[4]));
}
BENCHMARK(BM_TextWidth);

}  // namespace
