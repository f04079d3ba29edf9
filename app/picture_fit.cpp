#include "app/picture_fit.h"

#include <algorithm>

#include "app/editing_state.h"

PictureSize fitted_picture_size(int32_t width, int32_t height) {
  if (width <= MAX_PICTURE_WIDTH && height <= MAX_PICTURE_HEIGHT) return {width, height};
  const int64_t w = width;
  const int64_t h = height;
  PictureSize fitted;
  if (w * (1.0 / MAX_PICTURE_WIDTH) > static_cast<double>(h) / MAX_PICTURE_HEIGHT) {
    fitted = {MAX_PICTURE_WIDTH, static_cast<int32_t>(h * MAX_PICTURE_WIDTH / w)};
  } else {
    fitted = {static_cast<int32_t>(w * MAX_PICTURE_HEIGHT / h), MAX_PICTURE_HEIGHT};
  }
  // A very long, thin picture would otherwise lose its short side altogether.
  fitted.width = std::max(fitted.width, 1);
  fitted.height = std::max(fitted.height, 1);
  return fitted;
}
