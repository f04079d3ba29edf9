// The streamed PNG writer, whose strips are packed on worker threads: whatever the
// picture's shape and however its rows arrive, the file decodes to exactly the pixels
// and alpha handed in; a stream cut short leaves no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/picture_decoding.h"
#include "platform/files.h"
#include "platform/png_writer.h"

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PngStream, DecodesToWhatWasHandedInHoweverTheRowsCome) {
  struct Case {
    int32_t width, height, rows_per_call;
  };
  // One pixel; many strips of a wide picture in odd handfuls; a tall narrow one.
  const Case cases[] = {{1, 1, 1}, {5000, 300, 7}, {333, 2000, 64}};
  const std::string path = std::string(TESSARY_BINARY_DIR) + "/png_stream_round_trip.png";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    std::vector<uint32_t> pixels(static_cast<size_t>(c.width) * c.height);
    std::vector<uint8_t> alpha(pixels.size());
    uint32_t seed = 99;
    for (size_t i = 0; i < pixels.size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      // Runs of transparency beside noise, as a cut-out has them.
      const bool gone = (i / 97) % 3 == 0;
      pixels[i] = gone ? 0 : (seed >> 8) & 0xFFFFFF;
      alpha[i] = gone ? 0 : static_cast<uint8_t>(seed >> 24 | 1);
    }
    std::remove(path.c_str());
    platform::PngStream* png = platform::png_stream_open(path.c_str(), c.width, c.height);
    ASSERT_NE(png, nullptr);
    for (int32_t y = 0; y < c.height; y += c.rows_per_call) {
      const int32_t rows = std::min(c.rows_per_call, c.height - y);
      const size_t first = static_cast<size_t>(y) * c.width;
      ASSERT_TRUE(platform::png_stream_rows(png, pixels.data() + first, alpha.data() + first, rows));
    }
    ASSERT_TRUE(platform::png_stream_finish(png));
    const std::vector<uint8_t> bytes = read_file(path);
    Canvas::DecodedPicture decoded;
    ASSERT_TRUE(Canvas::decode_picture_at(bytes.data(), bytes.size(), 0, 0, decoded));
    ASSERT_EQ(decoded.width, c.width);
    ASSERT_EQ(decoded.height, c.height);
    size_t wrong = 0;
    for (size_t i = 0; i < pixels.size(); ++i) wrong += decoded.pixels[i] != ((uint32_t{alpha[i]} << 24) | pixels[i]);
    EXPECT_EQ(wrong, 0u);
  }
  std::remove(path.c_str());
}

TEST(PngStream, AStreamCutShortOrOverfilledLeavesNoFile) {
  const std::string path = std::string(TESSARY_BINARY_DIR) + "/png_stream_cut_short.png";
  std::remove(path.c_str());
  const std::vector<uint32_t> pixels(64 * 10, 0x123456);
  const std::vector<uint8_t> alpha(pixels.size(), 255);

  platform::PngStream* short_of_rows = platform::png_stream_open(path.c_str(), 64, 10);
  ASSERT_NE(short_of_rows, nullptr);
  EXPECT_EQ(platform::png_stream_open(path.c_str(), 64, 10), nullptr) << "an existing file was opened again";
  ASSERT_TRUE(platform::png_stream_rows(short_of_rows, pixels.data(), alpha.data(), 9));
  EXPECT_FALSE(platform::png_stream_finish(short_of_rows));
  EXPECT_FALSE(platform::file_exists(path.c_str()));

  platform::PngStream* too_many = platform::png_stream_open(path.c_str(), 64, 5);
  ASSERT_NE(too_many, nullptr);
  EXPECT_FALSE(platform::png_stream_rows(too_many, pixels.data(), alpha.data(), 6));
  EXPECT_FALSE(platform::png_stream_finish(too_many));
  EXPECT_FALSE(platform::file_exists(path.c_str()));
}

}  // namespace
