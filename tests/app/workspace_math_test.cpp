#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "app/base_name.h"
#include "app/picture_fit.h"
#include "platform/paths.h"

namespace {

TEST(FittedPictureSize, ScalesDownAlongTheTighterLimit) {
  const struct {
    int32_t w, h, fitted_w, fitted_h;
  } cases[] = {
      {800, 600, 800, 600},    {1024, 768, 1024, 768}, {1, 1, 1, 1},
      {1025, 100, 1024, 99},   {500, 800, 480, 768},   {2048, 1536, 1024, 768},  // a tie takes the height
      {4000, 3, 1024, 1},      {3, 4000, 1, 768},      {1025, 768, 1024, 767},
      {1024, 769, 1022, 768},  {100000, 100000, 768, 768},
  };
  for (const auto& c : cases) {
    const PictureSize fitted = fitted_picture_size(c.w, c.h);
    EXPECT_EQ(fitted.width, c.fitted_w) << c.w << "x" << c.h;
    EXPECT_EQ(fitted.height, c.fitted_h) << c.w << "x" << c.h;
  }
}

TEST(PictureBaseName, FolderAndLastExtensionAreDropped) {
  const struct {
    const char* path;
    const char* base;
  } cases[] = {
      {"/pics/cat.photo.jpg", "cat.photo"},
      {"/pics.d/cat", "cat"},
      {"cat.jpg", "cat"},
      {"cat", "cat"},
      {"/home/me/my holiday pic.jpg", "my holiday pic"},
      {"/pics/.hidden", ""},
      {"/pics/", ""},
      {"/pics/123456789012345678.jpg", "123456789012345678"},   // 18 bytes kept whole
      {"/pics/1234567890123456789.jpg", "123456789012345678"},  // 19 bytes cut
      {"/pics/a very long picture name.png", "a very long pictur"},
      // Chinese characters are three bytes each: six fit, the seventh would straddle byte 18.
      {"/pics/\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB.jpg",
       "\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB\xE7\x8C\xAB"},
      {"/pics/12345678901234567\xE7\x8C\xAB.jpg", "12345678901234567"},
      {"/pics/1234567890123456\xC3\xA9\xC3\xA9.jpg", "1234567890123456\xC3\xA9"},
      {"/\xE5\x9B\xBE\xE7\x89\x87/\xE7\x8C\xAB \xE5\x92\xAA.bmp", "\xE7\x8C\xAB \xE5\x92\xAA"},
  };
  for (const auto& c : cases) {
    char base[20];
    std::memset(base, 'x', sizeof base);
    picture_base_name_of(c.path, base);
    EXPECT_EQ(std::string(base), std::string(c.base)) << c.path;
    EXPECT_EQ(base[19], '\0');
  }
}

TEST(PictureBaseName, BackslashesSeparateFoldersOnWindowsOnly) {
  const bool windows = platform::path_separator == '\\';
  const struct {
    const char* path;
    const char* base_on_windows;
    const char* base_elsewhere;
  } cases[] = {
      {"C:\\pics\\cat.jpg", "cat", "C:\\pics\\cat"},
      {"C:\\\xE5\x9B\xBE\xE7\x89\x87\\my cat.jpg", "my cat", "C:\\\xE5\x9B\xBE\xE7\x89\x87\\my cat"},  // C:\图片\my cat.jpg
      {"Z:\\tmp/run\\pic.bmp", "pic", "run\\pic"},
      {"C:\\pics.d\\cat", "cat", "C:\\pics"},
  };
  for (const auto& c : cases) {
    char base[20];
    picture_base_name_of(c.path, base);
    EXPECT_EQ(std::string(base), std::string(windows ? c.base_on_windows : c.base_elsewhere)) << c.path;
  }
}

}  // namespace
