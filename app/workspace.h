#pragma once
#include <cstdint>

// Loads the dropped picture, opens the window beside the tool panel and gives the
// editing state its start values. Ends the program when the picture can't be read.
void setup_workspace(const char* path);

// Places a width x height picture at the window's left edge, centred vertically.
void place_picture(int32_t width, int32_t height);

// Gives the editing state the start values a fresh picture gets: the settings, the
// block sizes 1..80, the swatches in use, the counters, cleared maps, and the
// picture's and the window's pixel buffers.
void set_start_values();
