// Placeholder so callers link while the window is written; replaced by the window
// thread and its queue.
#include "graphics/graph_context.h"

bool gfx_open_window(int32_t, int32_t, int32_t) { return false; }
void gfx_close_window() {}
void gfx_flush() {}
MOUSEMSG gfx_next_mouse_msg() { return MOUSEMSG{}; }
void gfx_clear_mouse_queue() {}
void gfx_set_window_caption(const char*) {}
