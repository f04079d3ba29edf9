#include "panel/live_regrowth.h"

#include "app/editing_state.h"
#include "selection/outline.h"
#include "selection/stroke.h"

namespace {
constexpr uint8_t GROW_AGAIN = 1;
constexpr uint8_t REBUILD_GRID = 2;
}  // namespace

void hold_outline_for_regrowth(bool grid_changes) {
  if (!settings.outline_shown) return;
  // The outline goes while its grid is current; it stays "shown" for everything else:
  // the stroke and all its points are kept, and the new outline comes with the growth.
  if (!regrowth_waiting) erase_outline();
  const uint8_t need = grid_changes ? REBUILD_GRID : GROW_AGAIN;
  if (need > regrowth_waiting) regrowth_waiting = need;
}

void finish_regrowth() {
  const uint8_t need = regrowth_waiting;
  regrowth_waiting = 0;
  // While an outline is shown nothing else has touched the picture, its deleted
  // pixels or the stroke, so the grid of the last growth still holds unless the block
  // size or the picture range changed.
  if (need == REBUILD_GRID) {
    apply_stroke();
  } else if (need == GROW_AGAIN) {
    regrow_on_current_grid();
  }
}
