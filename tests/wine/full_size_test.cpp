// The Windows build saves the same cut-out at the picture's own size as the Linux
// build, pixel for pixel, from a PNG and from a BMP that are shown scaled.
#include <gtest/gtest.h>

#include <string>

#include "e2e_support.h"
#include "tests/panel/cutout_scene.h"

namespace e2e {
namespace {

// Opens `file` (2048 x 1536, shown at 1024 x 768), deletes the sky around the click
// and returns the cut-out.
Rgba cut_out(const Program& program, const Picture& scene, const std::string& file) {
  Session s(program);
  const bool written = file.ends_with(".png") ? write_png(s.work() / file, scene) : write_bmp(s.work() / file, scene);
  EXPECT_TRUE(written);
  s.start_file(file, 1024, 768);
  if (::testing::Test::HasFatalFailure()) return {};
  Picture before = s.settle();
  s.click(12, 12);
  EXPECT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "nothing selected";
  before = s.settle();
  s.click_row(7);
  EXPECT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "nothing deleted";
  EXPECT_EQ(s.save_and_confirm(), save_caption());
  return read_rgba_png(s.work() / (file.substr(0, file.find('.')) + "_0.png"));
}

void gives_the_linux_builds_cut_out(const std::string& arch) {
  const cutout_scene::Scene made = cutout_scene::make(2048, 1536, 3);
  Picture scene(made.width, made.height);
  scene.pixels = made.pixels;
  for (const char* file : {"scene.png", "scene.bmp"}) {
    SCOPED_TRACE(file);
    const Rgba on_linux = cut_out(linux_build(), scene, file);
    ASSERT_EQ(on_linux.width, made.width);
    ASSERT_EQ(on_linux.height, made.height);
    const Rgba on_windows = cut_out(windows_build(arch), scene, file);
    ASSERT_EQ(on_windows.width, made.width);
    EXPECT_TRUE(on_windows.bytes == on_linux.bytes) << "the " << arch << " build's cut-out differs from the Linux build's";
  }
}

TEST(WineFullSize, TheCutOutAtThePicturesOwnSizeIsTheLinuxBuildsOnX86_64) { gives_the_linux_builds_cut_out("x86_64"); }

TEST(WineFullSize, TheCutOutAtThePicturesOwnSizeIsTheLinuxBuildsOnI686) {
  if (const std::string reason = why_no_wine32(); !reason.empty()) GTEST_SKIP() << reason;
  gives_the_linux_builds_cut_out("i686");
}

}  // namespace
}  // namespace e2e
