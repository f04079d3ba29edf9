// The cut-out PNG at the photo's own size: a 12 MP scene with a known alpha is shown
// scaled, cut out and saved; its PNG has the scene's size, the scene's colours and
// edges far closer to the truth than the shown blocks.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/graphics/pixel_compare.h"
#include "app/texts.h"
#include "e2e_support.h"
#include "graphics/message_box.h"
#include "graphics/picture_decoding.h"
#include "panel/colour_transform.h"
#include "panel/save_result.h"
#include "platform/gbk.h"
#include "tests/graphics/heif_writers.h"
#include "tests/graphics/picture_writers.h"
#include "tests/panel/cutout_scene.h"

namespace e2e {
namespace {

constexpr int SHOWN_WIDTH = 1024;
constexpr int SHOWN_HEIGHT = 768;
constexpr uint32_t DELETED = WHITE;  // the default background swatch

Picture picture_of(const cutout_scene::Scene& scene) {
  Picture p(scene.width, scene.height);
  p.pixels = scene.pixels;
  return p;
}

// Saves and returns the window captions seen while the save ran, and how long it took.
std::vector<std::string> save_watching_caption(Session& s, double& seconds) {
  const auto start = std::chrono::steady_clock::now();
  s.click_row(11);
  std::vector<std::string> captions;
  while (s.x().find_window_by_title(save_caption()) == 0 &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
    const std::string caption = s.x().window_title(s.window());
    if (captions.empty() || captions.back() != caption) captions.push_back(caption);
  }
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(s.confirm_save_box(), save_caption());
  return captions;
}

// Clicks the sky, deletes what grew, and saves. (At block size 1 the outline's sides
// have no length, so only the delete shows.)
void cut_out_the_sky(Session& s, double& seconds, std::vector<std::string>& captions) {
  s.click(12, s.picture_top() + 12);
  Picture before = s.quiet();
  s.click_row(7);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "nothing was deleted";
  s.park();
  captions = save_watching_caption(s, seconds);
}

// The saved pair `stem`: the PNG at the scene's size, its seen colours the scene's own
// under `colours`, its edge error at most a tenth of the shown mask's.
void expect_cut_out(const Session& s, const std::string& stem, const cutout_scene::Scene& scene, int block_size,
                    const ColourTransform& colours) {
  SCOPED_TRACE(stem + " at block size " + std::to_string(block_size));
  auto bmp = read_bmp(s.work() / (stem + ".bmp"));
  ASSERT_TRUE(bmp.has_value());
  ASSERT_EQ(bmp->width, SHOWN_WIDTH);
  const Rgba png = read_rgba_png(s.work() / (stem + ".png"));
  ASSERT_EQ(png.width, scene.width);
  ASSERT_EQ(png.height, scene.height);
  int64_t wrong_colour = 0;
  for (size_t i = 0; i < scene.pixels.size(); ++i)
    if (png.alpha(i) > 0) wrong_colour += png.colour(i) != apply_colour_transform(colours, scene.pixels[i]);
  EXPECT_EQ(wrong_colour, 0) << "seen pixels whose colour is not the scene's own";

  const auto by_mask = [&](int x, int y) -> uint8_t {
    return bmp->at(x * SHOWN_WIDTH / scene.width, y * SHOWN_HEIGHT / scene.height) == DELETED ? 0 : 255;
  };
  const auto saved = [&](int x, int y) { return png.alpha(static_cast<size_t>(y) * scene.width + x); };
  const double band = static_cast<double>(scene.width) / SHOWN_WIDTH * block_size + 3;
  const cutout_scene::BandError nearest = cutout_scene::band_error(scene, band, by_mask);
  const cutout_scene::BandError refined = cutout_scene::band_error(scene, band, saved);
  EXPECT_GT(nearest.mean, 0.05) << "the shown blocks already follow the edges";
  EXPECT_LE(refined.mean, nearest.mean / 10) << "edge error " << refined.mean << " against the blocks' "
                                             << nearest.mean;
}

// The box as the program paints it for `format` and the saved name.
Picture painted_box(const char* format, const char* name) {
  char text[80];
  format_gbk_text(text, sizeof text, format, name);
  IMAGE image;
  paint_message_box(image, lay_out_message_box(text), text);
  Picture p(image.width, image.height);
  p.pixels.assign(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height);
  return p;
}

TEST(FullSizeCutOut, TwelveMegapixelSceneSavesAtItsOwnSizeWithItsOwnEdgesWhileItsFileLasts) {
  const cutout_scene::Scene scene = cutout_scene::make(4000, 3000);
  Session s;
  ASSERT_TRUE(write_png(s.work() / "scene.png", picture_of(scene)));
  ASSERT_NO_FATAL_FAILURE(s.start_file("scene.png", SHOWN_WIDTH, SHOWN_HEIGHT));
  Picture before = s.settle();
  s.click_row(3);  // the neighbour as the reference, for the sky's gradient
  ASSERT_TRUE(s.wait_change(before, s.value_box(3)).has_value());

  double seconds = 0;
  std::vector<std::string> captions;
  ASSERT_NO_FATAL_FAILURE(cut_out_the_sky(s, seconds, captions));
  ASSERT_NO_FATAL_FAILURE(expect_cut_out(s, "scene_0", scene, 5, ColourTransform{}));
  if (seconds > 1.5) {
    bool progress = false;
    for (const std::string& caption : captions) progress = progress || caption.find('%') != std::string::npos;
    EXPECT_TRUE(progress) << "a save of " << seconds << " s showed no progress in the caption";
  }
  EXPECT_EQ(s.x().window_title(s.window()), platform::gbk_to_utf8(texts::caption_main));

  // Back to before the delete, down to block size 1, and again.
  before = s.settle();
  s.click_row(9);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value()) << "back did not bring the sky back";
  before = s.settle();
  s.wheel(s.row_rect(1).x + 40, s.row_rect(1).y + 10, -4);
  ASSERT_TRUE(s.wait_change(before, s.value_box(1)).has_value());
  ASSERT_NO_FATAL_FAILURE(cut_out_the_sky(s, seconds, captions));
  ASSERT_NO_FATAL_FAILURE(expect_cut_out(s, "scene_1", scene, 1, ColourTransform{}));

  // Once more with the colours turned one step.
  before = s.settle();
  s.click_row(9);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value());
  before = s.settle();
  s.click_row(5);
  ASSERT_TRUE(s.wait_change(before, s.picture_rect()).has_value());
  ASSERT_NO_FATAL_FAILURE(cut_out_the_sky(s, seconds, captions));
  ASSERT_NO_FATAL_FAILURE(expect_cut_out(s, "scene_2", scene, 1, colour_step(0)));

  // Without the dropped file as it was, changed since (here only its time) or gone,
  // the cut-out has the size shown, and the message says so.
  const fs::path dropped = s.work() / "scene.png";
  fs::last_write_time(dropped, fs::last_write_time(dropped) - std::chrono::hours(1));
  for (const char* stem : {"scene_3", "scene_4"}) {
    SCOPED_TRACE(stem);
    Picture box;
    EXPECT_EQ(s.save_and_confirm(&box), save_caption());
    const Rgba shown_size = read_rgba_png(s.work() / (std::string(stem) + ".png"));
    EXPECT_EQ(shown_size.width, SHOWN_WIDTH);
    EXPECT_EQ(shown_size.height, SHOWN_HEIGHT);
    const std::string bmp = std::string(stem) + ".bmp";
    EXPECT_TRUE(diff_pictures(painted_box(texts::msg_saved_shown_size_format, bmp.c_str()), box).same())
        << "the box does not say the PNG has the size shown";
    fs::remove(dropped);
  }
}

// A photo stored on its side, as cameras and phones store it, comes out upright at its
// own size: a JPEG turned by its EXIF orientation, a HEIC by its container's own turn
// (and not by the EXIF block beside it, which says otherwise).
TEST(FullSizeCutOut, PhotosStoredOnTheirSideComeOutUpright) {
  constexpr int W = 2000, H = 1500;
  const picture_writers::RowMaker rows = [](int32_t y, std::vector<uint8_t>& row) {
    for (int32_t x = 0; x < W; ++x) {
      row[3 * x] = static_cast<uint8_t>(x / 8);
      row[3 * x + 1] = static_cast<uint8_t>(y / 6);
      row[3 * x + 2] = static_cast<uint8_t>(x < W / 2 ? 40 : 220);
    }
  };
  for (const char* name : {"turned.jpg", "turned.heic"}) {
    SCOPED_TRACE(name);
    Session s;
    const fs::path file = s.work() / name;
    if (std::string(name).ends_with(".jpg")) {
      ASSERT_TRUE(picture_writers::write_jpeg(file.string(), W, H, rows, 90, picture_writers::JpegColours::rgb,
                                              picture_writers::exif_with_orientation(6, false)));
    } else {
      heif_writers::Options options;
      options.exif = picture_writers::exif_with_orientation(8, false);
      heif_writers::Grid grid;
      grid.transforms = {heif_writers::irot_box(3)};  // a quarter clockwise, as a phone turns a portrait
      ASSERT_TRUE(heif_writers::write_heif_grid(file.string(), W, H, rows, grid, options));
    }
    ASSERT_NO_FATAL_FAILURE(s.start_file(name, 576, 768));
    EXPECT_EQ(s.save_and_confirm(), save_caption());

    const std::vector<uint8_t> bytes = bytes_of(file);
    Canvas::DecodedPicture upright;
    ASSERT_TRUE(Canvas::decode_picture_at(bytes.data(), bytes.size(), 0, 0, upright));
    ASSERT_EQ(upright.width, H);
    const Rgba png = read_rgba_png(s.work() / "turned_0.png");
    ASSERT_EQ(png.width, H);
    ASSERT_EQ(png.height, W);
    int64_t wrong = 0;
    for (size_t i = 0; i < upright.pixels.size(); ++i)
      wrong += png.alpha(i) != 255 || png.colour(i) != (upright.pixels[i] & 0xFFFFFF);
    EXPECT_EQ(wrong, 0) << "pixels that differ from the photo turned upright";
  }
}

}  // namespace
}  // namespace e2e
