#pragma once

namespace platform {

// Sets the title of the terminal the program was started from, when standard output
// is a terminal. `gbk_text` is GBK.
void set_terminal_title(const char* gbk_text);

}  // namespace platform
