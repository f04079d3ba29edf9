// The program-facing window operations: each goes to the window and its device.
#include "graphics/graph_context.h"
#include "graphics/graph_wnd.h"
#include "graphics/window_device.h"

bool gfx_open_window(int32_t width, int32_t height, int32_t flags) {
  return Canvas::window_device().open_window(width, height, flags);
}

void gfx_close_window() { Canvas::window_device().close_window(); }

// With an image as the target there is no window to show anything on.
void gfx_flush() {
  GraphContext& ctx = graph_context();
  if (!ctx.window_is_target || ctx.window_device == nullptr) return;
  ctx.window_device->flush();
}

void gfx_flush_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  GraphContext& ctx = graph_context();
  if (!ctx.window_is_target || ctx.window_device == nullptr) return;
  ctx.window_device->flush_rect(left, top, right, bottom);
}

void gfx_mark_changed(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  GraphContext& ctx = graph_context();
  if (!ctx.window_is_target || ctx.window_changed == nullptr) return;
  ctx.window_changed(left, top, right, bottom);
}

MOUSEMSG gfx_next_mouse_msg() { return Canvas::graph_window().next_mouse_msg(); }

void gfx_clear_mouse_queue() { Canvas::graph_window().clear_mouse_queue(); }

bool gfx_mouse_msg_waiting() { return Canvas::graph_window().mouse_msg_waiting(); }

void gfx_set_window_caption(const char* text) { Canvas::graph_window().set_caption(text); }
