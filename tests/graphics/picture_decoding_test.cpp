// Streamed decoding: the averaging against a plain reference, the header size reader,
// EXIF orientation, CMYK colours, DCT scaling and malformed files refused.
#include "pixel_compare.h"
#include "graphics/picture_decoding.h"

#include <SDL.h>
#include <jpeglib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "graphics/area_scaler.h"
#include "graphics/exif_orientation.h"
#include "graphics/full_size_decoding.h"
#include "picture_writers.h"
#include "platform/picture_decode.h"
#include "platform/jpeg_scratch_arrays.h"
#include "platform/picture_formats.h"
#include <zlib.h>

namespace fs = std::filesystem;
using namespace picture_writers;

namespace {

class PictureDecoding : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    dir_ = fs::temp_directory_path() / ("tessary-decoding-" + std::to_string(seed()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  // Runs ImageMagick's convert with `arguments`; the test needs it.
  void convert(const std::string& arguments) {
    const std::string command = "convert " + arguments + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  // ImageMagick's own reading of a file as 8-bit RGB.
  std::vector<uint32_t> magick_pixels(const std::string& file) {
    const std::string raw = file + ".rgb";
    convert("'" + file + "' -colorspace sRGB -depth 8 'rgb:" + raw + "'");
    const std::vector<uint8_t> b = bytes_of(raw);
    std::vector<uint32_t> words;
    for (size_t i = 0; i + 2 < b.size(); i += 3) words.push_back(0xFF000000u | (b[i] << 16) | (b[i + 1] << 8) | b[i + 2]);
    return words;
  }
  fs::path dir_;
};

// The averaging done the plain way: every destination pixel sums the overlap area of
// every source pixel, in doubles.
std::vector<uint32_t> reference_average(const std::vector<uint32_t>& src, int sw, int sh, int dw, int dh) {
  std::vector<uint32_t> out(static_cast<size_t>(dw) * dh);
  for (int oy = 0; oy < dh; ++oy) {
    for (int ox = 0; ox < dw; ++ox) {
      double a = 0, r = 0, g = 0, b = 0;
      const double x0 = double(ox) * sw / dw, x1 = double(ox + 1) * sw / dw;
      const double y0 = double(oy) * sh / dh, y1 = double(oy + 1) * sh / dh;
      for (int y = 0; y < sh; ++y) {
        const double wy = std::max(0.0, std::min(y1, y + 1.0) - std::max(y0, double(y)));
        for (int x = 0; x < sw && wy > 0; ++x) {
          const double wx = std::max(0.0, std::min(x1, x + 1.0) - std::max(x0, double(x)));
          const uint32_t v = src[static_cast<size_t>(y) * sw + x];
          const double w = wx * wy * (v >> 24);
          a += w;
          r += w * ((v >> 16) & 0xFF);
          g += w * ((v >> 8) & 0xFF);
          b += w * (v & 0xFF);
        }
      }
      const double area = (x1 - x0) * (y1 - y0);
      if (a <= 0) continue;
      auto c = [](double v) { return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
      out[static_cast<size_t>(oy) * dw + ox] = (c(a / area) << 24) | (c(r / a) << 16) | (c(g / a) << 8) | c(b / a);
    }
  }
  return out;
}

TEST(AreaScaler, MatchesThePlainAverageWhateverOrderThePixelsCome) {
  std::mt19937 random(7);
  struct Case {
    int sw, sh, dw, dh;
  };
  for (const Case& c : {Case{37, 23, 10, 7}, Case{64, 48, 64, 48}, Case{5, 3, 11, 8}, Case{100, 1, 3, 1},
                        Case{17, 40, 16, 13}}) {
    SCOPED_TRACE(std::to_string(c.sw) + "x" + std::to_string(c.sh) + " to " + std::to_string(c.dw) + "x" +
                 std::to_string(c.dh));
    std::vector<uint32_t> src(static_cast<size_t>(c.sw) * c.sh);
    for (uint32_t& v : src) v = random() | (random() % 3 == 0 ? 0u : 0xFF000000u);
    // At the same size the words are copied as they are, transparent ones included.
    const bool same = c.sw == c.dw && c.sh == c.dh;
    const std::vector<uint32_t> expected = same ? src : reference_average(src, c.sw, c.sh, c.dw, c.dh);

    Canvas::AreaScaler rows(c.dw, c.dh);
    ASSERT_TRUE(rows.begin(c.sw, c.sh));
    for (int y = 0; y < c.sh; ++y) rows.pixels(y, 0, 1, &src[static_cast<size_t>(y) * c.sw], c.sw);
    const std::vector<uint32_t> by_rows = rows.finish();

    // Adam7-like pieces, last row first: every pixel once, in no order.
    Canvas::AreaScaler pieces(c.dw, c.dh);
    ASSERT_TRUE(pieces.begin(c.sw, c.sh));
    for (int y = c.sh - 1; y >= 0; --y) {
      for (int start = 0; start < 3; ++start) {
        std::vector<uint32_t> piece;
        for (int x = start; x < c.sw; x += 3) piece.push_back(src[static_cast<size_t>(y) * c.sw + x]);
        if (!piece.empty()) pieces.pixels(y, start, 3, piece.data(), static_cast<int32_t>(piece.size()));
      }
    }
    const std::vector<uint32_t> by_pieces = pieces.finish();
    ASSERT_EQ(by_rows.size(), expected.size());
    ASSERT_EQ(by_pieces.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_LE(channel_distance(by_rows[i], expected[i]), 1) << i << std::hex << " " << by_rows[i] << " " << expected[i];
      ASSERT_EQ(by_pieces[i], by_rows[i]) << i;
    }
  }
}

TEST(AreaScaler, RefusesASecondBeginAndTargetsBeyondItsBound) {
  Canvas::AreaScaler scaler(4, 4);
  EXPECT_TRUE(scaler.begin(8, 8));
  EXPECT_FALSE(scaler.begin(8, 8));
  Canvas::AreaScaler huge(2000, 1001);  // over the averaging bound, and not a copy
  EXPECT_FALSE(huge.begin(4000, 2002));
  EXPECT_TRUE(huge.finish().empty());
  Canvas::AreaScaler copy(2000, 1001);  // the same size is copied, with no accumulators
  EXPECT_TRUE(copy.begin(2000, 1001));
}

// A 3 x 2 picture with six different pixels.
const std::vector<uint32_t> asymmetric = {0x010101, 0x020202, 0x030303, 0x040404, 0x050505, 0x060606};

TEST_F(PictureDecoding, EveryOrientationMatchesImageMagicksAutoOrient) {
  const char* names[9] = {"", "TopLeft", "TopRight", "BottomRight", "BottomLeft",
                          "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
  // The same six pixels, as a PPM for ImageMagick.
  {
    std::ofstream ppm(path("a.ppm"), std::ios::binary);
    ppm << "P6\n3 2\n255\n";
    for (uint32_t v : asymmetric) ppm << char(v >> 16) << char(v >> 8) << char(v);
  }
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string out = path("o" + std::to_string(orientation) + ".ppm");
    convert("'" + path("a.ppm") + "' -orient " + names[orientation] + " -auto-orient '" + out + "'");
    std::vector<uint32_t> expected;
    for (uint32_t v : magick_pixels(out)) expected.push_back(v & 0xFFFFFF);
    const std::vector<uint32_t> got = Canvas::orient_pixels(asymmetric, 3, 2, orientation);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(Canvas::orientation_swaps_sides(orientation), orientation >= 5);
  }
}

TEST(ExifOrientation, ReadsTheTagInBothByteOrdersAndIgnoresDamage) {
  auto jpeg_with = [](const std::vector<uint8_t>& app1) {
    std::vector<uint8_t> b = {0xFF, 0xD8, 0xFF, 0xE1, uint8_t((app1.size() + 2) >> 8), uint8_t(app1.size() + 2)};
    b.insert(b.end(), app1.begin(), app1.end());
    b.insert(b.end(), {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9});
    return b;
  };
  for (int orientation = 1; orientation <= 8; ++orientation) {
    for (bool big : {false, true}) {
      const std::vector<uint8_t> b = jpeg_with(exif_with_orientation(orientation, big));
      EXPECT_EQ(Canvas::exif_orientation(b.data(), b.size()), orientation) << orientation << " " << big;
    }
  }
  std::vector<uint8_t> out_of_range = jpeg_with(exif_with_orientation(9, true));
  std::vector<uint8_t> cut = jpeg_with(exif_with_orientation(6, false));
  cut.resize(20);  // the segment claims more bytes than there are
  std::vector<uint8_t> no_exif = jpeg_with({'J', 'F', 'I', 'F', 0});
  std::vector<uint8_t> wrong_offset = jpeg_with(exif_with_orientation(6, false));
  wrong_offset[6 + 6 + 4] = 0xF0;  // first directory far outside the block
  for (const auto* b : {&out_of_range, &cut, &no_exif, &wrong_offset})
    EXPECT_EQ(Canvas::exif_orientation(b->data(), b->size()), 1);
}

// A 48 x 32 JPEG of six flat 16 x 16 cells; stored with an EXIF orientation, it must
// come out upright: the cells as the orientation shows them.
TEST_F(PictureDecoding, ExifRotatedJpegDecodesUpright) {
  const uint32_t cells[6] = {0xE01010, 0x10E010, 0x1010E0, 0xF0F0F0, 0x101010, 0xE0E010};
  const RowMaker rows = [&](int32_t y, std::vector<uint8_t>& row) {
    for (int x = 0; x < 48; ++x) {
      const uint32_t v = cells[(y / 16) * 3 + x / 16];
      row[3 * x] = uint8_t(v >> 16), row[3 * x + 1] = uint8_t(v >> 8), row[3 * x + 2] = uint8_t(v);
    }
  };
  const std::vector<uint32_t> small_cells(cells, cells + 6);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const std::string file = path("r" + std::to_string(orientation) + ".jpg");
    ASSERT_TRUE(write_jpeg(file, 48, 32, rows, 95, JpegColours::rgb, exif_with_orientation(orientation, orientation % 2)));
    const std::vector<uint8_t> b = bytes_of(file);
    int32_t w = 0, h = 0;
    ASSERT_TRUE(Canvas::picture_size(b.data(), b.size(), w, h));
    const bool swap = orientation >= 5;
    EXPECT_EQ(w, swap ? 32 : 48);
    EXPECT_EQ(h, swap ? 48 : 32);
    Canvas::DecodedPicture picture;
    ASSERT_TRUE(Canvas::decode_picture_at(b.data(), b.size(), 0, 0, picture));
    const std::vector<uint32_t> seen = Canvas::orient_pixels(small_cells, 3, 2, orientation);
    const int cols = swap ? 2 : 3;
    for (size_t c = 0; c < seen.size(); ++c) {
      const int x = int(c % cols) * 16 + 8, y = int(c / cols) * 16 + 8;
      EXPECT_LE(channel_distance(picture.pixels[static_cast<size_t>(y) * w + x], 0xFF000000u | seen[c]), 6) << c;
    }
    // Scaled, the cells stay where they are.
    ASSERT_TRUE(Canvas::decode_picture_at(b.data(), b.size(), swap ? 2 : 3, swap ? 3 : 2, picture));
    for (size_t c = 0; c < seen.size(); ++c)
      EXPECT_LE(channel_distance(picture.pixels[c], 0xFF000000u | seen[c]), 8) << c;
  }
}

TEST_F(PictureDecoding, HeaderSizeMatchesTheFileInEveryFormat) {
  convert("-size 37x23 gradient:red-blue '" + path("g.png") + "'");
  const std::vector<std::string> outputs = {"a.jpg", "PNG8:a.png", "a.gif", "BMP3:a.bmp", "a.bmp", "a.webp",
                                            "a.tif", "PNG48:b.png", "JPEG:a.photo"};
  for (const std::string& output : outputs) {
    SCOPED_TRACE(output);
    const size_t colon = output.find(':');
    const std::string name = colon == std::string::npos ? output : output.substr(colon + 1);
    const std::string prefix = colon == std::string::npos ? "" : output.substr(0, colon + 1);
    convert("'" + path("g.png") + "' '" + prefix + path(name) + "'");
    const std::vector<uint8_t> b = bytes_of(path(name));
    int32_t w = 0, h = 0;
    ASSERT_TRUE(platform::read_picture_size(b.data(), b.size(), w, h));
    EXPECT_EQ(w, 37);
    EXPECT_EQ(h, 23);
    Canvas::DecodedPicture picture;
    ASSERT_TRUE(Canvas::decode_picture_at(b.data(), b.size(), 0, 0, picture));
    EXPECT_EQ(picture.width, 37);
    EXPECT_EQ(picture.height, 23);
  }
}

TEST(CmykConversion, InvertedInkFollowsTheMultiplicativeFormula) {
  struct Case {
    uint32_t c, m, y, k, expected;
  };
  // Stored values are 255 - ink: 255 everywhere is white, k = 0 is full black.
  for (const Case& t : {Case{255, 255, 255, 255, 0xFFFFFFFF}, Case{255, 255, 255, 0, 0xFF000000},
                        Case{0, 255, 255, 255, 0xFF00FFFF}, Case{255, 0, 255, 255, 0xFFFF00FF},
                        Case{255, 255, 0, 255, 0xFFFFFF00}, Case{128, 64, 200, 128, 0xFF402064}}) {
    EXPECT_EQ(platform::inverted_cmyk_to_word(t.c, t.m, t.y, t.k), t.expected) << t.c << " " << t.m << " " << t.y;
  }
}

// CMYK and YCCK JPEGs as Adobe's writers make them (libjpeg writes the Adobe segment
// and the inverted values) open with the colours ImageMagick shows.
TEST_F(PictureDecoding, CmykAndYcckJpegsMatchImageMagick) {
  const uint8_t inks[4][4] = {{255, 30, 30, 255}, {40, 220, 255, 200}, {255, 255, 90, 60}, {128, 128, 128, 255}};
  const RowMaker rows = [&](int32_t y, std::vector<uint8_t>& row) {
    for (int x = 0; x < 32; ++x) std::copy(inks[(y / 16) * 2 + x / 16], inks[(y / 16) * 2 + x / 16] + 4, &row[4 * x]);
  };
  for (JpegColours colours : {JpegColours::cmyk, JpegColours::ycck}) {
    const std::string file = path(colours == JpegColours::cmyk ? "cmyk.jpg" : "ycck.jpg");
    ASSERT_TRUE(write_jpeg(file, 32, 32, rows, 95, colours));
    const std::vector<uint32_t> magick = magick_pixels(file);
    ASSERT_EQ(magick.size(), 32u * 32u);
    const std::vector<uint8_t> b = bytes_of(file);
    Canvas::DecodedPicture picture;
    ASSERT_TRUE(Canvas::decode_picture_at(b.data(), b.size(), 0, 0, picture));
    int worst = 0;
    for (size_t i = 0; i < magick.size(); ++i) worst = std::max(worst, channel_distance(picture.pixels[i], magick[i]));
    EXPECT_LE(worst, 3) << file;
    // And they are no shades of grey: the cells differ as their inks do.
    EXPECT_NE(picture.pixels[8 * 32 + 8], picture.pixels[8 * 32 + 24]);
  }
}

// Records what a decoder hands over.
struct RecordingSink final : platform::PictureSink {
  int32_t width = 0, height = 0;
  int64_t delivered = 0;
  bool begin(int32_t w, int32_t h) override {
    width = w, height = h;
    return true;
  }
  void pixels(int32_t, int32_t, int32_t, const uint32_t*, int32_t count) override { delivered += count; }
};

TEST_F(PictureDecoding, JpegDecodesAtTheSmallestDctScaleThatCoversTheMinimum) {
  const std::string file = path("big.jpg");
  ASSERT_TRUE(write_jpeg(file, 1600, 1200, [](int32_t y, std::vector<uint8_t>& row) {
    for (size_t x = 0; x < row.size(); ++x) row[x] = uint8_t(x + y);
  }));
  const std::vector<uint8_t> b = bytes_of(file);
  struct Case {
    int32_t min_w, min_h, w, h;
  };
  for (const Case& c : {Case{100, 75, 200, 150}, Case{200, 150, 200, 150}, Case{201, 10, 400, 300},
                        Case{1024, 768, 1600, 1200}, Case{500, 301, 800, 600}, Case{1600, 1200, 1600, 1200}}) {
    RecordingSink sink;
    ASSERT_TRUE(platform::decode_picture(b.data(), b.size(), c.min_w, c.min_h, sink));
    EXPECT_EQ(sink.width, c.w) << c.min_w << "x" << c.min_h;
    EXPECT_EQ(sink.height, c.h);
    EXPECT_EQ(sink.delivered, int64_t{c.w} * c.h);
  }
}

// libjpeg's whole decoding of a file, row after row, optionally with its
// coefficients kept by `arrays`.
std::vector<uint8_t> libjpeg_rows(const std::vector<uint8_t>& file, platform::JpegScratchArrays* arrays) {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  if (arrays != nullptr) arrays->install(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  std::vector<uint8_t> out(size_t{info.output_width} * info.output_components * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &out[size_t{info.output_scanline} * info.output_width * info.output_components];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return out;
}

// Coefficients moved through a scratch file with windows of a few rows (down to the
// fewest one access takes) decode to exactly what libjpeg's own arrays give.
TEST_F(PictureDecoding, ProgressiveCoefficientsInAScratchFileDecodeAsInMemory) {
  const RowMaker texture = [](int32_t y, std::vector<uint8_t>& row) {
    for (size_t x = 0; x < row.size(); ++x) row[x] = uint8_t((x * 7 + y * 13) ^ (x * y));
  };
  for (auto [w, h] : {std::pair{333, 217}, {64, 1000}}) {
    ASSERT_TRUE(write_jpeg(path("s.jpg"), w, h, texture, 90, JpegColours::rgb, {}, true));
    const std::vector<uint8_t> file = bytes_of(path("s.jpg"));
    const std::vector<uint8_t> expected = libjpeg_rows(file, nullptr);
    for (size_t window : {size_t{0}, size_t{40'000}, size_t{1} << 20}) {
      platform::JpegScratchArrays arrays(0, window);
      EXPECT_EQ(libjpeg_rows(file, &arrays), expected) << w << "x" << h << " window " << window;
      EXPECT_TRUE(arrays.in_file());
    }
  }
}

TEST_F(PictureDecoding, InterlacedPngDeliversEveryPixelOnceWithoutAWholeBuffer) {
  for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {9, 17}, {64, 5}}) {
    const RowMaker rows = [w = w](int32_t y, std::vector<uint8_t>& row) {
      for (int x = 0; x < w; ++x) row[3 * x] = uint8_t(x * 7 + y), row[3 * x + 1] = uint8_t(y * 3), row[3 * x + 2] = 9;
    };
    ASSERT_TRUE(write_png(path("i.png"), w, h, rows, true));
    ASSERT_TRUE(write_png(path("p.png"), w, h, rows, false));
    const std::vector<uint8_t> interlaced = bytes_of(path("i.png"));
    const std::vector<uint8_t> plain = bytes_of(path("p.png"));
    Canvas::DecodedPicture a, b;
    ASSERT_TRUE(Canvas::decode_picture_at(interlaced.data(), interlaced.size(), 0, 0, a)) << w << "x" << h;
    ASSERT_TRUE(Canvas::decode_picture_at(plain.data(), plain.size(), 0, 0, b));
    EXPECT_EQ(a.pixels, b.pixels) << w << "x" << h;
    ASSERT_TRUE(Canvas::decode_picture_at(interlaced.data(), interlaced.size(), 1, 1, a));
    ASSERT_TRUE(Canvas::decode_picture_at(plain.data(), plain.size(), 1, 1, b));
    EXPECT_EQ(a.pixels, b.pixels);
  }
}

// Crafted files whose headers promise far more than they hold.
std::vector<uint8_t> png_chunk(const char* type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> c = {uint8_t(data.size() >> 24), uint8_t(data.size() >> 16), uint8_t(data.size() >> 8),
                            uint8_t(data.size())};
  for (int i = 0; i < 4; ++i) c.push_back(static_cast<uint8_t>(type[i]));
  c.insert(c.end(), data.begin(), data.end());
  const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), c.data() + 4, static_cast<uInt>(c.size() - 4)));
  c.insert(c.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
  return c;
}

std::vector<uint8_t> png_size_bomb() {
  std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const std::vector<uint8_t> header = {0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 8, 6, 0, 0, 0};
  std::vector<uint8_t> zeros(300000, 0);
  std::vector<uint8_t> packed(compressBound(static_cast<uLong>(zeros.size())));
  uLongf packed_size = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &packed_size, zeros.data(), static_cast<uLong>(zeros.size()), 9);
  packed.resize(packed_size);
  for (const auto& c : {png_chunk("IHDR", header), png_chunk("IDAT", packed), png_chunk("IEND", {})})
    b.insert(b.end(), c.begin(), c.end());
  return b;
}

// A GIF whose 10 x 10 canvas holds a first frame that claims width x height at
// (left, top); its data holds 60 white pixels.
std::vector<uint8_t> gif_with_frame(uint16_t left, uint16_t top, uint16_t width, uint16_t height, bool interlaced) {
  std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', 10, 0, 10, 0, 0xF0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                            0x21, 0xF9, 4, 0, 0, 0, 0, 0};
  b.insert(b.end(), {0x2C, uint8_t(left), uint8_t(left >> 8), uint8_t(top), uint8_t(top >> 8), uint8_t(width),
                     uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8), uint8_t(interlaced ? 0x40 : 0)});
  b.insert(b.end(), {2, 7, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x59, 0, 0, 0x3B});
  return b;
}

std::vector<uint8_t> with_jpeg_size(std::vector<uint8_t> b, uint16_t width, uint16_t height) {
  for (size_t i = 2; i + 9 < b.size(); ++i) {
    if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
      b[i + 5] = uint8_t(height >> 8), b[i + 6] = uint8_t(height), b[i + 7] = uint8_t(width >> 8), b[i + 8] = uint8_t(width);
      break;
    }
  }
  return b;
}

TEST_F(PictureDecoding, MalformedFilesAreRefused) {
  convert("-size 64x64 plasma:fractal '" + path("p.jpg") + "'");
  convert("'" + path("p.jpg") + "' -interlace JPEG '" + path("q.jpg") + "'");
  convert("'" + path("p.jpg") + "' -define tiff:rows-per-strip=64 '" + path("p.tif") + "'");
  std::vector<uint8_t> tiff = bytes_of(path("p.tif"));
  // The same strips, now said to be 60000 pixels wide: one strip would be 15 MB a row.
  std::vector<uint8_t> wide_tiff = tiff;
  {
    const bool little = tiff[0] == 'I';
    auto u16 = [&](size_t at) { return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1]; };
    const size_t ifd = little ? tiff[4] | (tiff[5] << 8) | (tiff[6] << 16) | (tiff[7] << 24) : 0;
    ASSERT_TRUE(little);
    for (int e = 0; e < u16(ifd); ++e) {
      const size_t entry = ifd + 2 + 12 * e;
      if (u16(entry) == 256) wide_tiff[entry + 8] = 0x60, wide_tiff[entry + 9] = 0xEA, wide_tiff[entry + 10] = 0, wide_tiff[entry + 11] = 0;
    }
  }
  // A lossless WebP header of 16383 x 16383 with no image data behind it.
  std::vector<uint8_t> webp = {'R', 'I', 'F', 'F', 26, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L', 14, 0, 0, 0,
                               0x2F, 0xFE, 0xFF, 0xFF, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60, 0, 8, 0, 3};
  psd.resize(58, 0);
  // Progressive, its last scan repeated: a step of the progression taken twice.
  ASSERT_TRUE(write_jpeg(path("r.jpg"), 640, 480, [](int32_t y, std::vector<uint8_t>& row) {
    for (size_t x = 0; x < row.size(); ++x) row[x] = uint8_t(x / 3 + y);
  }, 90, JpegColours::rgb, {}, true));
  const std::vector<uint8_t> repeated_scan = with_last_scan_repeated(bytes_of(path("r.jpg")), 1);
  std::vector<uint8_t> cut_jpeg = bytes_of(path("p.jpg"));
  cut_jpeg.resize(300);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"layered picture format", psd},
      {"PNG of 65535 x 65535 with 300 KB of rows", png_size_bomb()},
      {"GIF frame of 65535 x 65535 on a 10 x 10 canvas, interlaced", gif_with_frame(0, 0, 65535, 65535, true)},
      {"JPEG said to be 65000 x 65000", with_jpeg_size(bytes_of(path("p.jpg")), 65000, 65000)},
      {"progressive JPEG said to be 65000 x 65000", with_jpeg_size(bytes_of(path("q.jpg")), 65000, 65000)},
      {"TIFF strip of 60000 x 64", wide_tiff},
      {"lossless WebP of 16383 x 16383", webp},
      {"JPEG cut after its header", cut_jpeg},
      {"only a JPEG start", {0xFF, 0xD8, 0xFF}},
      {"progressive JPEG with its last scan twice", repeated_scan},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (auto [w, h] : {std::pair{0, 0}, {1024, 768}, {37, 23}}) {
      Canvas::DecodedPicture picture;
      EXPECT_FALSE(Canvas::decode_picture_at(c.bytes.data(), c.bytes.size(), w, h, picture)) << w << "x" << h;
      EXPECT_TRUE(picture.pixels.empty());
    }
  }
}

TEST(GifFrames, AFrameReachingPastTheCanvasIsClippedToIt) {
  // From (4, 8): only (4..9, 8..9) of the canvas are covered.
  const std::vector<uint8_t> b = gif_with_frame(4, 8, 65535, 3, false);
  int32_t w = 0, h = 0;
  ASSERT_TRUE(platform::read_picture_size(b.data(), b.size(), w, h));
  EXPECT_EQ(w, 10);
  EXPECT_EQ(h, 10);
  // Its data runs out inside the first row, so it is refused; one of 20 x 3 opens
  // with the part inside the canvas.
  Canvas::DecodedPicture picture;
  ASSERT_FALSE(Canvas::decode_picture_at(b.data(), b.size(), 0, 0, picture));
  const std::vector<uint8_t> small = gif_with_frame(4, 8, 20, 3, false);
  ASSERT_TRUE(Canvas::decode_picture_at(small.data(), small.size(), 0, 0, picture));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(picture.pixels[static_cast<size_t>(y) * 10 + x], (x >= 4 && y >= 8) ? 0xFFFFFFFFu : 0u) << x << "," << y;
}

}  // namespace

namespace {

// What SDL's own BMP reader makes of a file, as 0xAARRGGBB words.
std::vector<uint32_t> sdl_pixels(const std::string& file) {
  SDL_Surface* loaded = SDL_LoadBMP(file.c_str());
  if (loaded == nullptr) return {};
  SDL_Surface* words = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  std::vector<uint32_t> out;
  for (int y = 0; y < words->h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(words->pixels) + y * words->pitch);
    out.insert(out.end(), row, row + words->w);
  }
  SDL_FreeSurface(words);
  return out;
}

TEST_F(PictureDecoding, StreamedBmpReadsAsSdlDoes) {
  convert("-size 61x23 gradient:red-blue -swirl 90 '" + path("g.png") + "'");
  const std::vector<std::pair<std::string, std::string>> kinds = {
      {"BMP3:", ""}, {"BMP3:", "-colors 16 -type palette"}, {"BMP3:", "-colors 2 -type bilevel"},
      {"BMP3:", "-colors 200 -type palette -compress none"}, {"BMP:", ""}, {"BMP:", "-colors 16 -type palette"},
      {"BMP2:", ""}, {"BMP3:", "-colors 30 -type palette -compress RLE"}};
  for (size_t i = 0; i < kinds.size(); ++i) {
    SCOPED_TRACE(kinds[i].first + " " + kinds[i].second);
    const std::string file = path("k" + std::to_string(i) + ".bmp");
    convert("'" + path("g.png") + "' " + kinds[i].second + " '" + kinds[i].first + file + "'");
    const std::vector<uint8_t> b = bytes_of(file);
    Canvas::DecodedPicture picture;
    ASSERT_TRUE(Canvas::decode_picture_at(b.data(), b.size(), 0, 0, picture));
    EXPECT_EQ(picture.pixels, sdl_pixels(file));
  }
}

TEST_F(PictureDecoding, BmpBeyondWhatSdlMayTakeLoadsScaled) {
  // 4000 x 2400, top half red, bottom half blue, 24 bits: 28.8 MB of rows.
  const int32_t w = 4000, h = 2400;
  const uint64_t row = (uint64_t{w} * 3 + 3) / 4 * 4;
  std::vector<uint8_t> b(54 + row * h, 0);
  auto put32 = [&](size_t at, uint32_t v) { for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(v >> (8 * k)); };
  b[0] = 'B', b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  b[26] = 1, b[28] = 24;
  for (int32_t stored = 0; stored < h; ++stored) {
    const bool bottom_half = stored < h / 2;  // rows are stored bottom first
    for (int32_t x = 0; x < w; ++x) b[54 + stored * row + 3 * x + (bottom_half ? 0 : 2)] = 0xFF;
  }
  Canvas::DecodedPicture picture;
  ASSERT_TRUE(Canvas::decode_picture_at(b.data(), b.size(), 100, 60, picture));
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(picture.pixels[static_cast<size_t>(y) * 100 + x], y < 30 ? 0xFFFF0000u : 0xFF0000FFu) << x << "," << y;
  // At its own size it is beyond what a load takes; cut short it is refused.
  EXPECT_FALSE(Canvas::decode_picture_at(b.data(), b.size(), 0, 0, picture));
  b.resize(b.size() - 1);
  EXPECT_FALSE(Canvas::decode_picture_at(b.data(), b.size(), 100, 60, picture));
}

}  // namespace

namespace {

TEST(PngBounds, DataThatCannotHoldThePictureIsRefusedBeforeInflating) {
  // 300 KB of rows can never fill 65535 x 65535: the sink is never even begun.
  const std::vector<uint8_t> bomb = png_size_bomb();
  RecordingSink sink;
  EXPECT_FALSE(platform::decode_picture(bomb.data(), bomb.size(), 64, 64, sink));
  EXPECT_EQ(sink.width, 0);
  EXPECT_EQ(sink.delivered, 0);
}

}  // namespace

// Collects what decode_full_size hands on, checking that bands come from the top.
class CollectedBands final : public Canvas::UprightBandSink {
 public:
  explicit CollectedBands(int32_t width) : width_(width) {}
  bool band(int32_t y, int32_t rows, const uint32_t* pixels) override {
    EXPECT_EQ(y * static_cast<int64_t>(width_), static_cast<int64_t>(words.size())) << "a band out of order";
    words.insert(words.end(), pixels, pixels + static_cast<size_t>(rows) * width_);
    return true;
  }
  void progress(double) override {}
  bool restart() override {
    words.clear();
    ++restarts;
    return true;
  }
  std::vector<uint32_t> words;
  int restarts = 0;

 private:
  int32_t width_;
};

// At their own size, upright, band by band: the same pixels as the whole picture
// turned upright, however the decoder delivers them and whether or not the tiles
// spill to the scratch file.
TEST_F(PictureDecoding, FullSizeBandsAreThePictureUpright) {
  constexpr int32_t W = 301, H = 203;  // several bands and tiles, neither a whole number
  const RowMaker rows = [](int32_t y, std::vector<uint8_t>& row) {
    for (int32_t x = 0; x < W; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 7 + y);
      row[3 * x + 1] = static_cast<uint8_t>(y * 3);
      row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
    }
  };
  ASSERT_TRUE(write_png(path("p.png"), W, H, rows));
  convert("'" + path("p.png") + "' -interlace PNG '" + path("interlaced.png") + "'");
  convert("'" + path("p.png") + "' BMP3:'" + path("bottom-up.bmp") + "'");
  convert("'" + path("p.png") + "' -define tiff:tile-geometry=128x128 '" + path("tiled.tif") + "'");
  struct Case {
    std::string file;
    int64_t budget;
    bool restarts;  // the rows first came in order, then did not
  };
  std::vector<Case> cases = {{"interlaced.png", 0, false}, {"bottom-up.bmp", 0, false},
                             {"tiled.tif", 64 << 20, true}, {"p.png", 64 << 20, false}};
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string name = "o" + std::to_string(orientation) + ".jpg";
    ASSERT_TRUE(write_jpeg(path(name), W, H, rows, 90, JpegColours::rgb, exif_with_orientation(orientation, false)));
    cases.push_back({name, 64 << 20, false});
    cases.push_back({name, 0, false});  // two bands of tiles in memory, the rest in the file
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " budget " + std::to_string(c.budget));
    const std::vector<uint8_t> bytes = bytes_of(path(c.file));
    Canvas::DecodedPicture whole;
    ASSERT_TRUE(Canvas::decode_picture_at(bytes.data(), bytes.size(), 0, 0, whole));
    CollectedBands bands(whole.width);
    ASSERT_TRUE(Canvas::decode_full_size(bytes.data(), bytes.size(), path("scratch").c_str(), bands, c.budget));
    std::vector<uint32_t> expected = whole.pixels;
    for (uint32_t& v : expected) v &= 0xFFFFFF;
    EXPECT_TRUE(bands.words == expected) << "the bands differ from the picture turned upright";
    EXPECT_EQ(bands.restarts > 0, c.restarts);
    EXPECT_FALSE(fs::exists(path("scratch"))) << "the scratch file was left behind";
  }
}
