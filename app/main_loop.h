#pragma once

// Forever: one panel dispatch, then the picture's own handling of the same message.
[[noreturn]] void run_main_loop();

// The picture's share of current_msg: a left button inside the picture adds a stroke
// point and applies the stroke; a right button picks the colour under the pointer into
// the lowest empty swatch. Messages outside the picture do nothing.
void handle_picture_message();
