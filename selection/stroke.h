#pragma once
#include <cstdint>

// Rebuilds the grid and block colours, grows the selection from every stroke point,
// finds the boundary and draws the outline.
void apply_stroke();
// Grows the selection by one ring of blocks (step > 0) or shrinks it by one
// (step < 0), finds the boundary again and draws the outline. As with apply_stroke,
// the caller erases the shown outline first.
void change_selection_by_ring(int32_t step);
// Paints the selection (or all it encloses, when include_inner is set) in the
// background swatch colour, marks it deleted and shows the picture.
void delete_selection();
