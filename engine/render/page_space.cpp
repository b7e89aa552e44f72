#include "engine/render/page_space.h"

void PageSpace::attach(Device* device) {
  if (device) {
    device_ = device;
    return;
  }
  none_.resetClip();
  none_.setTransform(brevia::gfx::Matrix());
  device_ = &none_;
}
