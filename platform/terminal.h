#pragma once

namespace platform {

// Sets the title of the terminal the program was started from, when standard output
// is a terminal. `gbk_text` is GBK.
void set_terminal_title(const char* gbk_text);

// Writes a GBK text as one line on standard error, for messages that have no window
// to appear in.
void print_error_line(const char* gbk_text);

}  // namespace platform
