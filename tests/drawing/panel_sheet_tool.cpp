// Draws a test sheet of everything the tool panel is made of into an image and writes
// it as PNG, for looking at the raster and the text with one's own eyes:
//   panel_sheet_tool out.png
// Left: the panel twice, once with every setting's first value and once with its
// second (with the hover frame and one unavailable history button). Right: the six
// hatches, dash-dot lines, thin and thick frames, solid boxes, every tolerance value
// and the message texts.
#include <cstdio>
#include <string>

#include "app/editing_state.h"
#include "app/texts.h"
#include "drawing/gfx_drawing.h"
#include "drawing/text_faces.h"
#include "graphics/graph_context.h"
#include "platform/png_writer.h"

namespace {

constexpr int32_t kSheetWidth = 1200;
constexpr int32_t kSheetHeight = 768;
constexpr COLORREF kFrameGrey = 0x808080;
constexpr COLORREF kHoverBlue = 0xFF8000;
constexpr int32_t kFlatEnds = 0x200;
constexpr int32_t kDashDot = 3;

void value_box(int32_t panel_x, int32_t row, const char* text) {
  const PanelRow& r = panel_rows[row];
  gfx_set_fill_color(0x000000);
  gfx_set_fill_style(0, 0, nullptr);
  gfx_solid_rect(panel_x + r.left + 80, r.top + 5, panel_x + r.right - 10, r.bottom - 5);
  gfx_set_font(20, 0, texts::font_panel);
  gfx_set_text_color(0xFFFFFF);
  gfx_text_at(panel_x + r.left + 80, r.top + 5, text);
}

void swatches(int32_t panel_x, int32_t empty_from) {
  const int32_t x0 = panel_x + panel_rows[4].left + 6;
  const int32_t y0 = panel_rows[4].top + 28;
  for (int32_t k = 0; k < SWATCH_COUNT; ++k) {
    const int32_t c = k % 5;
    const int32_t r = k / 5;
    gfx_set_fill_style(0, 0, nullptr);
    if (k < empty_from) {
      gfx_set_fill_color(swatch_colors[k]);
    } else {
      gfx_set_fill_color(0xFFFFFF);
      gfx_set_fill_style(2, 5, nullptr);
    }
    gfx_solid_rect(x0 + 30 * c + 1, y0 + 16 * r + 1, x0 + 30 * c + 28, y0 + 16 * r + 14);
  }
  gfx_set_fill_style(0, 0, nullptr);
  gfx_set_fill_color(swatch_colors[21]);
  gfx_solid_rect(panel_x + 73, 309, panel_x + 100, 323);
  gfx_set_fill_color(swatch_colors[26]);
  gfx_solid_rect(panel_x + 147, 309, panel_x + 174, 323);
}

// One panel at x = panel_x, showing the values of setting index `which` (0 or 1).
void panel(int32_t panel_x, int which) {
  gfx_set_line_color(0xFFFFFF);
  gfx_set_line_style(kFlatEnds, 3, nullptr, 0);
  gfx_line(panel_x + 1, 0, panel_x + 1, kSheetHeight - 1);

  gfx_set_line_color(kFrameGrey);
  gfx_set_line_style(kFlatEnds, 5, nullptr, 0);
  gfx_set_font(20, 0, texts::font_panel);
  gfx_set_text_color(0xFFFFFF);
  for (int32_t row = 0; row < PANEL_ROW_COUNT; ++row) {
    const PanelRow& r = panel_rows[row];
    gfx_frame_rect(panel_x + r.left, r.top, panel_x + r.right, r.bottom);
    gfx_text_at(panel_x + r.left + r.text_dx, r.top + r.text_dy, panel_labels[row]);
  }
  value_box(panel_x, 0, which == 0 ? "255" : "0");
  value_box(panel_x, 1, which == 0 ? "80" : "1");
  value_box(panel_x, 2, texts::distance_labels[which]);
  value_box(panel_x, 3, texts::reference_labels[which]);
  value_box(panel_x, 6, texts::include_labels[which]);
  value_box(panel_x, 8, texts::range_labels[which]);
  swatches(panel_x, which == 0 ? 27 : 25);

  if (which == 1) {
    // The hover frame over a button, and the back button unavailable.
    const PanelRow& hover = panel_rows[5];
    gfx_set_line_color(kHoverBlue);
    gfx_frame_rect(panel_x + hover.left, hover.top, panel_x + hover.right, hover.bottom);
    const PanelRow& back = panel_rows[9];
    gfx_set_line_color(0x000000);
    gfx_frame_rect(panel_x + back.left, back.top, panel_x + back.right, back.bottom);
  }
}

void hatches(int32_t x, int32_t y) {
  gfx_set_line_color(kFrameGrey);
  gfx_set_line_style(0, 1, nullptr, 0);
  gfx_set_font(20, 0, texts::font_panel);
  for (int32_t kind = 0; kind < 6; ++kind) {
    const int32_t left = x + kind * 80;
    gfx_set_fill_color(kind % 2 == 0 ? 0xFFFFFF : 0x00FFFF);
    gfx_set_fill_style(2, kind, nullptr);
    gfx_solid_rect(left, y, left + 69, y + 49);
    gfx_frame_rect(left - 1, y - 1, left + 70, y + 50);
    gfx_text_at(left + 30, y + 54, std::to_string(kind).c_str());
  }
  gfx_set_fill_style(0, 0, nullptr);
}

void lines(int32_t x, int32_t y) {
  gfx_set_line_color(kHoverBlue);
  gfx_set_line_style(kDashDot, 1, nullptr, 0);
  gfx_line(x, y, x + 470, y);
  gfx_line(x, y + 10, x + 470, y + 60);
  gfx_line(x, y + 20, x, y + 120);
  gfx_line(x + 20, y + 120, x + 140, y + 20);
  // A selection-like outline made of block sides.
  gfx_set_line_color(0x00FFFF);
  const int32_t b = 12;
  const int32_t ox = x + 180;
  const int32_t oy = y + 40;
  gfx_line(ox, oy, ox + 4 * b, oy);
  gfx_line(ox + 4 * b, oy, ox + 4 * b, oy + 2 * b);
  gfx_line(ox + 4 * b, oy + 2 * b, ox + 6 * b, oy + 2 * b);
  gfx_line(ox + 6 * b, oy + 2 * b, ox + 6 * b, oy + 6 * b);
  gfx_line(ox + 6 * b, oy + 6 * b, ox, oy + 6 * b);
  gfx_line(ox, oy + 6 * b, ox, oy);

  // Thin and thick frames and solid boxes, corners included.
  gfx_set_line_color(0xFFFFFF);
  gfx_set_line_style(0, 1, nullptr, 0);
  gfx_frame_rect(x + 300, y + 30, x + 339, y + 69);
  gfx_set_line_color(kFrameGrey);
  gfx_set_line_style(kFlatEnds, 5, nullptr, 0);
  gfx_frame_rect(x + 360, y + 30, x + 399, y + 69);
  gfx_set_fill_color(0x0000FF);
  gfx_solid_rect(x + 420, y + 30, x + 459, y + 69);
  gfx_set_fill_color(0x00FF00);
  gfx_solid_rect(x + 459, y + 89, x + 420, y + 110);  // corners given in reverse
}

void tolerance_values(int32_t x, int32_t y) {
  gfx_set_font(20, 0, texts::font_panel);
  gfx_set_text_color(0xFFFFFF);
  gfx_set_bk_color(0x000000);
  for (int32_t value = 0; value <= 255; ++value) {
    gfx_text_at(x + (value % 16) * 44, y + (value / 16) * 22, std::to_string(value).c_str());
  }
}

void messages(int32_t x, int32_t y) {
  gfx_set_font(12, 0, texts::font_message);
  gfx_set_text_color(0xFFFFFF);
  const char* all[] = {texts::msg_bad_file_name, texts::msg_bad_arguments, texts::msg_second_instance,
                       texts::msg_unreadable_picture};
  for (int32_t i = 0; i < 4; ++i) gfx_text_at(x + (i % 2) * 240, y + (i / 2) * 16, all[i]);
  // Opaque text over colour shows the cell box; transparent text does not.
  gfx_set_fill_color(0x008000);
  gfx_solid_rect(x, y + 36, x + 470, y + 60);
  gfx_set_font(20, 0, texts::font_panel);
  gfx_set_bk_color(0x400000);
  gfx_text_at(x + 4, y + 38, texts::panel_labels[11]);
  gfx_set_bk_mode(BK_TRANSPARENT);
  gfx_text_at(x + 160, y + 38, texts::panel_labels[11]);
  gfx_set_bk_mode(BK_OPAQUE);
  gfx_set_bk_color(0x000000);
}

// Says which installed faces stand in for the program's fonts.
void report_faces() {
  const char* names[][2] = {{texts::font_panel, "panel font"}, {texts::font_message, "message font"},
                            {texts::font_system, "System"}};
  for (const auto& [face, what] : names) {
    const platform::FontFile file = platform::find_font_file(face_query(face));
    std::printf("%-12s -> %s (%s, face %d)\n", what, platform::font_family_name(file).c_str(), file.path.c_str(),
                file.index);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s out.png\n", argv[0]);
    return 2;
  }
  report_faces();
  IMAGE sheet(kSheetWidth, kSheetHeight);
  gfx_set_target(&sheet);
  panel(0, 0);
  panel(220, 1);
  hatches(470, 20);
  lines(470, 110);
  messages(470, 250);
  tolerance_values(470, 330);
  gfx_set_target(nullptr);
  if (!platform::write_png(argv[1], sheet.pixels, sheet.width, sheet.height)) {
    std::fprintf(stderr, "could not write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
