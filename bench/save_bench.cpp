// The whole save (BMP, cut-out PNG at the picture's own size, numbered names) of a
// 12 MP scene and of a 200 MP photo in each of the eight orientations, each after a
// click on the background and a delete; ImageMagick's encoding of the same 12 MP
// picture runs beside it. Run one benchmark per process to read its peak memory
// (the peak_rss_mb counter is the process's high-water mark).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/editing_state.h"
#include "app/picture_fit.h"
#include "app/workspace.h"
#include "graphics/graph_context.h"
#include "graphics/picture_files.h"
#include "panel/save_result.h"
#include "platform/files.h"
#include "selection/stroke.h"
#include "tests/graphics/large_pictures.h"
#include "tests/graphics/picture_writers.h"
#include "tests/panel/cutout_scene.h"

namespace {

namespace fs = std::filesystem;

double peak_rss_mb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

std::string scene_12mp_png() {
  const fs::path file = fs::path(TESSARY_BINARY_DIR) / "picture-cache" / "scene-4000x3000.png";
  if (fs::exists(file)) return file.string();
  fs::create_directories(file.parent_path());
  const cutout_scene::Scene scene = cutout_scene::make(4000, 3000);
  const bool written = picture_writers::write_png(file.string(), scene.width, scene.height,
                                                  [&](int32_t y, std::vector<uint8_t>& row) {
                                                    for (int32_t x = 0; x < scene.width; ++x) {
                                                      const uint32_t v = scene.pixels[size_t(y) * scene.width + x];
                                                      row[3 * x] = uint8_t(v >> 16);
                                                      row[3 * x + 1] = uint8_t(v >> 8);
                                                      row[3 * x + 2] = uint8_t(v);
                                                    }
                                                  });
  return written ? file.string() : std::string();
}

IMAGE window_image;

// The editing state as workspace setup leaves it for `file`, in a scratch working
// folder, then a click on the background with the neighbour as the reference, and a
// delete.
bool open_and_delete(const std::string& file) {
  const fs::path work = fs::temp_directory_path() / ("tessary-save-bench-" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work / "b.cache");
  fs::current_path(work);
  unsetenv("DISPLAY");  // the message box then only prints

  int32_t width = 0;
  int32_t height = 0;
  if (!gfx_picture_size(file.c_str(), width, height)) return false;
  const PictureSize fitted = fitted_picture_size(width, height);
  clear_editing_state();
  picture = IMAGE();
  gfx_load_picture(&picture, file.c_str(), fitted.width, fitted.height, true);
  if (picture.image_width() != fitted.width) return false;
  picture_pixels = picture.pixels;
  place_picture(fitted.width, fitted.height);
  window_image = IMAGE(fitted.width + PANEL_WIDTH, WINDOW_HEIGHT);
  gfx_set_target(&window_image);
  set_start_values();
  std::snprintf(cache_dir, sizeof cache_dir, "b.cache");
  std::snprintf(picture_base_name, sizeof picture_base_name, "bench");
  std::snprintf(dropped_file.path, sizeof dropped_file.path, "%s", file.c_str());
  platform::file_identity(file.c_str(), dropped_file.size, dropped_file.modified);
  dropped_file.width = width;
  dropped_file.height = height;

  settings.reference_mode = 0;
  stroke_points[0] = {8, 8};
  stroke_last = 0;
  apply_stroke();
  delete_selection();
  return true;
}

void save_and_clean_up(benchmark::State& state) {
  save_result();
  if (save_counter != 1) state.SkipWithError("the save failed");
  state.counters["png_mb"] = fs::file_size("bench_0.png") / 1e6;
  fs::remove("bench_0.bmp");
  fs::remove("bench_0.png");
  save_counter = 0;
}

void BM_Save12MpScene(benchmark::State& state) {
  const std::string file = scene_12mp_png();
  if (file.empty() || !open_and_delete(file)) {
    state.SkipWithError("the scene could not be made or opened");
    return;
  }
  for (auto _ : state) save_and_clean_up(state);
  state.counters["peak_rss_mb"] = peak_rss_mb();
}
BENCHMARK(BM_Save12MpScene)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly();

// ImageMagick's `convert in.png PNG32:out.png`, timed as a whole command.
void time_convert(benchmark::State& state, const std::string& in) {
  const std::string out = (fs::temp_directory_path() / "tessary-bench-magick.png").string();
  const std::string command = "convert '" + in + "' PNG32:'" + out + "'";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError("convert failed");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["png_mb"] = fs::file_size(out) / 1e6;
  fs::remove(out);
}

void BM_ImageMagick12MpScene(benchmark::State& state) {
  const std::string file = scene_12mp_png();
  if (file.empty()) {
    state.SkipWithError("the scene could not be made");
    return;
  }
  time_convert(state, file);
}
BENCHMARK(BM_ImageMagick12MpScene)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// ImageMagick encoding our own cut-out again, for the file size.
void BM_ImageMagick12MpCutout(benchmark::State& state) {
  const std::string file = scene_12mp_png();
  if (file.empty() || !open_and_delete(file)) {
    state.SkipWithError("the scene could not be made or opened");
    return;
  }
  save_result();
  const std::string cutout = (fs::temp_directory_path() / "tessary-bench-cutout.png").string();
  fs::rename("bench_0.png", cutout);
  fs::remove("bench_0.bmp");
  save_counter = 0;
  state.counters["ours_mb"] = fs::file_size(cutout) / 1e6;
  time_convert(state, cutout);
  fs::remove(cutout);
}
BENCHMARK(BM_ImageMagick12MpCutout)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly();

void BM_Save200MpJpeg(benchmark::State& state) {
  const std::string file = large_pictures::photo_200mp_jpeg_oriented(TESSARY_BINARY_DIR, int(state.range(0)));
  if (file.empty() || !open_and_delete(file)) {
    state.SkipWithError("the photo could not be made or opened");
    return;
  }
  for (auto _ : state) save_and_clean_up(state);
  state.counters["peak_rss_mb"] = peak_rss_mb();
}
BENCHMARK(BM_Save200MpJpeg)->DenseRange(1, 8)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(1);

}  // namespace
