// The 200-pixel tool panel right of the picture: logo, twelve framed rows, value
// boxes, colour swatches and the two colour samples, where app/panel_layout.h puts
// them (x relative to the panel's left edge, picture_width).
#include "panel/tool_panel.h"

#include <cstdio>

#include "app/editing_state.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "graphics/picture_files.h"

namespace {

constexpr char LOGO_FILE[] = "CORVALIS.jpg";

constexpr COLORREF FRAME_GREY = 0x808080;
constexpr COLORREF HOVER_BLUE = 0xFF8000;
constexpr COLORREF PANEL_BLACK = 0x000000;
constexpr COLORREF PANEL_WHITE = 0xFFFFFF;
// Solid, flat ends and round joins; five pixels centred on the row's edges.
constexpr int32_t FRAME_STYLE = PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_ROUND;
constexpr int32_t FRAME_THICKNESS = 5;
constexpr int32_t PANEL_FONT_HEIGHT = 20;

void frame_row(int32_t row) {
  const PanelRow& r = panel_rows[row];
  gfx_frame_rect(picture_width + r.left, r.top, picture_width + r.right, r.bottom);
}

void solid_box(const PixelBox& box) {
  gfx_solid_rect(picture_width + box.left, box.top, picture_width + box.right, box.bottom);
}

void draw_sample(const PixelBox& box, int32_t slot) {
  gfx_set_fill_color(slot >= 0 && slot < SWATCH_COUNT ? swatch_colors[slot] : PANEL_BLACK);
  gfx_set_fill_style(BS_SOLID, 0, nullptr);
  solid_box(box);
}

// A two-valued setting read defensively: any non-zero byte counts as 1.
int32_t flag(uint8_t value) { return value != 0 ? 1 : 0; }

}  // namespace

void draw_panel() {
  {
    IMAGE logo;
    gfx_load_picture(&logo, LOGO_FILE, 0, 0, false);
    gfx_put_image(picture_width + PANEL_LOGO_X, PANEL_LOGO_Y, &logo, SRCCOPY);
  }
  gfx_set_line_color(FRAME_GREY);
  gfx_set_line_style(FRAME_STYLE, FRAME_THICKNESS, nullptr, 0);
  gfx_set_font(PANEL_FONT_HEIGHT, 0, texts::font_panel);
  gfx_set_text_color(PANEL_WHITE);
  for (int32_t row = 0; row < PANEL_ROW_COUNT; ++row) {
    const PanelRow& r = panel_rows[row];
    frame_row(row);
    gfx_text_at(picture_width + r.left + r.text_dx, r.top + r.text_dy, panel_labels[row]);
  }
  for (int32_t row : PANEL_VALUE_ROWS) draw_row_value(row);
  draw_all_swatches();
  draw_fill_sample();
  draw_outline_sample();
}

void draw_swatch(int32_t slot) {
  if (slot < 0 || slot >= SWATCH_COUNT) return;
  gfx_set_fill_style(BS_SOLID, 0, nullptr);
  if (swatch_used[slot]) {
    gfx_set_fill_color(swatch_colors[slot]);
  } else {
    // An empty slot: white diagonal cross-hatch, the gaps in the background black.
    gfx_set_fill_color(PANEL_WHITE);
    gfx_set_fill_style(BS_HATCHED, HS_DIAGCROSS, nullptr);
  }
  solid_box(panel_swatch_box(slot));
}

void draw_all_swatches() {
  for (int32_t slot = 0; slot < SWATCH_COUNT; ++slot) draw_swatch(slot);
}

void draw_outline_sample() { draw_sample(PANEL_OUTLINE_SAMPLE, settings.outline_color_index); }

void draw_fill_sample() { draw_sample(PANEL_FILL_SAMPLE, settings.fill_color_index); }

void draw_value_box(int32_t row, const char* text) {
  if (row < 0 || row >= PANEL_ROW_COUNT) return;
  const PixelBox box = panel_value_box(row);
  gfx_set_fill_color(PANEL_BLACK);
  gfx_set_fill_style(BS_SOLID, 0, nullptr);
  solid_box(box);
  gfx_set_font(PANEL_FONT_HEIGHT, 0, texts::font_panel);
  gfx_set_text_color(PANEL_WHITE);
  gfx_text_at(picture_width + box.left, box.top, text != nullptr ? text : "");
}

void draw_row_value(int32_t row) {
  char text[20] = {};
  switch (row) {
    case ROW_TOLERANCE:
      std::snprintf(text, sizeof text, "%d", settings.tolerance);
      break;
    case ROW_BLOCK_SIZE: {
      const int32_t index = settings.block_index;
      if (index >= 0 && index < BLOCK_SIZE_CAPACITY) std::snprintf(text, sizeof text, "%d", block_sizes[index]);
      break;
    }
    case ROW_DISTANCE:
      std::snprintf(text, sizeof text, "%s", distance_labels[flag(settings.distance_mode)]);
      break;
    case ROW_REFERENCE:
      std::snprintf(text, sizeof text, "%s", reference_labels[flag(settings.reference_mode)]);
      break;
    case ROW_INCLUDE:
      std::snprintf(text, sizeof text, "%s", include_labels[flag(settings.include_inner)]);
      break;
    case ROW_RANGE:
      std::snprintf(text, sizeof text, "%s", range_labels[flag(settings.range_mode)]);
      break;
    default:
      break;
  }
  draw_value_box(row, text);
}

void draw_history_buttons() {
  gfx_set_line_style(FRAME_STYLE, FRAME_THICKNESS, nullptr, 0);
  // An unavailable button's frame turns black, invisible on the black panel.
  gfx_set_line_color(history_pos == history_oldest ? PANEL_BLACK : FRAME_GREY);
  frame_row(ROW_BACK);
  const bool at_newest = history_pos == history_newest || (history_pos + 1) % HISTORY_SLOTS == history_newest;
  gfx_set_line_color(at_newest ? PANEL_BLACK : FRAME_GREY);
  frame_row(ROW_FORWARD);
}

void draw_row_frame(int32_t row, bool hovered) {
  if (row < 0 || row >= PANEL_ROW_COUNT) return;
  gfx_set_line_color(hovered ? HOVER_BLUE : FRAME_GREY);
  gfx_set_line_style(FRAME_STYLE, FRAME_THICKNESS, nullptr, 0);
  frame_row(row);
}
