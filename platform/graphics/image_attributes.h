#pragma once
// ImageAttributes: how drawImage treats the pixels it draws. Only the alpha scale of the colour
// matrix (its element [3][3]) is used by the drawing code, so that is all it holds.

#include <cmath>

#include "platform/graphics/graphics_types.h"

namespace brevia::gfx {

class ImageAttributes : public StatusHolder {
 public:
  // Every drawn pixel's alpha is multiplied by factor (clamped to 0..1).
  Status setAlphaFactor(float factor) {
    if (std::isnan(factor)) return keep(Status::InvalidParameter);
    alpha_ = factor < 0 ? 0 : (factor > 1 ? 1 : factor);
    return Status::Ok;
  }
  float alphaFactor() const { return alpha_; }
  void reset() { alpha_ = 1.0f; }

 private:
  float alpha_ = 1.0f;
};

}  // namespace brevia::gfx
