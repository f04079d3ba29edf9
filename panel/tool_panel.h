#pragma once
#include <cstdint>

void draw_panel();
void draw_swatch(int32_t slot);
void draw_all_swatches();
void draw_outline_sample();
void draw_fill_sample();
// `text` is NUL-terminated GBK, at most 19 bytes.
void draw_value_box(int32_t row, const char* text);
void draw_row_value(int32_t row);
void draw_history_buttons();
// A row's frame in the normal grey, or in the hover blue; sets the line colour and
// style for it.
void draw_row_frame(int32_t row, bool hovered);
