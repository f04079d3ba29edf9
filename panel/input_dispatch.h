#pragma once

// Takes the next mouse message into current_msg and carries out what it asks of the
// tool panel. Returns in every case, also for messages over the picture.
void dispatch_input();
