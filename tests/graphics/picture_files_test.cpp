#include "pixel_compare.h"
#include "graphics/picture_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "graphics/graph_context.h"


namespace fs = std::filesystem;

namespace {

constexpr uint32_t F_INK = 0xC81E0A;    // red 200, green 30, blue 10
constexpr uint32_t F_PAPER = 0x0A28E6;  // red 10, green 40, blue 230
constexpr uint32_t F_MARK = 0x123456;   // one odd pixel in the bottom-right corner

// A letter F, 5 wide and 7 high: no symmetry, and 5 * 3 bytes per row need padding,
// so flipped rows, swapped red and blue or missing padding all show.
IMAGE letter_f() {
  static const char* rows[7] = {"#####", "#....", "#....", "####.", "#....", "#....", "#...."};
  IMAGE image(5, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 5; ++x) image.pixels[y * 5 + x] = rows[y][x] == '#' ? F_INK : F_PAPER;
  image.pixels[6 * 5 + 4] = F_MARK;
  return image;
}

std::vector<uint32_t> pixels_of(const IMAGE& image) {
  return std::vector<uint32_t>(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height);
}

void write_bytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

// Runs ImageMagick's convert with `arguments` (each already in double quotes where
// needed) to write `output`; 0 when it did. Under Wine, the host's convert runs as a
// Unix program (file names as the host sees them, see host_path) that Wine starts
// without waiting for it, so its file is awaited until its size stays put.
int run_convert(const std::string& arguments, const std::string& output) {
#ifdef _WIN32
  std::error_code ignored;
  fs::remove(output, ignored);
  const std::string command = "start /unix /usr/bin/env convert " + arguments;
  if (std::system(command.c_str()) != 0) return 1;
  std::uintmax_t last = 0;
  for (int tries = 0; tries < 200; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::uintmax_t size = fs::file_size(output, ignored);
    if (!ignored && size > 0 && size == last) return 0;
    last = ignored ? 0 : size;
  }
  return 1;
#else
  (void)output;
  const std::string command = "convert " + arguments + " >/dev/null 2>&1";
  return std::system(command.c_str());
#endif
}

// A file's path for the host's convert: the same path on Linux; under Wine, where
// the tests' files lie on drive C: of the prefix (or on Z:, the host's root), the path
// the host sees.
std::string host_path(const std::string& path) {
#ifdef _WIN32
  const char* prefix = std::getenv("WINEPREFIX");
  std::string rest = path.size() > 3 ? path.substr(3) : std::string();
  std::replace(rest.begin(), rest.end(), '\\', '/');
  const char drive = char(std::toupper(static_cast<unsigned char>(path.empty() ? ' ' : path[0])));
  if (path.compare(1, 2, ":\\") != 0 || (drive == 'C' && !prefix)) return path;
  return drive == 'Z' ? "/" + rest : std::string(prefix) + "/drive_c/" + rest;
#else
  return path;
#endif
}

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    dir_ = fs::temp_directory_path() / ("tessary-pictures-" + std::to_string(seed()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Writes `image` as a BMP and converts it with ImageMagick to the format that
  // `name`'s extension (or a "PNG32:"-style prefix) asks for.
  std::string make_picture(const IMAGE& image, const std::string& name, const std::string& prefix = "") {
    const std::string bmp = path(name + ".source.bmp");
    EXPECT_TRUE(gfx_save_picture(bmp.c_str(), &image));
    const std::string out = path(name);
    std::string arguments = "\"";
    arguments += host_path(bmp) + "\" \"" + prefix + host_path(out) + "\"";
    EXPECT_EQ(run_convert(arguments, out), 0) << "ImageMagick's convert is needed: " << arguments;
    return out;
  }

  fs::path dir_;
};

TEST_F(PictureFiles, SavedBmpIsBottomUpBgrWithPaddedRows) {
  const IMAGE f = letter_f();
  const std::string file = path("f.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &f));
  const std::vector<uint8_t> b = bytes_of(file);
  const size_t row = 16;  // 5 * 3 bytes, padded to 4
  ASSERT_EQ(b.size(), 54 + row * 7);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(le32(b, 2), b.size());
  EXPECT_EQ(le32(b, 10), 54u);
  EXPECT_EQ(le32(b, 14), 40u);
  EXPECT_EQ(le32(b, 18), 5u);
  EXPECT_EQ(le32(b, 22), 7u);
  EXPECT_EQ(b[28], 24);
  EXPECT_EQ(le32(b, 30), 0u);
  // The first stored row is the bottom one, whose last pixel is the mark.
  EXPECT_EQ(b[54 + 4 * 3 + 0], 0x56);
  EXPECT_EQ(b[54 + 4 * 3 + 1], 0x34);
  EXPECT_EQ(b[54 + 4 * 3 + 2], 0x12);
  // The last stored row is the F's top bar.
  const size_t top = 54 + row * 6;
  EXPECT_EQ(b[top + 0], 0x0A);
  EXPECT_EQ(b[top + 1], 0x1E);
  EXPECT_EQ(b[top + 2], 0xC8);
}

TEST_F(PictureFiles, BmpRoundTripKeepsSizeAndEveryPixel) {
  const IMAGE f = letter_f();
  const std::string file = path("f.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &f));
  IMAGE loaded;
  gfx_load_picture(&loaded, file.c_str(), 0, 0, false);
  ASSERT_EQ(loaded.image_width(), 5);
  ASSERT_EQ(loaded.image_height(), 7);
  EXPECT_EQ(pixels_of(loaded), pixels_of(f));
}

TEST_F(PictureFiles, LosslessFormatsLoadExactly) {
  const IMAGE f = letter_f();
  for (const char* name : {"f.png", "f.gif"}) {
    SCOPED_TRACE(name);
    const std::string file = make_picture(f, name);
    IMAGE loaded;
    gfx_load_picture(&loaded, file.c_str(), 0, 0, false);
    ASSERT_EQ(loaded.image_width(), 5);
    ASSERT_EQ(loaded.image_height(), 7);
    EXPECT_EQ(pixels_of(loaded), pixels_of(f));
  }
}

// Four flat quarters; JPEG keeps flat areas close to their colour away from the edges.
IMAGE quarters(int32_t width, int32_t height) {
  IMAGE image(width, height);
  const uint32_t colours[4] = {0xE01010, 0x10E010, 0x1010E0, 0xF0F0F0};
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      image.pixels[y * width + x] = colours[(y >= height / 2) * 2 + (x >= width / 2)];
  return image;
}

TEST_F(PictureFiles, JpegLoadsAtItsNaturalSize) {
  const IMAGE source = quarters(64, 48);
  const std::string file = make_picture(source, "q.jpg", "JPEG:");
  IMAGE loaded;
  gfx_load_picture(&loaded, file.c_str(), 0, 0, false);
  ASSERT_EQ(loaded.image_width(), 64);
  ASSERT_EQ(loaded.image_height(), 48);
  for (auto [x, y] : {std::pair{8, 8}, {56, 8}, {8, 40}, {56, 40}})
    EXPECT_LE(colour_distance(loaded.pixels[y * 64 + x], source.pixels[y * 64 + x]), 12) << x << "," << y;
}

TEST_F(PictureFiles, UnreadableFilesLeaveTheImageUnchanged) {
  std::vector<std::string> names = {"missing.jpg", "empty.jpg", "text.jpg", "huge.bmp", "folder.png"};
  for (const char* format : {"jpg", "png", "gif", "bmp"}) {
    const std::string whole = make_picture(quarters(64, 48), std::string("good.") + format);
    std::vector<uint8_t> bytes = bytes_of(whole);
    // Cut in the pixel data, and for PNG also inside the chunks before it.
    for (size_t keep : {bytes.size() / 2, bytes.size() - 3, size_t{60}}) {
      write_bytes(path("cut" + std::to_string(keep) + "." + format), std::vector<uint8_t>(bytes.begin(), bytes.begin() + keep));
      names.push_back("cut" + std::to_string(keep) + "." + format);
    }
  }
  write_bytes(path("empty.jpg"), {});
  write_bytes(path("text.jpg"), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
  // A header claiming 20000 x 6000 pixels with almost nothing behind it.
  std::vector<uint8_t> huge(64, 0);
  huge[0] = 'B';
  huge[1] = 'M';
  huge[10] = 54;
  huge[14] = 40;
  huge[18] = 0x20, huge[19] = 0x4E;  // 20000
  huge[22] = 0x70, huge[23] = 0x17;  // 6000
  huge[26] = 1;
  huge[28] = 24;
  write_bytes(path("huge.bmp"), huge);
  fs::create_directory(path("folder.png"));

  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string file = path(name);
    IMAGE empty;
    gfx_load_picture(&empty, file.c_str(), 0, 0, false);
    EXPECT_EQ(empty.image_width(), 0);
    EXPECT_EQ(empty.image_height(), 0);
    EXPECT_EQ(empty.pixels, nullptr);

    const IMAGE f = letter_f();
    IMAGE kept = f;
    gfx_load_picture(&kept, file.c_str(), 40, 30, true);
    EXPECT_EQ(kept.image_width(), 5);
    EXPECT_EQ(pixels_of(kept), pixels_of(f));
  }
}

TEST_F(PictureFiles, SmallPictureCoversOnlyTheTopLeftOfALargerImage) {
  IMAGE small(100, 100);
  std::fill_n(small.pixels, 100 * 100, 0x00FF00u);
  const std::string file = path("small.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &small));

  IMAGE image(300, 200);
  std::fill_n(image.pixels, 300 * 200, 0x123456u);
  gfx_load_picture(&image, file.c_str(), 0, 0, false);
  ASSERT_EQ(image.image_width(), 300);
  ASSERT_EQ(image.image_height(), 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      ASSERT_EQ(image.pixels[y * 300 + x], (x < 100 && y < 100) ? 0x00FF00u : 0x123456u) << x << "," << y;
}

TEST_F(PictureFiles, LargerPictureIsCutAtTheImageEdges) {
  const IMAGE f = letter_f();
  const std::string file = path("f.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &f));
  IMAGE image(3, 2);
  gfx_load_picture(&image, file.c_str(), 0, 0, false);
  ASSERT_EQ(image.image_width(), 3);
  ASSERT_EQ(image.image_height(), 2);
  EXPECT_EQ(pixels_of(image), (std::vector<uint32_t>{F_INK, F_INK, F_INK, F_INK, F_PAPER, F_PAPER}));
}

TEST_F(PictureFiles, ASingleRequestedSideMeansNaturalSize) {
  const IMAGE f = letter_f();
  const std::string file = path("f.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &f));
  for (auto [w, h] : {std::pair{500, 0}, {0, 500}, {-3, 9}}) {
    IMAGE loaded;
    gfx_load_picture(&loaded, file.c_str(), w, h, false);
    EXPECT_EQ(loaded.image_width(), 5);
    EXPECT_EQ(loaded.image_height(), 7);
    EXPECT_EQ(pixels_of(loaded), pixels_of(f));
  }
}

TEST_F(PictureFiles, HalvingAveragesEachTwoByTwoBlockExactly) {
  // Each 2 x 2 block holds four different colours; the result is their mean.
  IMAGE checker(4, 2);
  const uint32_t rows[2][4] = {{0xFF0000, 0x00FF00, 0x102030, 0x302010}, {0x0000FF, 0xFFFFFF, 0x405060, 0x605040}};
  std::copy(&rows[0][0], &rows[0][0] + 8, checker.pixels);
  const std::string file = path("checker.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &checker));

  IMAGE halved;
  gfx_load_picture(&halved, file.c_str(), 2, 1, false);
  ASSERT_EQ(halved.image_width(), 2);
  ASSERT_EQ(halved.image_height(), 1);
  // (255 + 0 + 0 + 255) / 4 = 127.5 rounds to 128 in every channel; (16+48+64+96)/4 = 56 etc.
  EXPECT_EQ(halved.pixels[0], 0x808080u);
  EXPECT_EQ(halved.pixels[1], 0x383838u);
}

TEST_F(PictureFiles, DoublingRepeatsEachPixel) {
  IMAGE tiny(2, 2);
  const uint32_t colours[4] = {0x010203, 0x040506, 0x070809, 0x0A0B0C};
  std::copy(colours, colours + 4, tiny.pixels);
  const std::string file = path("tiny.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &tiny));
  IMAGE doubled;
  gfx_load_picture(&doubled, file.c_str(), 4, 4, false);
  ASSERT_EQ(doubled.image_width(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(doubled.pixels[y * 4 + x], colours[(y / 2) * 2 + x / 2]);
}

TEST_F(PictureFiles, LargePictureLoadsWholeThenScaledDown) {
  // Left half red above green, right half a one-pixel black and white checker.
  IMAGE big(2000, 1500);
  for (int y = 0; y < 1500; ++y)
    for (int x = 0; x < 2000; ++x)
      big.pixels[y * 2000 + x] = x < 1000 ? (y < 750 ? 0xFF0000u : 0x00FF00u) : ((x + y) % 2 ? 0xFFFFFFu : 0u);
  const std::string file = path("big.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &big));

  IMAGE picture;
  gfx_load_picture(&picture, file.c_str(), 0, 0, false);
  ASSERT_EQ(picture.image_width(), 2000);
  ASSERT_EQ(picture.image_height(), 1500);
  EXPECT_EQ(pixels_of(picture), pixels_of(big));

  gfx_load_picture(&picture, file.c_str(), 1024, 768, true);
  ASSERT_EQ(picture.image_width(), 1024);
  ASSERT_EQ(picture.image_height(), 768);
  for (int y = 0; y < 768; ++y) {
    for (int x = 0; x < 1024; ++x) {
      const uint32_t v = picture.pixels[y * 1024 + x];
      if (x < 511 && y < 383) {
        ASSERT_EQ(v, 0xFF0000u) << x << "," << y;
      } else if (x < 511 && y > 384) {
        ASSERT_EQ(v, 0x00FF00u) << x << "," << y;
      } else if (x > 512) {
        // Each footprint is a little under 2 x 2 source pixels of the checker.
        ASSERT_LE(colour_distance(v, 0x808080), 8) << x << "," << y;
        ASSERT_TRUE((v & 0xFF) == ((v >> 8) & 0xFF) && (v & 0xFF) == (v >> 16)) << std::hex << v;
      }
    }
  }
}

TEST_F(PictureFiles, TransparentPixelsKeepWhatIsBelow) {
  const std::string file = path("alpha.png");
  ASSERT_EQ(run_convert("-size 3x1 xc:none -fill \"#FF0000\" -draw \"point 0,0\" -fill \"rgba(0,0,255,0.5)\" "
                        "-draw \"point 1,0\" \"PNG32:" + host_path(file) + "\"",
                        file),
            0);
  IMAGE image(3, 1);
  std::fill_n(image.pixels, 3, 0x00FF00u);
  gfx_load_picture(&image, file.c_str(), 0, 0, false);
  EXPECT_EQ(image.pixels[0], 0xFF0000u);
  EXPECT_LE(colour_distance(image.pixels[1], 0x008080), 1) << std::hex << image.pixels[1];
  EXPECT_EQ(image.pixels[2], 0x00FF00u);
}

TEST_F(PictureFiles, SavingOverAnExistingFileReplacesIt) {
  const std::string file = path("out.bmp");
  write_bytes(file, std::vector<uint8_t>(5000, 0xAB));
  const IMAGE f = letter_f();
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &f));
  EXPECT_EQ(fs::file_size(file), 54u + 16 * 7);
  IMAGE loaded;
  gfx_load_picture(&loaded, file.c_str(), 0, 0, false);
  EXPECT_EQ(pixels_of(loaded), pixels_of(f));
}

TEST_F(PictureFiles, FailedSaveLeavesNoFileBehind) {
  const fs::path folder = dir_ / "taken.bmp";
  fs::create_directory(folder);
  write_bytes(folder / "inside.txt", {'k', 'e', 'e', 'p'});
  const IMAGE f = letter_f();
  EXPECT_FALSE(gfx_save_picture(folder.string().c_str(), &f));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(bytes_of(folder / "inside.txt").size(), 4u);

  EXPECT_FALSE(gfx_save_picture(path("none/out.bmp").c_str(), &f));  // no such folder
  const IMAGE empty;
  EXPECT_FALSE(gfx_save_picture(path("empty.bmp").c_str(), &empty));
  EXPECT_FALSE(gfx_save_picture(nullptr, &f));

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_)) left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"taken.bmp"});
}

TEST_F(PictureFiles, WithoutAWindowTheBackingImageIsLeftAlone) {
  const IMAGE f = letter_f();
  const std::string file = path("f.bmp");
  ASSERT_TRUE(gfx_save_picture(file.c_str(), &f));
  gfx_load_picture(nullptr, file.c_str(), 0, 0, false);
  EXPECT_EQ(gfx_pixels(nullptr), nullptr);
  EXPECT_FALSE(gfx_save_picture(path("window.bmp").c_str(), nullptr));
  EXPECT_FALSE(fs::exists(path("window.bmp")));
}

}  // namespace
