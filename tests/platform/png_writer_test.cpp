#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/picture_decoding.h"
#include "platform/png_writer.h"

namespace {

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An odd-sized picture with distinct red, green and blue in every pixel shows a
// flipped row order, swapped channels or a wrong stride at once.
TEST(PngWriter, RoundTripsAnAsymmetricPicture) {
  constexpr int32_t kWidth = 5;
  constexpr int32_t kHeight = 3;
  std::vector<uint32_t> pixels(kWidth * kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      pixels[y * kWidth + x] = (uint32_t(10 + 40 * x) << 16) | (uint32_t(200 - 60 * y) << 8) | uint32_t(7 * x + 3 * y);
    }
  }
  const std::string path = std::string(TESSARY_BINARY_DIR) + "/png_writer_round_trip.png";
  ASSERT_TRUE(platform::write_png(path, pixels.data(), kWidth, kHeight));
  const std::vector<uint8_t> bytes = read_file(path);
  std::remove(path.c_str());
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  Canvas::DecodedPicture decoded;
  ASSERT_TRUE(Canvas::decode_picture_at(bytes.data(), bytes.size(), 0, 0, decoded));
  ASSERT_EQ(decoded.width, kWidth);
  ASSERT_EQ(decoded.height, kHeight);
  for (int32_t i = 0; i < kWidth * kHeight; ++i) {
    EXPECT_EQ(decoded.pixels[i], 0xFF000000u | pixels[i]) << i;
  }
}

TEST(PngWriter, RefusesEmptyPicturesAndUnwritablePaths) {
  const uint32_t pixel = 0x112233;
  EXPECT_FALSE(platform::write_png("unused.png", nullptr, 1, 1));
  EXPECT_FALSE(platform::write_png("unused.png", &pixel, 0, 1));
  EXPECT_FALSE(platform::write_png("unused.png", &pixel, 1, -1));
  EXPECT_FALSE(platform::write_png("/nonexistent-folder/x.png", &pixel, 1, 1));
}

}  // namespace
