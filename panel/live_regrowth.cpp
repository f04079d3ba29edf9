#include "panel/live_regrowth.h"

#include "app/editing_state.h"
#include "selection/outline.h"
#include "selection/stroke.h"

void hold_outline_for_regrowth() {
  if (!settings.outline_shown || regrowth_waiting) return;
  erase_outline();
  // The outline stays "shown" for everything else: the stroke and all its points are
  // kept, and the new outline comes with the next growth.
  regrowth_waiting = 1;
}

void finish_regrowth() {
  if (!regrowth_waiting) return;
  regrowth_waiting = 0;
  apply_stroke();
}
