// Opening camera-sized pictures the way workspace setup does: the size from the
// header, then one load straight down to the fitted size. The pictures are made once
// and kept in the build folder. Peak memory is measured on the real program (see the
// report that comes with these figures); here the time.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/picture_fit.h"
#include "graphics/image.h"
#include "graphics/picture_files.h"
#include "platform/picture_decode.h"
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

void BM_Open48MpHeic(benchmark::State& state) {
  open_fitted(state, large_pictures::photo_48mp_heic(TESSARY_BINARY_DIR));
}
BENCHMARK(BM_Open48MpHeic)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(3)->ReportAggregatesOnly();

void BM_Open12000ProgressiveJpeg(benchmark::State& state) {
  open_fitted(state, large_pictures::progressive_12000_jpeg(TESSARY_BINARY_DIR));
}
BENCHMARK(BM_Open12000ProgressiveJpeg)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(3)->ReportAggregatesOnly();

// The peak resident memory of this process so far, in MB.
double peak_mb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  return 0;
}

// Every row at the picture's own size through the seam, as a full-resolution save
// takes them; run alone (--benchmark_filter) the peak counter is this decoding's.
struct Discard final : platform::PictureSink {
  int64_t delivered = 0;
  bool begin(int32_t, int32_t) override { return true; }
  void pixels(int32_t, int32_t, int32_t, const uint32_t*, int32_t count) override { delivered += count; }
};

void BM_Decode48MpHeicWhole(benchmark::State& state) {
  const std::string file = large_pictures::photo_48mp_heic(TESSARY_BINARY_DIR);
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  for (auto _ : state) {
    Discard sink;
    if (!platform::decode_picture(bytes.data(), bytes.size(), 8064, 6048, sink) || sink.delivered != 8064 * 6048) {
      state.SkipWithError("not decoded whole");
      return;
    }
  }
  state.counters["peak_MB"] = peak_mb();
}
BENCHMARK(BM_Decode48MpHeicWhole)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly();

}  // namespace
