#include "panel/input_dispatch.h"

#include <cstdio>

#include "app/editing_state.h"
#include "app/snapshots.h"
#include "graphics/graph_context.h"
#include "panel/colour_transform.h"
#include "panel/live_regrowth.h"
#include "panel/save_result.h"
#include "panel/tool_panel.h"
#include "platform/window.h"
#include "selection/outline.h"
#include "selection/stroke.h"

namespace {

constexpr int32_t WHEEL_NOTCH = 120;

int32_t row_under(int32_t x, int32_t y) { return panel_row_at(x - picture_width, y); }

int32_t swatch_under(int32_t x, int32_t y) { return panel_swatch_at(x - picture_width, y); }

// Include form 1 outlines only the boundary, form 0 every selected block.
void draw_outline_in_form(int32_t include_form) {
  if (include_form == 1)
    draw_outline(boundary_blocks, boundary_count, boundary_edges);
  else
    draw_outline(selected_blocks, selected_count, selected_edges);
}

void hide_outline() {
  if (settings.outline_shown) erase_outline();
  settings.outline_shown = 0;
}

void show_number(int32_t row, int32_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%d", value);
  draw_value_box(row, text);
}

// Before the wheel sets a new tolerance or block size: a shown outline follows the
// new value; without one the stroke ends.
void before_wheel_change(bool value_changes, bool grid_changes) {
  if (!settings.outline_shown) {
    stroke_last = 0;
  } else if (value_changes) {
    hold_outline_for_regrowth(grid_changes);
  }
}

void turn_wheel(int32_t row, int32_t steps) {
  if (row == ROW_TOLERANCE) {
    int32_t tolerance = settings.tolerance + steps;
    if (tolerance < 0) tolerance = 0;
    if (tolerance > LARGEST_TOLERANCE) tolerance = LARGEST_TOLERANCE;
    before_wheel_change(tolerance != settings.tolerance, false);
    settings.tolerance = tolerance;
    show_number(ROW_TOLERANCE, tolerance);
  } else if (row == ROW_BLOCK_SIZE) {
    int32_t index = settings.block_index + steps;
    if (index < 1) index = 1;
    if (index > block_sizes[0]) index = block_sizes[0];
    before_wheel_change(index != settings.block_index, true);
    settings.block_index = index;
    show_number(ROW_BLOCK_SIZE, block_sizes[index]);
  }
}

void choose_swatch(const MOUSEMSG& msg) {
  const int32_t k = swatch_under(msg.x, msg.y);
  if (k < 0) return;
  if (msg.left_button && k != settings.outline_color_index && swatch_used[k]) {
    settings.outline_color_index = k;
    draw_outline_sample();
    // The same segments again, over the old ones, in the new colour.
    if (settings.outline_shown) draw_outline_in_form(settings.include_inner);
  }
  if (msg.right_button && swatch_used[k]) {
    if (msg.ctrl) {
      // The slot shows the empty hatch; its stored colour stays for whoever refers to it.
      swatch_used[k] = 0;
      draw_swatch(k);
    } else {
      settings.fill_color_index = k;
      draw_fill_sample();
    }
  }
}

void toggle_include_or_range(int32_t row) {
  if (settings.outline_shown && row == ROW_INCLUDE) {
    erase_outline();
    draw_outline_in_form(1 - settings.include_inner);
  }
  // The picture range decides what growth may enter and which blocks keep old colours.
  if (row == ROW_RANGE) hold_outline_for_regrowth(true);
  if (row == ROW_INCLUDE) {
    settings.include_inner = static_cast<uint8_t>(1 - settings.include_inner);
  } else {
    settings.range_mode = static_cast<uint8_t>(1 - settings.range_mode);
    if (settings.range_mode == 1) {
      // Every size from 1 to 80 again, with the current size still selected.
      settings.block_index = block_sizes[settings.block_index];
      block_sizes[0] = LARGEST_BLOCK_SIZE;
      for (int32_t k = 1; k <= LARGEST_BLOCK_SIZE; ++k) block_sizes[k] = k;
    }
  }
  draw_row_value(row);
}

void delete_shown_selection() {
  save_snapshot();
  draw_history_buttons();
  delete_selection();
  settings.outline_shown = 0;
  if (settings.range_mode == 1) return;
  // Deleted pixels stay walls only while every later block lies inside one block of
  // this deletion's grid, so only the divisors of its size remain selectable.
  const int32_t size = current_block_size();
  int32_t count = 0;
  for (int32_t d = 1; d <= size; ++d)
    if (size % d == 0) block_sizes[++count] = d;
  block_sizes[0] = count;
  settings.block_index = count;
  stroke_last = 0;
}

void transform_picture() {
  hide_outline();
  transform_colours(picture_pixels, static_cast<std::size_t>(picture_width) * static_cast<std::size_t>(picture_height),
                    color_transform_step);
  cutout.colours = compose_colour_transforms(cutout.colours, colour_step(color_transform_step));
  color_transform_step = (color_transform_step + 1) % 6;
  gfx_put_image(picture_left, picture_top, &picture, SRCCOPY);
  gfx_flush();
  gfx_clear_mouse_queue();
}

void step_back() {
  if (history_pos != history_oldest) undo_snapshot();
  draw_history_buttons();
  gfx_clear_mouse_queue();
}

void step_forward() {
  if ((history_pos + 1) % HISTORY_SLOTS != history_newest) redo_snapshot();
  draw_history_buttons();
  gfx_clear_mouse_queue();
}

void save_and_drain() {
  save_result();
  gfx_clear_mouse_queue();
}

// What a left click on one of the rows that act at once does; a shortcut does the
// same through here.
void press_row(int32_t row) {
  switch (row) {
    case ROW_DELETE:
      if (settings.outline_shown) delete_shown_selection();
      return;
    case ROW_BACK:
      step_back();
      return;
    case ROW_FORWARD:
      step_forward();
      return;
    case ROW_SAVE:
      save_and_drain();
      return;
    default:
      return;
  }
}

// + and = grow the shown selection by one ring of blocks, - shrinks it by one.
int32_t ring_step_of_key(uint32_t key) {
  switch (key) {
    case '+':
    case '=':
      return 1;
    case '-':
      return -1;
    default:
      return 0;
  }
}

void change_shown_selection(int32_t step) {
  if (!settings.outline_shown) return;
  erase_outline();
  change_selection_by_ring(step);
}

// Moves, wheel turns and releases, and any button over the rows of growth settings:
// none looks at the selection or changes more than what it is grown with.
bool leaves_selection_alone(const MOUSEMSG& msg) {
  if (msg.message == WM_KEYDOWN) return false;
  if (!msg.left_button && !msg.right_button) return true;
  const int32_t row = row_under(msg.x, msg.y);
  return row == ROW_TOLERANCE || row == ROW_BLOCK_SIZE || row == ROW_DISTANCE || row == ROW_REFERENCE ||
         row == ROW_RANGE;
}

void act_on_message(const MOUSEMSG& msg);

}  // namespace

int32_t shortcut_row(const MOUSEMSG& msg) {
  if (msg.message != WM_KEYDOWN) return -1;
  if (msg.key == platform::KEY_DELETE) return ROW_DELETE;
  if (!msg.ctrl) return -1;
  switch (msg.key) {
    case 'z':
      return msg.shift ? ROW_FORWARD : ROW_BACK;
    case 'y':
      return ROW_FORWARD;
    case 's':
      return ROW_SAVE;
    default:
      return -1;
  }
}

void dispatch_input() { dispatch_message(gfx_next_mouse_msg()); }

void dispatch_message(const MOUSEMSG& msg) {
  current_msg = msg;
  // Whatever looks at the selection sees it grown with the settings in force.
  if (regrowth_waiting && !leaves_selection_alone(msg)) finish_regrowth();
  act_on_message(msg);
  // Notches that come faster than growth are all taken first, and the stroke grows
  // once the queue is drained: the outline ends on the last value.
  if (regrowth_waiting && !gfx_mouse_msg_waiting()) finish_regrowth();
}

namespace {

void act_on_message(const MOUSEMSG& msg) {
  // A key touches neither the hover frame nor anything under the pointer.
  if (msg.message == WM_KEYDOWN) {
    const int32_t ring_step = ring_step_of_key(msg.key);
    if (ring_step != 0) {
      change_shown_selection(ring_step);
    } else {
      press_row(shortcut_row(msg));
    }
    return;
  }
  const int32_t row = row_under(msg.x, msg.y);

  if (hover_row != -1 && row != hover_row) {
    draw_row_frame(hover_row, false);
    hover_row = -1;
  }
  draw_history_buttons();
  if (row == -1) return;

  if (row != hover_row) {
    hover_row = row;
    draw_row_frame(row, true);
  }

  const int32_t steps = msg.wheel_delta / WHEEL_NOTCH;
  if (steps != 0) turn_wheel(row, steps);

  // Buttons are read from the flags, whatever kind of message carries them: a press,
  // a move with the button held or a wheel turn with it held all act.
  switch (row) {
    case ROW_DISTANCE:
    case ROW_REFERENCE:
      if (!msg.left_button) return;
      hold_outline_for_regrowth(false);
      if (row == ROW_DISTANCE) {
        settings.distance_mode = static_cast<uint8_t>(1 - settings.distance_mode);
        draw_value_box(ROW_DISTANCE, distance_labels[settings.distance_mode]);
      } else {
        settings.reference_mode = static_cast<uint8_t>(1 - settings.reference_mode);
        draw_value_box(ROW_REFERENCE, reference_labels[settings.reference_mode]);
      }
      return;
    case ROW_SWATCHES:
      choose_swatch(msg);
      return;
    case ROW_INCLUDE:
    case ROW_RANGE:
      if (msg.left_button) toggle_include_or_range(row);
      return;
    case ROW_DELETE:
    case ROW_BACK:
    case ROW_FORWARD:
    case ROW_SAVE:
      if (msg.left_button) press_row(row);
      return;
    case ROW_TRANSFORM:
      if (msg.left_button) transform_picture();
      return;
    default:
      return;
  }
}

}  // namespace
