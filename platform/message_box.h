#pragma once

namespace platform {

// A modal message box with one OK button; `text` and `caption` are GBK. Returns
// when the user dismisses it.
void show_message_box(const char* text, const char* caption);

}  // namespace platform
