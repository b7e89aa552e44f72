#pragma once
// SolidBrush: one ARGB colour.

#include "platform/graphics/brush.h"

namespace brevia::gfx {

class SolidBrush : public Brush {
 public:
  explicit SolidBrush(Argb colour) : colour_(colour) {}

  Argb colour() const { return colour_; }
  void setColour(Argb colour) {
    if (colour != colour_) invalidate();
    colour_ = colour;
  }

 private:
  _cairo_pattern* buildPattern() const override;
  bool isSolid() const override { return true; }

  Argb colour_;
};

}  // namespace brevia::gfx
