#pragma once
// The graphics layer's one global record, the choice of drawing target and the
// program-facing window operations.
#include <cstdint>
#include <mutex>

#include "graphics/image.h"
#include "graphics/mouse_msg.h"

namespace Canvas {
class GraphWnd;
class DrawOnImg;
class DrawOnWnd;
}  // namespace Canvas

struct GraphContext {
  // Guards everything that touches the window or switches the target.
  std::recursive_mutex graph_lock;
  // The graphics window; its IMAGE part is the window's backing image.
  Canvas::GraphWnd* window = nullptr;
  // Batch drawing: window-aware drawing skips the window until the next flush.
  bool batching = false;
  // True while the window is the target (drawing also reaches the window).
  bool window_is_target = false;
  IMAGE* target = nullptr;
  Canvas::DrawOnImg* image_device = nullptr;
  Canvas::DrawOnWnd* window_device = nullptr;
  Canvas::DrawOnImg* device = nullptr;
  // Set by the window: tells it that a copy changed the inclusive rectangle of the
  // backing image, so that it shows it (unless batching).
  void (*window_changed)(int32_t left, int32_t top, int32_t right, int32_t bottom) = nullptr;
};

GraphContext& graph_context();

// Window flags of gfx_open_window.
inline constexpr int32_t GFX_KEEP_CONSOLE = 1;
inline constexpr int32_t GFX_NO_CLOSE_BOX = 2;
inline constexpr int32_t GFX_NO_MINIMIZE_BOX = 4;

// The pixel buffer of `image`, or of the window's backing image for null.
uint32_t* gfx_pixels(IMAGE* image);
// An image makes it the target of the image device; null makes the window the target.
void gfx_set_target(IMAGE* image);
// Copies the whole of `image` to (x, y) of the current target: a plain copy, which
// callers name SRCCOPY.
void gfx_put_image(int32_t x, int32_t y, const IMAGE* image, uint32_t rop);

// Opens the graphics window with a client area of exactly width x height on a thread
// of its own and makes it the drawing target. Returns false when no window could be made.
bool gfx_open_window(int32_t width, int32_t height, int32_t flags);
void gfx_close_window();
// Shows the whole backing image on the window; returns once it is on screen.
void gfx_flush();
// Shows the inclusive rectangle of the backing image, with whatever drawing has
// marked changed; returns once it is on screen. For direct pixel writes that stay
// inside the rectangle, it shows the same as gfx_flush.
void gfx_flush_rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
// Tells the window that direct pixel writes changed the inclusive rectangle of the
// backing image; the window shows it soon, without the caller waiting for it.
void gfx_mark_changed(int32_t left, int32_t top, int32_t right, int32_t bottom);
// The oldest queued mouse message; blocks (without busy waiting) while none is queued.
MOUSEMSG gfx_next_mouse_msg();
void gfx_clear_mouse_queue();
// True while a mouse message is queued, so that gfx_next_mouse_msg would not wait.
bool gfx_mouse_msg_waiting();
// Sets the caption of the open graphics window; `text` is GBK.
void gfx_set_window_caption(const char* text);
