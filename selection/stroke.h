#pragma once
#include <cstdint>

// Rebuilds the grid and block colours, grows the selection from every stroke point,
// finds the boundary and draws the outline.
void apply_stroke();
// apply_stroke on the grid it last built, for settings that leave the grid, the
// block colours and the stroke's blocks as they are (tolerance, distance rule,
// reference): the same selection and outline, without going over the pixels again.
void regrow_on_current_grid();
// Grows the selection by one ring of blocks (step > 0) or shrinks it by one
// (step < 0), finds the boundary again and draws the outline. As with apply_stroke,
// the caller erases the shown outline first.
void change_selection_by_ring(int32_t step);
// Paints the selection (or all it encloses, when include_inner is set) in the
// background swatch colour, marks it deleted and shows the picture.
void delete_selection();
