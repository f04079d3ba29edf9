#include "app/main_loop.h"

#include "app/editing_state.h"
#include "graphics/graph_context.h"
#include "panel/input_dispatch.h"
#include "panel/tool_panel.h"
#include "selection/outline.h"
#include "selection/stroke.h"

namespace {

constexpr int32_t LAST_STROKE_INDEX = MAX_STROKE_POINTS - 1;

void add_stroke_point(int32_t px, int32_t py) {
  // A point on a painted-over pixel counts only while deleted pixels stay in the picture.
  if (deleted_pixels[py * picture_width + px] && settings.range_mode == 0) return;
  if (current_msg.ctrl) {
    // A full stroke keeps its length; the newest point replaces the last one.
    if (stroke_last < LAST_STROKE_INDEX) ++stroke_last;
  } else {
    stroke_last = 0;
  }
  stroke_points[stroke_last] = {px, py};
  if (settings.outline_shown) erase_outline();
  apply_stroke();
  // Growing can take far longer than the mouse takes to move: the next stroke uses the
  // newest position rather than working through the backlog.
  gfx_clear_mouse_queue();
}

void pick_colour(int32_t px, int32_t py) {
  for (int32_t slot = 0; slot < SWATCH_COUNT; ++slot) {
    if (swatch_used[slot]) continue;
    swatch_colors[slot] = swap_red_blue(picture_pixels[py * picture_width + px]);
    swatch_used[slot] = 1;
    draw_swatch(slot);
    return;
  }
}

}  // namespace

void handle_picture_message() {
  const int32_t x = current_msg.x;
  const int32_t y = current_msg.y;
  if (x < picture_left || x > picture_right || y < picture_top || y > picture_bottom) return;
  const int32_t px = x - picture_left;
  const int32_t py = y - picture_top;
  if (current_msg.left_button)
    add_stroke_point(px, py);
  else if (current_msg.right_button)
    pick_colour(px, py);
}

void run_main_loop() {
  for (;;) {
    dispatch_input();
    handle_picture_message();
  }
}
