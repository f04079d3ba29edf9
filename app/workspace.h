#pragma once

// Loads the dropped picture, opens the window beside the tool panel and gives the
// editing state its start values. Ends the program when the picture can't be read.
void setup_workspace(const char* path);
