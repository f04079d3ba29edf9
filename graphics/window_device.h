#pragma once
// DrawOnWnd: the device that is current while the window is the target. It draws
// into the window's backing image like DrawOnImg and lets the window show it.
#include "drawing/image_device.h"

namespace Canvas {

class DrawOnWnd : public DrawOnImg {
 public:
  ~DrawOnWnd() override;
};

}  // namespace Canvas
