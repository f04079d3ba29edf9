#pragma once

// Rebuilds the grid and block colours, grows the selection from every stroke point,
// finds the boundary and draws the outline.
void apply_stroke();
// Paints the selection (or all it encloses, when include_inner is set) in the
// background swatch colour, marks it deleted and shows the picture.
void delete_selection();
