#pragma once
#include <cstdint>

#include "graphics/mouse_msg.h"

// Takes the next mouse message into current_msg and carries out what it asks of the
// tool panel. Returns in every case, also for messages over the picture.
void dispatch_input();

// Stores `msg` in current_msg and does for it what dispatch_input does once a message
// has arrived: hover frames, the undo/redo frames, any panel action and the keys (the
// shortcuts below; + or = grows the shown selection by one ring of blocks, - shrinks
// it). A growth setting changed under a shown outline grows the stroke again once no
// further message is queued, or before a message that looks at the selection.
void dispatch_message(const MOUSEMSG& msg);

// The panel row whose left click a key record stands for, -1 for none: Ctrl+Z back,
// Ctrl+Y and Ctrl+Shift+Z forward, Ctrl+S save, Delete the selection.
int32_t shortcut_row(const MOUSEMSG& msg);
