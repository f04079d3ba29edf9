#include "panel/edge_matte.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/editing_state.h"
#include "graphics/area_scaler.h"
#include "selection/stroke.h"
#include "tests/panel/cutout_scene.h"
#include "tests/panel/dispatch_workspace.h"

namespace {

// The scene as the program shows it: averaged down to the shown size.
std::vector<uint32_t> shown_picture(const cutout_scene::Scene& scene, int32_t width, int32_t height) {
  Canvas::AreaScaler scaler(width, height);
  EXPECT_TRUE(scaler.begin(scene.width, scene.height));
  std::vector<uint32_t> row(static_cast<size_t>(scene.width));
  for (int32_t y = 0; y < scene.height; ++y) {
    for (int32_t x = 0; x < scene.width; ++x) row[x] = 0xFF000000u | scene.pixels[static_cast<size_t>(y) * scene.width + x];
    scaler.pixels(y, 0, 1, row.data(), scene.width);
  }
  std::vector<uint32_t> shown = scaler.finish();
  for (uint32_t& v : shown) v &= 0xFFFFFF;
  return shown;
}

// A user's cut-out of the sky: the neighbour as the reference, one click on the sky,
// delete, at the given block size.
void delete_the_sky(const std::vector<uint32_t>& shown, int32_t width, int32_t height, int32_t block_size,
                    int32_t tolerance) {
  test_workspace::set_up(width, height);
  std::memcpy(picture_pixels, shown.data(), shown.size() * sizeof(uint32_t));
  std::memcpy(loaded_pixels, shown.data(), shown.size() * sizeof(uint32_t));
  settings.reference_mode = 0;
  settings.block_index = block_size;
  settings.tolerance = tolerance;
  stroke_points[0] = {2, 2};
  stroke_last = 0;
  apply_stroke();
  delete_selection();
}

TEST(EdgeMatte, RefinesTheBlockEdgeToThePicturesOwnPixels) {
  struct Case {
    int32_t full_width, full_height, width, height, block_size, tolerance;
    double worst_share_of_nearest;  // the matte's error over the plain mask's, at most
  };
  const Case cases[] = {
      {1200, 900, 300, 225, 5, 10, 0.10},
      {1200, 900, 300, 225, 1, 10, 0.10},
      {900, 700, 320, 248, 5, 10, 0.10},  // not a whole scale
      {1200, 900, 300, 225, 16, 10, 0.10},  // large blocks, whose wide zone is crossed in strides
      {320, 240, 320, 240, 5, 10, 0.10},  // 1:1, where only the blocks' own halo is wrong
      // 1:1 at block size 1, where the noise asks for a wider tolerance and only the
      // rim is left to get right.
      {320, 240, 320, 240, 1, 30, 0.30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.full_width << "x" << c.full_height << " shown " << c.width << "x"
                                    << c.height << " block " << c.block_size);
    const cutout_scene::Scene scene = cutout_scene::make(c.full_width, c.full_height);
    delete_the_sky(shown_picture(scene, c.width, c.height), c.width, c.height, c.block_size, c.tolerance);

    EdgeMatte matte;
    ASSERT_TRUE(build_edge_matte({loaded_pixels, deleted_pixels, c.width, c.height, c.full_width, c.full_height,
                                  cutout.deleted_block_size},
                                 matte));
    std::vector<uint8_t> alpha(scene.pixels.size());
    for (int32_t y = 0; y < c.full_height; ++y)
      edge_matte_row(matte, y, scene.pixels.data() + static_cast<size_t>(y) * c.full_width,
                     alpha.data() + static_cast<size_t>(y) * c.full_width);
    const auto by_mask = [&](int32_t x, int32_t y) -> uint8_t {
      const size_t shown = static_cast<size_t>(int64_t{y} * c.height / c.full_height) * c.width +
                           static_cast<size_t>(int64_t{x} * c.width / c.full_width);
      return deleted_pixels[shown] ? 0 : 255;
    };
    const auto by_matte = [&](int32_t x, int32_t y) { return alpha[static_cast<size_t>(y) * c.full_width + x]; };

    const double scale = static_cast<double>(c.full_width) / c.width;
    const double band = scale * c.block_size + 3;
    const cutout_scene::BandError nearest = cutout_scene::band_error(scene, band, by_mask);
    const cutout_scene::BandError refined = cutout_scene::band_error(scene, band, by_matte);
    ASSERT_GT(nearest.mean, 0.01) << "the scene has no block edge to refine";
    EXPECT_LE(refined.mean, c.worst_share_of_nearest * nearest.mean)
        << "mask " << nearest.mean << ", matte " << refined.mean << " over " << refined.pixels << " pixels";

    // Away from the border the mask alone decides, and it is right there.
    int64_t far_wrong = 0;
    for (int32_t y = 0; y < c.full_height; ++y)
      for (int32_t x = 0; x < c.full_width; ++x) {
        const size_t i = static_cast<size_t>(y) * c.full_width + x;
        if (scene.edge_distance[i] <= scale * (3 * c.block_size + 3) + 2) continue;
        far_wrong += by_matte(x, y) != by_mask(x, y) || by_mask(x, y) != scene.alpha[i];
      }
    EXPECT_EQ(far_wrong, 0);
  }
}

}  // namespace
