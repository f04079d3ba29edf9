#pragma once
// The cut-out PNG: the picture with the colour transform in force, transparent where
// the user deleted, its edges refined by the edge matte. It is written at the dropped
// picture's own size, read again from the dropped file, as long as that file is still
// the one that was opened; otherwise at the size shown.
#include <cstdint>

enum class CutoutSize {
  own,           // the picture's own size (also when it was shown at that size)
  shown_instead  // the file changed, vanished or no longer decodes: the size shown
};

struct CutoutResult {
  bool written = false;
  CutoutSize size = CutoutSize::own;
};

// Told how far the save has come, 0 to 1, now and then.
using SaveProgress = void (*)(double done);

// Writes the cut-out to `path`, which must not exist yet; a failed write leaves no
// file. Scratch data, when a picture must be turned, goes to the cache folder.
CutoutResult write_cutout_png(const char* path, SaveProgress progress);
