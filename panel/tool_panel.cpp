// The 200-pixel tool panel right of the picture: logo, twelve framed rows, value
// boxes, colour swatches and the two colour samples. All x positions are relative to
// the panel's left edge, picture_width; y positions are absolute.
#include "panel/tool_panel.h"

#include <cstdio>

#include "app/editing_state.h"
#include "drawing/gfx_drawing.h"
#include "graphics/graph_context.h"
#include "graphics/picture_files.h"

namespace {

constexpr char LOGO_FILE[] = "CORVALIS.jpg";
constexpr int32_t LOGO_X = 7;
constexpr int32_t LOGO_Y = 15;

constexpr COLORREF FRAME_GREY = 0x808080;
constexpr COLORREF PANEL_BLACK = 0x000000;
constexpr COLORREF PANEL_WHITE = 0xFFFFFF;
// Flat ends and round joins; five pixels centred on the row's edges.
constexpr int32_t FRAME_STYLE = 0x200;
constexpr int32_t FRAME_THICKNESS = 5;
constexpr int32_t PANEL_FONT_HEIGHT = 20;

constexpr int32_t FILL_SOLID = 0;
constexpr int32_t FILL_HATCHED = 2;
constexpr int32_t HATCH_DIAGONAL_CROSS = 5;

constexpr int32_t SWATCH_ROW = 4;
constexpr int32_t SWATCH_COLUMNS = 5;
constexpr int32_t SWATCH_PITCH_X = 30;
constexpr int32_t SWATCH_PITCH_Y = 16;

constexpr int32_t BACK_ROW = 9;
constexpr int32_t FORWARD_ROW = 10;
constexpr int32_t VALUE_ROWS[] = {0, 1, 2, 3, 6, 8};

void frame_row(int32_t row) {
  const PanelRow& r = panel_rows[row];
  gfx_frame_rect(picture_width + r.left, r.top, picture_width + r.right, r.bottom);
}

// Corners of the two colour samples, inclusive, inside the swatch row.
void draw_sample(int32_t dx, int32_t slot) {
  const PanelRow& r = panel_rows[SWATCH_ROW];
  const int32_t left = picture_width + r.left + dx;
  gfx_set_fill_color(slot >= 0 && slot < SWATCH_COUNT ? swatch_colors[slot] : PANEL_BLACK);
  gfx_set_fill_style(FILL_SOLID, 0, nullptr);
  gfx_solid_rect(left, r.top + 9, left + 27, r.top + 23);
}

// A two-valued setting read defensively: any non-zero byte counts as 1.
int32_t flag(uint8_t value) { return value != 0 ? 1 : 0; }

}  // namespace

void draw_panel() {
  {
    IMAGE logo;
    gfx_load_picture(&logo, LOGO_FILE, 0, 0, false);
    gfx_put_image(picture_width + LOGO_X, LOGO_Y, &logo, SRCCOPY);
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
  for (int32_t row : VALUE_ROWS) draw_row_value(row);
  draw_all_swatches();
  draw_fill_sample();
  draw_outline_sample();
}

void draw_swatch(int32_t slot) {
  if (slot < 0 || slot >= SWATCH_COUNT) return;
  gfx_set_fill_style(FILL_SOLID, 0, nullptr);
  if (swatch_used[slot]) {
    gfx_set_fill_color(swatch_colors[slot]);
  } else {
    // An empty slot: white diagonal cross-hatch, the gaps in the background black.
    gfx_set_fill_color(PANEL_WHITE);
    gfx_set_fill_style(FILL_HATCHED, HATCH_DIAGONAL_CROSS, nullptr);
  }
  const PanelRow& r = panel_rows[SWATCH_ROW];
  const int32_t x0 = picture_width + r.left + 6 + SWATCH_PITCH_X * (slot % SWATCH_COLUMNS);
  const int32_t y0 = r.top + 28 + SWATCH_PITCH_Y * (slot / SWATCH_COLUMNS);
  gfx_solid_rect(x0 + 1, y0 + 1, x0 + 28, y0 + 14);
}

void draw_all_swatches() {
  for (int32_t slot = 0; slot < SWATCH_COUNT; ++slot) draw_swatch(slot);
}

void draw_outline_sample() { draw_sample(53, settings.outline_color_index); }

void draw_fill_sample() { draw_sample(127, settings.fill_color_index); }

void draw_value_box(int32_t row, const char* text) {
  if (row < 0 || row >= PANEL_ROW_COUNT) return;
  const PanelRow& r = panel_rows[row];
  gfx_set_fill_color(PANEL_BLACK);
  gfx_set_fill_style(FILL_SOLID, 0, nullptr);
  gfx_solid_rect(picture_width + r.left + 80, r.top + 5, picture_width + r.right - 10, r.bottom - 5);
  gfx_set_font(PANEL_FONT_HEIGHT, 0, texts::font_panel);
  gfx_set_text_color(PANEL_WHITE);
  gfx_text_at(picture_width + r.left + 80, r.top + 5, text != nullptr ? text : "");
}

void draw_row_value(int32_t row) {
  char text[20] = {};
  switch (row) {
    case 0:
      std::snprintf(text, sizeof text, "%d", settings.tolerance);
      break;
    case 1: {
      const int32_t index = settings.block_index;
      if (index >= 0 && index < BLOCK_SIZE_CAPACITY) std::snprintf(text, sizeof text, "%d", block_sizes[index]);
      break;
    }
    case 2:
      std::snprintf(text, sizeof text, "%s", distance_labels[flag(settings.distance_mode)]);
      break;
    case 3:
      std::snprintf(text, sizeof text, "%s", reference_labels[flag(settings.reference_mode)]);
      break;
    case 6:
      std::snprintf(text, sizeof text, "%s", include_labels[flag(settings.include_inner)]);
      break;
    case 8:
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
  frame_row(BACK_ROW);
  const bool at_newest = history_pos == history_newest || (history_pos + 1) % HISTORY_SLOTS == history_newest;
  gfx_set_line_color(at_newest ? PANEL_BLACK : FRAME_GREY);
  frame_row(FORWARD_ROW);
}
