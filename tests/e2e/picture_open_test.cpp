// Opening pictures as a user meets it: crafted files refused quickly without taking
// memory, a 200 MP camera photo and a 48 MP phone HEIC opened at the fitted size, CMYK
// colours, EXIF rotation and HEIC/AVIF colours and rotation shown as every viewer
// shows them.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "tests/graphics/pixel_compare.h"
#include "../graphics/heif_writers.h"
#include "../graphics/large_pictures.h"
#include "../graphics/picture_writers.h"
#include "e2e_support.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t MEMORY_BOUND_KB = 300 * 1024;
constexpr int64_t SAVE_MEMORY_BOUND_KB = 400 * 1024;

// The process's peak resident memory so far, in kB; -1 when it cannot be read.
int64_t peak_memory_kb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6);
  return -1;
}

void write_bytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A 212-byte GIF: a 10 x 10 canvas whose first frame claims 65535 x 65535.
std::vector<uint8_t> oversized_frame_gif() {
  std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', 10, 0, 10, 0, 0xF0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                            0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 179};
  for (int i = 0; i < 179; ++i) b.push_back(static_cast<uint8_t>(0x84 + i * 37));
  b.insert(b.end(), {0, 0x3B});
  return b;
}

// 58 bytes named .jpg with the header of a layered picture format of 60000 x 60000.
std::vector<uint8_t> layered_size_bomb() {
  std::vector<uint8_t> b = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60, 0, 8, 0, 3};
  b.resize(58, 0);
  return b;
}

using heif_writers::shaded_row;

// Small HEIC grids whose boxes promise what they do not hold.
std::vector<std::pair<std::string, std::vector<uint8_t>>> crafted_heifs(const fs::path& dir) {
  heif_writers::Grid grid;
  grid.tile_width = grid.tile_height = 64;
  heif_writers::Grid huge = grid, short_of_tiles = grid;
  huge.declared_width = huge.declared_height = 65535;
  short_of_tiles.missing_tiles = 1;
  const fs::path file = dir / "made.heic";
  std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
  if (heif_writers::write_heif_grid(file.string(), 200, 130, shaded_row, huge)) out.push_back({"huge.heic", bytes_of(file)});
  if (heif_writers::write_heif_grid(file.string(), 200, 130, shaded_row, short_of_tiles))
    out.push_back({"short.heic", bytes_of(file)});
  if (heif_writers::write_heif_grid(file.string(), 200, 130, shaded_row, grid)) {
    std::vector<uint8_t> cut = bytes_of(file);
    cut.resize(cut.size() * 2 / 3);
    out.push_back({"cut.heic", cut});
  }
  fs::remove(file);
  return out;
}

struct Refusals : ::testing::Test {
  TempDir tmp;
  XServer x;
};

TEST_F(Refusals, CraftedFilesAreRefusedWithinTwoSecondsAndStaySmall) {
  ASSERT_TRUE(x.ok());
  const fs::path work = tmp.path() / "w";
  fs::create_directories(work);
  // A baseline for what start-up alone costs: a file that is plainly no picture.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"plain.jpg", {'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}},
      {"frame.gif", oversized_frame_gif()},
      {"layers.jpg", layered_size_bomb()},
  };
  // 6400 x 6400 and one colour, its last scan (an empty one) repeated 2,000 times.
  ASSERT_TRUE(picture_writers::write_jpeg((tmp.path() / "flat.jpg").string(), 6400, 6400,
                                          [](int32_t, std::vector<uint8_t>& row) { std::fill(row.begin(), row.end(), 90); },
                                          90, picture_writers::JpegColours::rgb, {}, true));
  files.push_back({"scans.jpg", picture_writers::with_last_scan_repeated(bytes_of(tmp.path() / "flat.jpg"), 2000)});
  const auto heifs = crafted_heifs(tmp.path());
  ASSERT_EQ(heifs.size(), 3u) << "libheif's encoder is needed";
  files.insert(files.end(), heifs.begin(), heifs.end());
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    write_bytes(work / name, bytes);
    const auto start = Clock::now();
    Process p(x, tessary_exe(), {name}, work, tmp.path());
    const unsigned long window = p.wait_window(30);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_NE(window, 0u) << p.log();
    auto rect = x.client_rect(window);
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(rect->width, 200) << "not the refusal message";
    EXPECT_EQ(rect->height, 30);
    EXPECT_LT(seconds, 2.0) << "the refusal took too long";
    const int64_t peak = peak_memory_kb(p.pid());
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, MEMORY_BOUND_KB) << "peak memory " << peak << " kB";
    std::fprintf(stderr, "e2e: %s refused after %.2f s, peak %lld kB\n", name.c_str(), seconds,
                 static_cast<long long>(peak));
    p.kill_now();
    // Its window must be gone before the next run, or that run might take it for its
    // own (both have the same id inside their namespaces).
    for (int i = 0; i < 100 && x.window_viewable(window); ++i) usleep(20000);
  }
}

struct LargePicture {
  std::string (*make)(const std::string& build_dir);
  const char* name;
  int32_t width, height;  // as shown
  uint32_t least_red;     // at the top left, where each picture's shading is blue
};

// Opens a picture made once for the suite, checks the window's size, that it stayed
// within the memory bound and that its own shading shows; returns what is shown.
Picture open_large(Session& s, const LargePicture& large) {
  const std::string photo = large.make(TESSARY_BINARY_DIR);
  EXPECT_FALSE(photo.empty()) << large.name << " could not be made";
  if (photo.empty()) return {};
  fs::create_symlink(photo, s.work() / large.name);
  const auto start = Clock::now();
  s.start_file(large.name, large.width, large.height);
  if (::testing::Test::HasFatalFailure()) return {};
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_EQ(s.client().width, large.width + 200);
  EXPECT_EQ(s.client().height, 768);
  const int64_t peak = peak_memory_kb(s.app().pid());
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, MEMORY_BOUND_KB) << "peak memory " << peak << " kB";
  std::fprintf(stderr, "e2e: %s shown after %.2f s, peak %lld kB\n", large.name, seconds, static_cast<long long>(peak));
  const Picture shown = s.shot();
  const uint32_t corner = shown.at(20, 20);
  EXPECT_GE((corner >> 16) & 0xFF, large.least_red) << std::hex << corner;
  EXPECT_GT(corner & 0xFF, 200u) << std::hex << corner;
  return shown;
}

TEST(LargePhoto, A200MpJpegOpensFittedAndSavesItsCutOutAtItsOwnSize) {
  Session s;
  const Picture shown = open_large(s, {large_pictures::photo_200mp_jpeg, "photo.jpg", 1024, 768, 20});
  if (::testing::Test::HasFailure()) return;
  s.save_and_confirm();
  const auto saved = read_bmp(s.work() / "photo_0.bmp");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->width, 1024);
  EXPECT_EQ(saved->height, 768);
  EXPECT_EQ(saved->crop(Rect{0, 0, 1024, 768}), shown.crop(Rect{0, 0, 1024, 768}));
  // The cut-out has the photo's own size (its header says so), and the save streamed it.
  std::ifstream png(s.work() / "photo_0.png", std::ios::binary);
  uint8_t header[24] = {};
  png.read(reinterpret_cast<char*>(header), sizeof header);
  const auto big_endian = [&](int at) { return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3]; };
  EXPECT_EQ(big_endian(16), 16320);
  EXPECT_EQ(big_endian(20), 12240);
  const int64_t saving_peak = peak_memory_kb(s.app().pid());
  EXPECT_LT(saving_peak, SAVE_MEMORY_BOUND_KB) << "peak memory of the save " << saving_peak << " kB";
}

// Its coefficients outgrow what libjpeg may hold in memory. (Each large picture has a
// test of its own, since the first run of the suite makes it within the test's time.)
TEST(LargePhoto, A12000x12000ProgressiveJpegOpensFittedWithinTheMemoryBound) {
  Session s;
  open_large(s, {large_pictures::progressive_12000_jpeg, "poster.jpg", 768, 768, 0});
}

TEST(LargePhoto, A48MpPhoneHeicInTilesOpensFittedWithinTheMemoryBound) {
  Session s;
  open_large(s, {large_pictures::photo_48mp_heic, "IMG_0001.HEIC", 1024, 768, 20});
}

TEST(PictureColours, ACmykJpegShowsTheColoursImageMagickShows) {
  Session s;
  // Four cells of ink, stored inverted as Adobe's writers do.
  const uint8_t inks[4][4] = {{255, 30, 30, 255}, {40, 220, 255, 220}, {255, 255, 60, 90}, {200, 90, 255, 255}};
  const fs::path file = s.work() / "print.jpg";
  ASSERT_TRUE(picture_writers::write_jpeg(
      file.string(), 64, 64,
      [&](int32_t y, std::vector<uint8_t>& row) {
        for (int x = 0; x < 64; ++x) std::copy(inks[(y / 32) * 2 + x / 32], inks[(y / 32) * 2 + x / 32] + 4, &row[4 * x]);
      },
      95, picture_writers::JpegColours::cmyk));
  const fs::path raw = s.root() / "print.rgb";
  const auto magick = run_command("convert " + shell_quote(file.string()) + " -colorspace sRGB -depth 8 " +
                                  shell_quote("rgb:" + raw.string()));
  ASSERT_EQ(magick.status, 0) << "ImageMagick's convert is needed";
  std::ifstream in(raw, std::ios::binary);
  const std::vector<uint8_t> rgb_bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(rgb_bytes.size(), 64u * 64u * 3u);

  s.start_file("print.jpg", 64, 64);
  if (::testing::Test::HasFatalFailure()) return;
  const Picture shown = s.shot();
  for (auto [x, y] : {std::pair{16, 16}, {48, 16}, {16, 48}, {48, 48}}) {
    const size_t at = (static_cast<size_t>(y) * 64 + x) * 3;
    const uint32_t expected = rgb(rgb_bytes[at], rgb_bytes[at + 1], rgb_bytes[at + 2]);
    const uint32_t got = shown.at(x, s.picture_top() + y);
    EXPECT_LE(colour_distance(got, expected), 4) << x << "," << y << std::hex << " shown " << got << " expected "
                                                  << expected;
  }
}

TEST(PictureColours, AnExifRotatedJpegShowsUpright) {
  Session s;
  // Stored 48 x 32 as three cells over two; the tag says to turn it a quarter
  // clockwise, so it shows 32 x 48 with the stored bottom-left cell at the top left.
  const uint32_t cells[6] = {0xE01010, 0x10E010, 0x1010E0, 0xF0F0F0, 0x101010, 0xE0E010};
  ASSERT_TRUE(picture_writers::write_jpeg(
      (s.work() / "phone.jpg").string(), 48, 32,
      [&](int32_t y, std::vector<uint8_t>& row) {
        for (int x = 0; x < 48; ++x) {
          const uint32_t v = cells[(y / 16) * 3 + x / 16];
          row[3 * x] = uint8_t(v >> 16), row[3 * x + 1] = uint8_t(v >> 8), row[3 * x + 2] = uint8_t(v);
        }
      },
      95, picture_writers::JpegColours::rgb, picture_writers::exif_with_orientation(6, true)));
  s.start_file("phone.jpg", 32, 48);
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_EQ(s.client().width, 32 + 200);
  const Picture shown = s.shot();
  // Seen upright: rows of two cells, from the stored left column upwards.
  const uint32_t upright[6] = {cells[3], cells[0], cells[4], cells[1], cells[5], cells[2]};
  for (int c = 0; c < 6; ++c) {
    const int x = (c % 2) * 16 + 8;
    const int y = (c / 2) * 16 + 8;
    EXPECT_LE(colour_distance(shown.at(x, s.picture_top() + y), upright[c]), 8) << "cell " << c;
  }
}

// Each kind of HEIF a phone writes opens with the colours libheif decodes, within a
// few levels; the one whose container turns it a quarter while its EXIF block says
// the other way opens turned once, as the container says.
TEST(PictureColours, HeicAndAvifShowLibheifsColoursAndTheContainersTurn) {
  using heif_writers::Codec;
  struct Case {
    const char* name;
    Codec codec;
    int bits;
    bool grid;
    int orientation;
    int exif_orientation;
  };
  const Case cases[] = {
      {"p8.heic", Codec::hevc, 8, false, 1, 0},   {"p10.heic", Codec::hevc, 10, false, 1, 0},
      {"p8.avif", Codec::av1, 8, false, 1, 0},    {"p10.avif", Codec::av1, 10, false, 1, 0},
      {"tiles.heic", Codec::hevc, 8, true, 1, 0}, {"turned.heic", Codec::hevc, 8, true, 6, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    const fs::path file = s.work() / c.name;
    heif_writers::Options options;
    options.codec = c.codec, options.bits = c.bits;
    if (c.exif_orientation) options.exif = picture_writers::exif_with_orientation(c.exif_orientation, false);
    // As a phone writes a portrait photo: tiles stored as the sensor saw them, the
    // grid turned a quarter clockwise (three anticlockwise).
    heif_writers::Grid grid;
    grid.tile_width = grid.tile_height = 128;
    if (c.orientation == 6) grid.transforms = {heif_writers::irot_box(3)};
    ASSERT_TRUE(c.grid ? heif_writers::write_heif_grid(file.string(), 300, 200, shaded_row, grid, options)
                       : heif_writers::write_heif(file.string(), 300, 200, shaded_row, options));
    int32_t width = 0, height = 0;
    const std::vector<uint32_t> expected = heif_writers::libheif_pixels(file.string(), width, height);
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(c.orientation == 6 ? std::pair(200, 300) : std::pair(300, 200), std::pair(width, height));
    s.start_file(c.name, width, height);
    if (::testing::Test::HasFatalFailure()) return;
    EXPECT_EQ(s.client().width, width + 200);
    const Picture shown = s.shot();
    int worst = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        worst = std::max(worst, colour_distance(shown.at(x, s.picture_top() + y), expected[size_t(y) * width + x] & 0xFFFFFF));
    EXPECT_LE(worst, 3);
    if (c.orientation == 6) {
      // Turned a quarter clockwise: the stored bottom-left corner (much green) is now
      // the top left, the stored top-left (neither red nor green) the top right.
      const uint32_t left = shown.at(2, s.picture_top() + 2), right = shown.at(width - 3, s.picture_top() + 2);
      EXPECT_GT((left >> 8) & 0xFF, 0x60u) << std::hex << left;
      EXPECT_LT((right >> 8) & 0xFF, 0x10u) << std::hex << right;
      EXPECT_LT((right >> 16) & 0xFF, 0x10u) << std::hex << right;
    }
  }
}

}  // namespace
}  // namespace e2e
