#include "graphics/image.h"

#include <gtest/gtest.h>

namespace {

void fill_with_index(IMAGE& image) {
  for (int32_t i = 0; i < image.width * image.height; ++i) image.pixels[i] = static_cast<uint32_t>(i + 1);
}

TEST(Image, ZeroSizedImageHasNoBuffer) {
  IMAGE empty;
  EXPECT_EQ(empty.pixels, nullptr);
  EXPECT_EQ(empty.image_width(), 0);
  EXPECT_EQ(empty.image_height(), 0);
  IMAGE half(5, 0);
  EXPECT_EQ(half.pixels, nullptr);
}

TEST(Image, NewBufferIsBackgroundColour) {
  IMAGE image(3, 2);
  ASSERT_NE(image.pixels, nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(image.pixels[i], 0u);
}

TEST(Image, ResizeWithAZeroSideChangesNothing) {
  IMAGE image(4, 3);
  fill_with_index(image);
  uint32_t* before = image.pixels;
  image.resize(0, 10);
  image.resize(10, 0);
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(image.pixels, before);
  EXPECT_EQ(image.pixels[11], 12u);
}

TEST(Image, GrowingKeepsPixelsAndFillsWithBackgroundInPixelOrder) {
  IMAGE image(2, 2);
  fill_with_index(image);
  image.bk_color = 0x0000FF;  // red as a COLORREF
  image.resize(3, 3);
  const uint32_t expected[9] = {1, 2, 0xFF0000, 3, 4, 0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(image.pixels[i], expected[i]) << "pixel " << i;
}

TEST(Image, ShrinkingKeepsTheTopLeftPart) {
  IMAGE image(3, 3);
  fill_with_index(image);
  image.resize(2, 1);
  EXPECT_EQ(image.pixels[0], 1u);
  EXPECT_EQ(image.pixels[1], 2u);
}

TEST(Image, SelfAssignmentChangesNothing) {
  IMAGE image(3, 2);
  fill_with_index(image);
  uint32_t* before = image.pixels;
  IMAGE& alias = image;
  image = alias;
  EXPECT_EQ(image.pixels, before);
  EXPECT_EQ(image.pixels[5], 6u);
}

TEST(Image, AssignmentCopiesSizeAndPixelsButNotDrawingState) {
  IMAGE source(300, 200);
  fill_with_index(source);
  source.line_color = 0x123456;
  IMAGE copy(50, 50);
  copy.line_color = 0xABCDEF;
  copy = source;
  ASSERT_EQ(copy.width, 300);
  ASSERT_EQ(copy.height, 200);
  EXPECT_NE(copy.pixels, source.pixels);
  for (int i = 0; i < 300 * 200; ++i) ASSERT_EQ(copy.pixels[i], source.pixels[i]) << "pixel " << i;
  EXPECT_EQ(copy.line_color, 0xABCDEFu);
}

TEST(Image, ResetRestoresDefaults) {
  IMAGE image(2, 2);
  image.cur_x = 7;
  image.line_color = 1;
  image.bk_color = 2;
  image.transform[4] = 10.0f;
  const uint32_t pattern[2] = {3, 1};
  image.line_style.style = 7;
  image.line_style.pattern = new uint32_t[2]{pattern[0], pattern[1]};
  image.line_style.count = 2;
  image.font.height = 20;
  image.reset_state();
  EXPECT_EQ(image.cur_x, 0);
  EXPECT_EQ(image.line_color, 0xFFFFFFu);
  EXPECT_EQ(image.bk_color, 0u);
  EXPECT_EQ(image.transform[4], 0.0f);
  EXPECT_EQ(image.line_style.style, 0);
  EXPECT_EQ(image.line_style.pattern, nullptr);
  EXPECT_EQ(image.font.height, 16);
  EXPECT_STREQ(image.font.face, "System");
}

TEST(Image, StylesCopyPatternsOnlyWhereTheyMeanSomething) {
  LINESTYLE user;
  user.style = 7;
  user.pattern = new uint32_t[3]{4, 2, 1};
  user.count = 3;
  LINESTYLE copy = user;
  ASSERT_NE(copy.pattern, nullptr);
  EXPECT_NE(copy.pattern, user.pattern);
  EXPECT_EQ(copy.pattern[2], 1u);

  LINESTYLE dashed;
  dashed.style = 1;
  dashed.pattern = new uint32_t[1]{5};
  dashed.count = 1;
  LINESTYLE dashed_copy = dashed;
  EXPECT_EQ(dashed_copy.pattern, nullptr);
  EXPECT_EQ(dashed_copy.count, 0);

  FILLSTYLE pattern_fill;
  pattern_fill.style = 5;
  pattern_fill.pattern = new IMAGE(2, 2);
  pattern_fill.pattern->pixels[3] = 9;
  FILLSTYLE fill_copy = pattern_fill;
  ASSERT_NE(fill_copy.pattern, nullptr);
  EXPECT_NE(fill_copy.pattern, pattern_fill.pattern);
  EXPECT_EQ(fill_copy.pattern->pixels[3], 9u);
  FILLSTYLE solid;
  fill_copy = solid;
  EXPECT_EQ(fill_copy.pattern, nullptr);
}

TEST(Image, ColourReferenceRedIsPixelRed) {
  EXPECT_EQ(swap_red_blue(0x0000FF), 0x00FF0000u);
  EXPECT_EQ(swap_red_blue(0x00FF8000), 0x000080FFu);
  EXPECT_EQ(swap_red_blue(swap_red_blue(0x00123456)), 0x00123456u);
}

}  // namespace
