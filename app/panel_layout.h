#pragma once
// The tool panel's geometry in one place: its twelve rows by name, the table of their
// rectangles, and the boxes laid out inside them (value boxes, the swatch grid, the
// two colour samples, the logo). Drawing, hit testing and the snapshot restore all
// read it from here.
//
// x is relative to the panel's left edge, which is picture_width; y is absolute.
// Boxes are PixelBoxes, both corners included.
#include <cstdint>

#include "graphics/image.h"

inline constexpr int32_t PANEL_ROW_COUNT = 12;

// The rows, top to bottom, by what they do.
enum PanelRowName : int32_t {
  ROW_TOLERANCE,
  ROW_BLOCK_SIZE,
  ROW_DISTANCE,
  ROW_REFERENCE,
  ROW_SWATCHES,  // the two colour samples and the swatch grid
  ROW_TRANSFORM,
  ROW_INCLUDE,
  ROW_DELETE,
  ROW_RANGE,
  ROW_BACK,
  ROW_FORWARD,
  ROW_SAVE,
};
static_assert(ROW_SAVE + 1 == PANEL_ROW_COUNT);

// A row: the rectangle its frame is centred on (left and right relative to the
// panel's left edge) and the caption's offset inside it.
struct PanelRow {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  int32_t text_dx;
  int32_t text_dy;
};

// Indexed by PanelRowName.
inline constexpr PanelRow panel_rows[PANEL_ROW_COUNT] = {
    {20, 100, 180, 130, 10, 5},  {20, 150, 180, 180, 10, 5}, {20, 200, 180, 230, 10, 5},
    {20, 250, 180, 280, 10, 5},  {20, 300, 180, 430, 10, 5}, {20, 450, 180, 480, 50, 5},
    {20, 500, 180, 530, 10, 5},  {20, 550, 180, 580, 50, 5}, {20, 600, 180, 630, 10, 5},
    {20, 650, 90, 680, 20, 5},   {110, 650, 180, 680, 20, 5}, {20, 700, 180, 730, 50, 5},
};

// The rows that show a value in a box, in the order the whole panel draws them.
inline constexpr int32_t PANEL_VALUE_ROWS[] = {ROW_TOLERANCE, ROW_BLOCK_SIZE, ROW_DISTANCE,
                                               ROW_REFERENCE, ROW_INCLUDE,    ROW_RANGE};

// The logo's top-left corner.
inline constexpr int32_t PANEL_LOGO_X = 7;
inline constexpr int32_t PANEL_LOGO_Y = 15;

// The row under panel point (x, y), -1 for none. Strict on all four sides: a frame's
// own edge lines are no hit.
constexpr int32_t panel_row_at(int32_t x, int32_t y) {
  for (int32_t i = 0; i < PANEL_ROW_COUNT; ++i) {
    const PanelRow& r = panel_rows[i];
    if (r.left < x && x < r.right && r.top < y && y < r.bottom) return i;
  }
  return -1;
}

// A row's value box; the value's text cell starts at its top-left corner.
constexpr PixelBox panel_value_box(int32_t row) {
  const PanelRow& r = panel_rows[row];
  return {r.left + 80, r.top + 5, r.right - 10, r.bottom - 5};
}

// The swatch grid of ROW_SWATCHES: slot k in column k % SWATCH_COLUMNS and line
// k / SWATCH_COLUMNS, cells on a 30 x 16 pitch from the grid's corner (6, 28) inside
// the row. A swatch is the 28 x 14 pixels of its cell from (1, 1) to (28, 14).
inline constexpr int32_t SWATCH_COLUMNS = 5;
inline constexpr int32_t SWATCH_LINES = 6;
inline constexpr int32_t SWATCH_COUNT = SWATCH_COLUMNS * SWATCH_LINES;
inline constexpr int32_t SWATCH_GRID_DX = 6;
inline constexpr int32_t SWATCH_GRID_DY = 28;
inline constexpr int32_t SWATCH_PITCH_X = 30;
inline constexpr int32_t SWATCH_PITCH_Y = 16;

constexpr PixelBox panel_swatch_box(int32_t slot) {
  const PanelRow& r = panel_rows[ROW_SWATCHES];
  const int32_t x0 = r.left + SWATCH_GRID_DX + SWATCH_PITCH_X * (slot % SWATCH_COLUMNS);
  const int32_t y0 = r.top + SWATCH_GRID_DY + SWATCH_PITCH_Y * (slot / SWATCH_COLUMNS);
  return {x0 + 1, y0 + 1, x0 + 28, y0 + 14};
}

// The swatch under panel point (x, y), -1 for none: exactly the drawn pixels, so the
// gaps between swatches are no hit.
constexpr int32_t panel_swatch_at(int32_t x, int32_t y) {
  for (int32_t k = 0; k < SWATCH_COUNT; ++k) {
    if (panel_swatch_box(k).contains(x, y)) return k;
  }
  return -1;
}

// The two colour samples above the grid, 28 x 15 pixels each: the outline colour
// after the caption's first word, the background colour after its second.
inline constexpr PixelBox PANEL_OUTLINE_SAMPLE = {panel_rows[ROW_SWATCHES].left + 53, panel_rows[ROW_SWATCHES].top + 9,
                                                  panel_rows[ROW_SWATCHES].left + 80, panel_rows[ROW_SWATCHES].top + 23};
inline constexpr PixelBox PANEL_FILL_SAMPLE = {panel_rows[ROW_SWATCHES].left + 127, panel_rows[ROW_SWATCHES].top + 9,
                                               panel_rows[ROW_SWATCHES].left + 154, panel_rows[ROW_SWATCHES].top + 23};

static_assert(panel_swatch_box(0).left == 27 && panel_swatch_box(0).top == 329);
static_assert(panel_swatch_box(SWATCH_COUNT - 1).right == 174 && panel_swatch_box(SWATCH_COUNT - 1).bottom == 422);
static_assert(PANEL_OUTLINE_SAMPLE.left == 73 && PANEL_FILL_SAMPLE.right == 174 && PANEL_FILL_SAMPLE.bottom == 323);
