// HEIC and AVIF made with libheif's own encoder, decoded through the platform seam and
// held to libheif's own decoding: both codecs at 8 and 10 bits, every orientation the
// container can give, grids with their transforms, and crafted files refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "pixel_compare.h"
#include "tests/app/temp_workdir.h"
#include "graphics/exif_orientation.h"
#include "graphics/picture_decoding.h"
#include "heif_writers.h"
#include "platform/picture_decode.h"

using namespace heif_writers;

namespace {

// Six flat 16 x 16 cells, three over two: no symmetry, so any turn or mirror shows.
constexpr uint32_t cells[6] = {0xE01010, 0x10E010, 0x1010E0, 0xF0F0F0, 0x101010, 0xE0E010};
void cell_row(int32_t y, std::vector<uint8_t>& row) {
  for (size_t x = 0; x < row.size() / 3; ++x) {
    const uint32_t v = cells[(y / 16) % 2 * 3 + (x / 16) % 3];
    row[3 * x] = uint8_t(v >> 16), row[3 * x + 1] = uint8_t(v >> 8), row[3 * x + 2] = uint8_t(v);
  }
}
class HeifDecoding : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (dir_.root() / name).string(); }

  // Decodes through the program's own entry at the natural size and compares it with
  // libheif's decoding: same size, every channel within `tolerance`.
  Canvas::DecodedPicture expect_as_libheif(const std::string& file, int tolerance) {
    int32_t width = 0, height = 0;
    const std::vector<uint32_t> reference = libheif_pixels(file, width, height);
    EXPECT_FALSE(reference.empty());
    const std::vector<uint8_t> b = bytes_of(file);
    int32_t seen_width = 0, seen_height = 0;
    EXPECT_TRUE(Canvas::picture_size(b.data(), b.size(), seen_width, seen_height));
    EXPECT_EQ(seen_width, width);
    EXPECT_EQ(seen_height, height);
    // Never an EXIF orientation on top of the container's own.
    EXPECT_EQ(Canvas::exif_orientation(b.data(), b.size()), 1);
    Canvas::DecodedPicture picture;
    EXPECT_TRUE(Canvas::decode_picture_at(b.data(), b.size(), 0, 0, picture));
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    if (picture.pixels.size() != reference.size()) {
      ADD_FAILURE() << "sizes differ";
      return picture;
    }
    int worst = 0;
    for (size_t i = 0; i < reference.size(); ++i) worst = std::max(worst, channel_distance(picture.pixels[i], reference[i]));
    EXPECT_LE(worst, tolerance);
    return picture;
  }
  TempWorkdir dir_;
};

// Both codecs at both depths are held to libheif's colours end to end; here every
// orientation the encoder can give the container, and both codecs' deeper kind.
TEST_F(HeifDecoding, EachOrientationShowsAsLibheifAndTheCellsSay) {
  struct Case {
    Codec codec;
    int bits;
    int orientation;
    std::vector<uint8_t> exif;
  };
  // A phone's photo: the container turns it a quarter clockwise, its EXIF block says
  // the other way; only the container counts.
  std::vector<Case> cases = {{Codec::hevc, 10, 6, picture_writers::exif_with_orientation(8, true)},
                             {Codec::av1, 10, 1, {}}, {Codec::av1, 8, 4, {}}};
  for (int orientation = 1; orientation <= 8; ++orientation) cases.push_back({Codec::hevc, 8, orientation, {}});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.codec == Codec::hevc ? "HEIC " : "AVIF ") + std::to_string(c.bits) + " bits, orientation " +
                 std::to_string(c.orientation));
    const std::string file = path("p.heif");
    Options options;
    options.codec = c.codec, options.bits = c.bits, options.orientation = c.orientation, options.exif = c.exif;
    ASSERT_TRUE(write_heif(file, 48, 32, cell_row, options));
    if (!c.exif.empty()) {
      const std::vector<uint8_t> b = bytes_of(file);
      ASSERT_NE(std::search(b.begin(), b.end(), c.exif.begin() + 6, c.exif.end()), b.end()) << "no EXIF block";
    }
    const Canvas::DecodedPicture picture = expect_as_libheif(file, 1);
    // The cells where the orientation puts them, whoever decodes.
    const std::vector<uint32_t> seen = Canvas::orient_pixels(std::vector<uint32_t>(cells, cells + 6), 3, 2, c.orientation);
    const int columns = Canvas::orientation_swaps_sides(c.orientation) ? 2 : 3;
    ASSERT_EQ(picture.width, columns * 16);
    for (size_t i = 0; i < seen.size(); ++i) {
      const size_t x = (i % columns) * 16 + 8, y = (i / columns) * 16 + 8;
      EXPECT_LE(channel_distance(picture.pixels[y * picture.width + x], 0xFF000000u | seen[i]), 12) << "cell " << i;
    }
  }
}

TEST_F(HeifDecoding, GridsAndTheirTransformsShowAsLibheif) {
  struct Case {
    const char* name;
    Codec codec;
    int bits;
    int32_t width, height;
    std::vector<std::vector<uint8_t>> transforms;
  };
  const std::vector<Case> cases = {
      {"plain, edge tiles cut", Codec::hevc, 8, 150, 100, {}},
      {"a quarter turn", Codec::hevc, 8, 150, 100, {irot_box(1)}},
      {"three quarters, mirrored left to right", Codec::hevc, 8, 150, 100, {irot_box(3), imir_box(1)}},
      {"cropped, half turned, upside down", Codec::hevc, 8, 150, 100, {clap_box(101, 60, -7, 5), irot_box(2), imir_box(0)}},
      {"10-bit AVIF, cropped by halves then turned", Codec::av1, 10, 130, 70, {clap_box(63, 40, 3, -2), irot_box(1)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = path("g.heif");
    Grid grid;
    grid.tile_width = grid.tile_height = 64;
    grid.transforms = c.transforms;
    Options options;
    options.codec = c.codec, options.bits = c.bits;
    ASSERT_TRUE(write_heif_grid(file, c.width, c.height, shaded_row, grid, options));
    expect_as_libheif(file, 1);
  }
}

// Collects only what a decoder hands over, to see that nothing came.
struct CountingSink final : platform::PictureSink {
  int begins = 0;
  int64_t delivered = 0;
  bool begin(int32_t, int32_t) override { return ++begins, true; }
  void pixels(int32_t, int32_t, int32_t, const uint32_t*, int32_t count) override { delivered += count; }
};

TEST_F(HeifDecoding, CraftedFilesAreRefusedFromTheirBoxesAlone) {
  Grid grid;
  grid.tile_width = grid.tile_height = 64;
  ASSERT_TRUE(write_heif_grid(path("whole.heic"), 150, 100, shaded_row, grid));
  const std::vector<uint8_t> whole = bytes_of(path("whole.heic"));
  Grid huge = grid;
  huge.declared_width = huge.declared_height = 65535;
  ASSERT_TRUE(write_heif_grid(path("huge.heic"), 150, 100, shaded_row, huge));
  Grid missing = grid;
  missing.missing_tiles = 1;
  ASSERT_TRUE(write_heif_grid(path("missing.heic"), 150, 100, shaded_row, missing));
  Grid overturned = grid;
  overturned.transforms = {clap_box(151, 100, 0, 0)};
  ASSERT_TRUE(write_heif_grid(path("clap.heic"), 150, 100, shaded_row, overturned));
  std::vector<uint8_t> foreign = whole;
  for (size_t at = 8; at < 24; ++at) foreign[at] = 'x';  // brands of no still picture
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"grid declaring 65535 x 65535", bytes_of(path("huge.heic"))},
      {"one tile fewer than the grid has", bytes_of(path("missing.heic"))},
      {"crop wider than the picture", bytes_of(path("clap.heic"))},
      {"cut in its tiles' data", std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() * 3 / 4)},
      {"cut in its boxes", std::vector<uint8_t>(whole.begin(), whole.begin() + 200)},
      {"no still-picture brand", foreign},
  };
  CountingSink control;
  ASSERT_TRUE(platform::decode_picture(whole.data(), whole.size(), 0, 0, control));
  EXPECT_EQ(control.delivered, 150 * 100);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t width = 0, height = 0;
    EXPECT_FALSE(platform::read_picture_size(c.bytes.data(), c.bytes.size(), width, height));
    CountingSink sink;
    EXPECT_FALSE(platform::decode_picture(c.bytes.data(), c.bytes.size(), 0, 0, sink));
    EXPECT_EQ(sink.begins, 0);
  }
}

}  // namespace
