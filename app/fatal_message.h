#pragma once

// Shows a one-line message in a 200 x 30 window, waits for one key and closes the
// window. The caller then ends the program with status 0.
void show_fatal_message(const char* text);
