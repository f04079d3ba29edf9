#pragma once

void save_snapshot();
void undo_snapshot();
void redo_snapshot();
