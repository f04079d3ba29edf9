#include "graphics/graph_context.h"

#include "drawing/image_device.h"
#include "graphics/graph_wnd.h"
#include "graphics/window_device.h"

GraphContext& graph_context() {
  static Canvas::DrawOnImg image_device;
  static GraphContext context;
  static const bool wired = (context.image_device = &image_device, true);
  (void)wired;
  return context;
}

uint32_t* gfx_pixels(IMAGE* image) {
  if (image != nullptr) return image->pixels;
  GraphContext& ctx = graph_context();
  return ctx.window != nullptr ? ctx.window->pixels : nullptr;
}

void gfx_set_target(IMAGE* image) {
  GraphContext& ctx = graph_context();
  std::lock_guard lock(ctx.graph_lock);
  if (image != nullptr) {
    ctx.target = image;
    ctx.device = ctx.image_device;
    ctx.window_is_target = false;
  } else if (ctx.window != nullptr) {
    ctx.target = ctx.window;
    ctx.device = ctx.window_device;
    ctx.window_is_target = true;
  }
}

void gfx_put_image(int32_t x, int32_t y, const IMAGE* image, uint32_t /*rop: always a plain copy*/) {
  GraphContext& ctx = graph_context();
  if (image == nullptr || ctx.target == nullptr) return;
  if (!ctx.window_is_target) {
    copy_image_pixels(*ctx.target, x, y, *image);
    return;
  }
  std::lock_guard lock(ctx.graph_lock);
  copy_image_pixels(*ctx.target, x, y, *image);
  if (ctx.window_changed != nullptr && image->width > 0 && image->height > 0) {
    ctx.window_changed(x, y, x + image->width - 1, y + image->height - 1);
  }
}
