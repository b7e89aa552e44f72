#pragma once
// LinearGradientBrush: colours varying along the line from start to end, constant across it.
// Outside the two ends the wrap mode repeats (Tile, the default), mirrors (TileFlip*) or pads
// with the end colours (Clamp).

#include "platform/graphics/brush.h"
#include "platform/graphics/colour_stops.h"

namespace brevia::gfx {

class LinearGradientBrush : public GradientBrush {
 public:
  // Equal start and end points give status InvalidParameter and a brush that paints nothing.
  LinearGradientBrush(PointF start, PointF end, Argb startColour, Argb endColour);

  PointF start() const { return start_; }
  PointF end() const { return end_; }
  // Replaces the two colours by stops along the line.
  Status setInterpolationColours(const ColourStop* stops, int count);
  const std::vector<ColourStop>& stops() const { return stops_.stops(); }
  Status setWrapMode(WrapMode mode);
  WrapMode wrapMode() const { return wrap_; }

 private:
  _cairo_pattern* buildPattern() const override;

  PointF start_;
  PointF end_;
  ColourStops stops_;
  WrapMode wrap_ = WrapMode::Tile;
};

}  // namespace brevia::gfx
