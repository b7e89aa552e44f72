#include "platform/graphics/linear_gradient_brush.h"

#include <cmath>

#include "platform/graphics/cairo_util.h"

namespace brevia::gfx {

LinearGradientBrush::LinearGradientBrush(PointF start, PointF end, Argb startColour, Argb endColour)
    : start_(start), end_(end), stops_(startColour, endColour) {
  bool finite = std::isfinite(start.x) && std::isfinite(start.y) && std::isfinite(end.x) &&
                std::isfinite(end.y);
  if (!finite || start == end) keep(Status::InvalidParameter);
}

Status LinearGradientBrush::setInterpolationColours(const ColourStop* stops, int count) {
  Status status = stops_.set(stops, count);
  if (status != Status::Ok) return keep(status);
  invalidate();
  return Status::Ok;
}

Status LinearGradientBrush::setWrapMode(WrapMode mode) {
  if (int(mode) < 0 || int(mode) > int(WrapMode::Clamp)) return keep(Status::InvalidParameter);
  wrap_ = mode;
  invalidate();
  return Status::Ok;
}

cairo_pattern_t* LinearGradientBrush::buildPattern() const {
  if (start_ == end_ || !std::isfinite(start_.x) || !std::isfinite(start_.y) ||
      !std::isfinite(end_.x) || !std::isfinite(end_.y))
    return nullptr;
  cairo_pattern_t* pattern = cairo_pattern_create_linear(start_.x, start_.y, end_.x, end_.y);
  stops_.addTo(pattern);
  cairo_extend_t extend = CAIRO_EXTEND_REFLECT;
  if (wrap_ == WrapMode::Tile) extend = CAIRO_EXTEND_REPEAT;
  if (wrap_ == WrapMode::Clamp) extend = CAIRO_EXTEND_PAD;
  cairo_pattern_set_extend(pattern, extend);
  applyTransform(pattern);
  return pattern;
}

}  // namespace brevia::gfx
