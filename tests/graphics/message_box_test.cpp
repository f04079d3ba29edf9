// The drawn message box: where its parts lie and what it paints.
#include "graphics/message_box.h"

#include <gtest/gtest.h>

#include <string>

#include "app/texts.h"
#include "drawing/text.h"

namespace {

TEST(MessageBoxLayout, TextAndButtonFitWithoutOverlap) {
  const std::string long_text(70, 'W');
  for (const char* text : {"", "x", texts::msg_unreadable_picture, long_text.c_str()}) {
    SCOPED_TRACE(text);
    const MessageBoxLayout layout = lay_out_message_box(text);
    const int32_t text_width = measure_text_width(message_box_font(), text);
    EXPECT_EQ(layout.text.right - layout.text.left + 1, text_width);
    EXPECT_GE(layout.text.left, 1);
    EXPECT_LT(layout.text.right, layout.width - 1);
    EXPECT_GE(layout.button.left, 0);
    EXPECT_LT(layout.button.right, layout.width);
    EXPECT_LT(layout.button.bottom, layout.height);
    EXPECT_LT(layout.text.bottom, layout.button.top) << "the text runs into the button";
    EXPECT_GE(layout.button.right - layout.button.left + 1, 60);
    EXPECT_GE(layout.button.bottom - layout.button.top + 1, 20);
  }
  EXPECT_GT(lay_out_message_box(long_text.c_str()).width, lay_out_message_box("x").width);
  EXPECT_EQ(lay_out_message_box("").width, lay_out_message_box("x").width) << "short texts share the least width";
}

// Ink lies only in the text's cell and on the button; the button is framed.
TEST(MessageBoxPaint, TextInItsCellAndAFramedButton) {
  const char* text = texts::msg_unreadable_picture;
  const MessageBoxLayout layout = lay_out_message_box(text);
  IMAGE image;
  paint_message_box(image, layout, text);
  ASSERT_EQ(image.width, layout.width);
  ASSERT_EQ(image.height, layout.height);
  int ink_in_text = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      const uint32_t pixel = image.pixels[y * image.width + x];
      if (pixel != 0x000000) continue;
      if (layout.text.contains(x, y)) {
        ++ink_in_text;
      } else {
        EXPECT_TRUE(layout.button.contains(x, y)) << "ink at " << x << "," << y;
      }
    }
  }
  EXPECT_GT(ink_in_text, 100);
  const uint32_t frame = image.pixels[layout.button.top * image.width + layout.button.left];
  EXPECT_EQ(image.pixels[layout.button.bottom * image.width + layout.button.right], frame);
  const uint32_t face = image.pixels[(layout.button.top + 2) * image.width + layout.button.left + 2];
  EXPECT_NE(frame, face);
  EXPECT_NE(face, image.pixels[0]) << "the button does not stand out";
}

}  // namespace
