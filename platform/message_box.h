#pragma once

namespace platform {

// Whether the system has a modal message box of its own that runs inside the
// program. X11 has none: SDL shows its box from a forked copy of the program, which
// lives on when the program ends under it and holds the program's display connection
// (and so its window) open. There the graphics layer draws the box itself.
#if defined(_WIN32)
inline constexpr bool has_system_message_box = true;
#else
inline constexpr bool has_system_message_box = false;
#endif

// A modal message box with one OK button; `text` and `caption` are GBK. Returns
// when the user dismisses it. Defined only where has_system_message_box holds.
void show_message_box(const char* text, const char* caption);

}  // namespace platform
