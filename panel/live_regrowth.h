#pragma once
// A setting that decides growth (tolerance, block size, distance rule, reference,
// picture range) changed while an outline is shown: the stroke grows again with the
// new value and its outline takes the old one's place. Growing waits until the
// queued messages have been taken, so that wheel notches which come faster than
// growth all count and only the last value is grown.

// Call just before such a setting changes: erases the shown outline while the grid it
// lies on is still current and notes that the stroke must grow again, on a rebuilt
// grid when `grid_changes` (block size, picture range). Does nothing without an
// outline.
void hold_outline_for_regrowth(bool grid_changes);
// Grows the stroke again with the settings in force and draws its outline, when it
// waits for that.
void finish_regrowth();
