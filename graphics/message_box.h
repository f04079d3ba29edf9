#pragma once
// The program's modal message box: a caption, one line of GBK text and an OK button.
// Where the system has no box that runs inside the program, the box is a window of
// the program's own, drawn with its own text raster and served on the window thread
// beside the editing window.
#include <cstdint>

#include "graphics/image.h"

// Shows the box and returns when the user dismisses it: with its OK button, Return,
// Space or Escape, or its close box. Meanwhile the editing window stays open and its
// close box still ends the program; its mouse input is queued as always. With no
// display to show a box on, the text goes to standard error instead.
void gfx_message_box(const char* text, const char* caption);

// Where the parts of the drawn box lie, in its client area, both corners included.
struct MessageBoxLayout {
  int32_t width = 0;
  int32_t height = 0;
  PixelBox text;  // the text's cell
  PixelBox button;
};

FONTDESC message_box_font();
MessageBoxLayout lay_out_message_box(const char* text);
// Paints the whole box for `text` into `image`, which gets the layout's size.
void paint_message_box(IMAGE& image, const MessageBoxLayout& layout, const char* text);
