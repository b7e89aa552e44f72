#pragma once
// TextureBrush: a bitmap repeated without end in both directions. The brush transform places
// the bitmap: it maps bitmap pixels (0, 0)-(width, height) to world coordinates.

#include "platform/graphics/bitmap.h"
#include "platform/graphics/brush.h"

namespace brevia::gfx {

class TextureBrush : public GradientBrush {
 public:
  // The bitmap must outlive the brush. An invalid bitmap gives InvalidParameter and a brush
  // that paints nothing.
  explicit TextureBrush(const Bitmap& bitmap,
                        InterpolationMode interpolation = InterpolationMode::Bilinear);

 private:
  _cairo_pattern* buildPattern() const override;

  const Bitmap& bitmap_;
  InterpolationMode interpolation_;
};

}  // namespace brevia::gfx
