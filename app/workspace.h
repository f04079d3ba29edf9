#pragma once

// Loads the dropped picture, opens the window beside the tool panel and gives the
// editing state its start values. Ends the program when the picture can't be read.
void setup_workspace(const char* path);

// Gives the editing state the start values a fresh picture gets: the settings, the
// block sizes 1..80, the swatches in use, the counters, cleared maps, and the
// picture's and the window's pixel buffers.
void set_start_values();
