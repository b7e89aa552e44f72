#include "platform/graphics/radial_gradient_brush.h"

#include <cmath>

#include "platform/graphics/cairo_util.h"

namespace brevia::gfx {

RadialGradientBrush::RadialGradientBrush(PointF startCentre, float startRadius, PointF endCentre,
                                         float endRadius, Argb startColour, Argb endColour)
    : startCentre_(startCentre),
      startRadius_(startRadius),
      endCentre_(endCentre),
      endRadius_(endRadius),
      stops_(startColour, endColour) {
  if (!valid()) keep(Status::InvalidParameter);
}

bool RadialGradientBrush::valid() const {
  for (float v :
       {startCentre_.x, startCentre_.y, endCentre_.x, endCentre_.y, startRadius_, endRadius_})
    if (!std::isfinite(v)) return false;
  return startRadius_ >= 0 && endRadius_ >= 0;
}

Status RadialGradientBrush::setInterpolationColours(const ColourStop* stops, int count) {
  Status status = stops_.set(stops, count);
  if (status != Status::Ok) return keep(status);
  invalidate();
  return Status::Ok;
}

void RadialGradientBrush::setExtend(bool extend) {
  extend_ = extend;
  invalidate();
}

cairo_pattern_t* RadialGradientBrush::buildPattern() const {
  if (!valid()) return nullptr;
  cairo_pattern_t* pattern = cairo_pattern_create_radial(
      startCentre_.x, startCentre_.y, startRadius_, endCentre_.x, endCentre_.y, endRadius_);
  stops_.addTo(pattern);
  cairo_pattern_set_extend(pattern, extend_ ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
  applyTransform(pattern);
  return pattern;
}

}  // namespace brevia::gfx
