#pragma once
// RadialGradientBrush: colours varying between two circles; position 0 is the start circle,
// 1 the end circle, and the circles in between are interpolated. With extend on, the area
// beyond the ends takes the end colours; with it off, it is not painted.

#include "platform/graphics/brush.h"
#include "platform/graphics/colour_stops.h"

namespace brevia::gfx {

class RadialGradientBrush : public GradientBrush {
 public:
  // Negative or non-finite radii give status InvalidParameter and a brush that paints nothing.
  RadialGradientBrush(PointF startCentre, float startRadius, PointF endCentre, float endRadius,
                      Argb startColour, Argb endColour);

  Status setInterpolationColours(const ColourStop* stops, int count);
  const std::vector<ColourStop>& stops() const { return stops_.stops(); }
  void setExtend(bool extend);
  bool extend() const { return extend_; }

 private:
  _cairo_pattern* buildPattern() const override;
  bool valid() const;

  PointF startCentre_;
  float startRadius_;
  PointF endCentre_;
  float endRadius_;
  ColourStops stops_;
  bool extend_ = true;
};

}  // namespace brevia::gfx
