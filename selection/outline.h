#pragma once
#include <cstdint>

#include "app/editing_state.h"

// Draws the dash-dot outline of a block list along the sides its edge words name.
void draw_outline(const BlockPos* list, int32_t count, const int32_t* edges);
// Puts the picture's own pixels back over every side the last outline could cover.
void erase_outline();
