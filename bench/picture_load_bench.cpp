// Opening camera-sized pictures the way workspace setup does: the size from the
// header, then one load straight down to the fitted size. The pictures are made once
// and kept in the build folder. Peak memory is measured on the real program (see the
// report that comes with these figures); here the time.
#include <benchmark/benchmark.h>

#include <string>

#include "app/picture_fit.h"
#include "graphics/image.h"
#include "graphics/picture_files.h"
#include "tests/graphics/large_pictures.h"

namespace {

void open_fitted(benchmark::State& state, const std::string& file) {
  if (file.empty()) {
    state.SkipWithError("the picture could not be made");
    return;
  }
  for (auto _ : state) {
    int32_t width = 0;
    int32_t height = 0;
    if (!gfx_picture_size(file.c_str(), width, height)) {
      state.SkipWithError("no size");
      return;
    }
    const PictureSize fitted = fitted_picture_size(width, height);
    IMAGE picture;
    gfx_load_picture(&picture, file.c_str(), fitted.width, fitted.height, true);
    if (picture.image_width() != fitted.width || picture.image_height() != fitted.height) {
      state.SkipWithError("the picture did not load");
      return;
    }
    benchmark::DoNotOptimize(picture.pixels);
  }
}

void BM_Open200MpJpeg(benchmark::State& state) {
  open_fitted(state, large_pictures::photo_200mp_jpeg(TESSARY_BINARY_DIR));
}
BENCHMARK(BM_Open200MpJpeg)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->ReportAggregatesOnly();

void BM_Open100MpPng(benchmark::State& state) {
  open_fitted(state, large_pictures::picture_100mp_png(TESSARY_BINARY_DIR));
}
BENCHMARK(BM_Open100MpPng)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(3)->ReportAggregatesOnly();

}  // namespace
