#pragma once
// GraphWnd: the graphics window. Its IMAGE part is the window's backing image.
#include "graphics/image.h"

namespace Canvas {

class GraphWnd : public IMAGE {
 public:
  GraphWnd();
  ~GraphWnd() override;
  void reset_state() override;
  void resize(int32_t new_width, int32_t new_height) override;
};

}  // namespace Canvas
