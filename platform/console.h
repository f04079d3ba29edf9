#pragma once
// Waiting for one key press on the process's terminal or standard input, or in the
// graphics window.
#include <cstdint>

namespace platform {

// Waits for one key: from the terminal (raw, without echo, restored afterwards) when
// standard input is the foreground terminal, one byte when it is a pipe or a file
// with data, and in every case a key posted from the graphics window. End of input
// stops reading standard input but not the wait.
void wait_for_key();

// Hands a key typed into the graphics window to the key wait. Keys posted while
// nobody waits are kept for the next wait, as a terminal keeps typed-ahead keys.
void post_window_key(uint32_t code);

// Puts the terminal back as it was if a key wait left it raw (before the process
// ends from another thread).
void restore_terminal();

}  // namespace platform
