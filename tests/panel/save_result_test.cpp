#include "panel/save_result.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <png.h>
#include <string>

#include "app/editing_state.h"
#include "app/texts.h"
#include "graphics/picture_files.h"
#include "tests/panel/dispatch_workspace.h"

namespace {

constexpr int32_t W = 5;
constexpr int32_t H = 3;

// The message the box shows for `name`, from the program's own format text.
std::string message_for(const char* format, const std::string& name) {
  std::string text = format;
  return text.replace(text.find("%s"), 2, name);
}

// Reads `path` back and compares it with the picture pixel for pixel.
void expect_file_holds_picture(const char* path) {
  IMAGE loaded;
  gfx_load_picture(&loaded, path, 0, 0, true);
  ASSERT_EQ(loaded.width, W) << path;
  ASSERT_EQ(loaded.height, H) << path;
  for (int32_t i = 0; i < W * H; ++i) EXPECT_EQ(loaded.pixels[i] & 0xFFFFFF, picture_pixels[i]) << path << " pixel " << i;
}

class SaveResult : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test_workspace::enter_scratch_folder("tessary_save_result_test"); }
  void SetUp() override {
    test_workspace::set_up(W, H);
    // Odd width and distinct channels show a flipped row order or swapped red and blue.
    for (int32_t i = 0; i < W * H; ++i)
      picture_pixels[i] = (static_cast<uint32_t>(i * 17) << 16) | (static_cast<uint32_t>(i * 5 + 3) << 8) | (200 - i);
    std::memcpy(loaded_pixels, picture_pixels, sizeof(uint32_t) * W * H);
    std::snprintf(picture_base_name, sizeof picture_base_name, "name");
    for (const char* leftover : {"name_0.bmp", "name_1.bmp", "name_0.png", "name_1.png"}) std::filesystem::remove_all(leftover);
  }
};

TEST_F(SaveResult, SavesAreNumberedAndHoldThePicture) {
  save_result();
  EXPECT_STREQ(save_path, "name_0.bmp");
  EXPECT_EQ(save_message, message_for(texts::msg_saved_format, "name_0.bmp"));
  EXPECT_EQ(save_counter, 1);
  save_result();
  EXPECT_STREQ(save_path, "name_1.bmp");
  EXPECT_EQ(save_message, message_for(texts::msg_saved_format, "name_1.bmp"));
  EXPECT_EQ(save_counter, 2);
  expect_file_holds_picture("name_0.bmp");
  expect_file_holds_picture("name_1.bmp");
}

TEST_F(SaveResult, TakenNamesAreSkippedAndKeptAsTheyWere) {
  std::filesystem::create_directory("name_0.bmp");
  std::ofstream("name_1.png") << "theirs";
  save_result();
  EXPECT_EQ(save_message, message_for(texts::msg_saved_format, "name_2.bmp"));
  EXPECT_EQ(save_counter, 3);
  expect_file_holds_picture("name_2.bmp");
  EXPECT_TRUE(std::filesystem::is_directory("name_0.bmp"));
  EXPECT_EQ(std::filesystem::file_size("name_1.png"), 6u);
  EXPECT_FALSE(std::filesystem::exists("name_1.bmp"));
  for (const char* leftover : {"name_0.bmp", "name_1.png", "name_2.bmp", "name_2.png"})
    std::filesystem::remove_all(leftover);
}

TEST_F(SaveResult, AFailureIsReportedAndTakesNoNumber) {
  // A working folder that is gone takes no file at all, whoever runs the test.
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::create_directory("gone");
  std::filesystem::current_path("gone");
  std::filesystem::remove(home / "gone");
  save_result();
  std::filesystem::current_path(home);
  EXPECT_EQ(save_message, message_for(texts::msg_save_failed_format, "name_0.bmp"));
  EXPECT_EQ(save_counter, 0);

  save_result();
  EXPECT_EQ(save_message, message_for(texts::msg_saved_format, "name_0.bmp"));
  EXPECT_EQ(save_counter, 1);
}

// The PNG beside the BMP is the cut-out: alpha 0 exactly on the deleted pixels, 255
// elsewhere, and the BMP's colours under both.
TEST_F(SaveResult, PngIsTransparentExactlyWhereDeleted) {
  for (int32_t i = 0; i < W * H; ++i) deleted_pixels[i] = (i % 4 == 1 || i == W * H - 1) ? 1 : 0;
  save_result();
  ASSERT_EQ(save_counter, 1);
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&png, "name_0.png")) << png.message;
  EXPECT_EQ(png.width, static_cast<uint32_t>(W));
  EXPECT_EQ(png.height, static_cast<uint32_t>(H));
  EXPECT_EQ(png.format, static_cast<uint32_t>(PNG_FORMAT_RGBA)) << "not 8-bit RGBA";
  png.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(png));
  ASSERT_TRUE(png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) << png.message;
  for (int32_t i = 0; i < W * H; ++i) {
    const uint8_t* p = &rgba[static_cast<size_t>(i) * 4];
    const uint32_t colour = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    // Nothing is kept of what is not seen.
    EXPECT_EQ(colour, deleted_pixels[i] ? 0 : picture_pixels[i]) << "pixel " << i;
    EXPECT_EQ(p[3], deleted_pixels[i] ? 0 : 255) << "pixel " << i;
  }
  expect_file_holds_picture("name_0.bmp");
}

TEST_F(SaveResult, FileNameIsNativeAndTheMessageGbk) {
  std::snprintf(picture_base_name, sizeof picture_base_name, "\xE7\x8C\xAB");  // a cat, in UTF-8
  save_result();
  // Paths from UTF-8 text on every system (a narrow string means the ANSI code page
  // on Windows).
  const std::filesystem::path saved(u8"\xE7\x8C\xAB_0.bmp");
  const std::filesystem::path cutout(u8"\xE7\x8C\xAB_0.png");
  EXPECT_TRUE(std::filesystem::is_regular_file(saved));
  EXPECT_TRUE(std::filesystem::is_regular_file(cutout));
  std::filesystem::remove(cutout);
  EXPECT_EQ(save_message, message_for(texts::msg_saved_format, "\xC3\xA8_0.bmp"));  // the same, in GBK
  std::filesystem::remove(saved);
}

TEST(GbkText, CutsOnlyBetweenCharacters) {
  struct Case {
    std::size_t capacity;
    const char* format;
    const char* argument;
    const char* expected;
  };
  const Case cases[] = {
      {20, "ab%scd", "\xC3\xA8", "ab\xC3\xA8" "cd"},
      {8, "ab%s", "\xC3\xA8\xC3\xA8\xC3\xA8", "ab\xC3\xA8\xC3\xA8"},  // 7 bytes of room
      {7, "ab%s", "\xC3\xA8\xC3\xA8\xC3\xA8", "ab\xC3\xA8\xC3\xA8"},
      {6, "ab%s", "\xC3\xA8\xC3\xA8\xC3\xA8", "ab\xC3\xA8"},
      {4, "\xC3\xA8%s", "xyz", "\xC3\xA8x"},
      {2, "\xC3\xA8%s", "xyz", ""},
      {5, "abcdef%s", "", "abcd"},
  };
  for (const Case& c : cases) {
    char out[24];
    std::memset(out, 0x55, sizeof out);
    format_gbk_text(out, c.capacity, c.format, c.argument);
    EXPECT_STREQ(out, c.expected) << "capacity " << c.capacity;
    for (std::size_t i = std::strlen(c.expected); i < c.capacity; ++i) EXPECT_EQ(out[i], 0) << "byte " << i;
    EXPECT_EQ(out[c.capacity], 0x55) << "capacity " << c.capacity;
  }
}

}  // namespace
