#pragma once
#include <cstdint>

#include "app/editing_state.h"

// Neighbours are always visited top, right, bottom, left, each step paired with the
// edge bit of the side it crosses.
struct NeighbourStep {
  int32_t dcol;
  int32_t drow;
  int32_t edge_bit;
};
extern const NeighbourStep neighbour_steps[4];

// Grows selected_blocks / selected_map / selected_edges from the stroke's seed blocks.
void grow_selection();
// One ring of blocks more or less, from the selection the maps hold, rewriting
// selected_map / selected_blocks / selected_edges as growth does (seeds first, then the
// rest row by row); find_boundary must follow. Adding takes in every block that shares
// a side with the selection and is no wall (a deleted block while range_mode is 0).
// Removing takes away every selected block with a side on the grid border or on an
// unselected block, except the stroke's own blocks.
void add_selection_ring();
void remove_selection_ring();
// Fills outside_map from the grid border, then boundary_blocks / boundary_edges.
void find_boundary();
// Stores each listed block's edge word in `edges`; does not clear `edges` first.
void compute_edges(const BlockPos* list, int32_t count, const uint8_t* map, int32_t* edges, uint8_t inside_value);
