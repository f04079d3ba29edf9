#include "app/fatal_message.h"

#include "app/texts.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "platform/console.h"
#include "platform/terminal.h"

void show_fatal_message(const char* text) {
  // Without a window there is nothing to dismiss: the text goes to the terminal.
  if (!gfx_open_window(200, 30, 0)) {
    platform::print_error_line(text);
    return;
  }
  gfx_set_font(12, 0, texts::font_message);
  gfx_text_at(28, 9, text);
  gfx_flush();
  platform::wait_for_key();
  gfx_close_window();
}
