#pragma once
#include <cstdint>

struct PictureSize {
  int32_t width;
  int32_t height;
};

// The size a loaded picture is shown at: its own when it fits 1024 x 768, otherwise
// scaled down keeping its aspect ratio along the tighter limit (the height on a tie).
// A side that would round down to 0 gets 1.
PictureSize fitted_picture_size(int32_t width, int32_t height);
