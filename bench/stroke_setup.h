#pragma once
// The editing state of a stroke on the largest picture, shared by the stroke
// benchmarks.
#include <cstdint>

#include "app/editing_state.h"
#include "app/workspace.h"
#include "graphics/graph_context.h"

// Shows `picture` (MAX_PICTURE_WIDTH x MAX_PICTURE_HEIGHT, already painted) on the
// current target, gives the editing state its start values at `block_size`, and
// makes the current message a left-button move at (x, y) of the picture.
inline void start_stroke_on_picture(int32_t block_size, int32_t x, int32_t y) {
  place_picture(MAX_PICTURE_WIDTH, MAX_PICTURE_HEIGHT);
  gfx_put_image(0, 0, &picture, SRCCOPY);
  set_start_values();
  settings.block_index = block_size;
  current_msg = MOUSEMSG{};
  current_msg.message = WM_MOUSEMOVE;
  current_msg.left_button = true;
  current_msg.x = x;
  current_msg.y = y;
}
