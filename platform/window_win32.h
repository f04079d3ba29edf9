#pragma once
// The parts of the Win32 window backend (window_win32.cpp) kept in files of their
// own, and what the process's end needs of them.
#include <windows.h>

#include <string>

namespace platform {

// window_console_win32.cpp: the console window that a graphics window stands in for.
// While the window shows, the console is hidden; when the window goes, also when the
// process ends from its close box, the console comes back at the window's last place.

// The console to stand in for, with the place the window takes (the console's own
// top-left corner) in x and y; null, x and y unchanged, when no console shows (a
// terminal's pseudo console does not, and stays as it is). Also keeps the console's
// Ctrl+C from ending the process under the window's feet.
HWND console_to_stand_in_for(int& x, int& y);
// Hides `console` while `window`, placed at (x, y), stands in for it.
void hide_console_for(HWND console, HWND window, int x, int y);
// Notes where `window` is now, when it stands in for the console.
void note_window_place(HWND window);
// Puts a console hidden for a window back, at the window's last top-left corner.
void bring_console_back();

// this_process_win32.cpp: the executable's full path, empty when it cannot be had.
std::wstring module_path();

}  // namespace platform
