#pragma once
// PathGradientBrush: colours varying from a centre point (centre colour) to the outline of a
// path (surround colours, one per path point, the last repeating). Along every line from the
// centre to the outline the colour changes linearly; outside the outline nothing is painted.

#include <vector>

#include "platform/graphics/brush.h"
#include "platform/graphics/graphics_path.h"

namespace brevia::gfx {

class PathGradientBrush : public GradientBrush {
 public:
  // The centre starts as the mean of the path's points; both colours start white.
  explicit PathGradientBrush(const GraphicsPath& path);
  // A closed polygon through count points.
  PathGradientBrush(const PointF* points, int count);

  PointF centrePoint() const { return centre_; }
  Status setCentrePoint(PointF centre);
  Argb centreColour() const { return centreColour_; }
  void setCentreColour(Argb colour);
  // count from 1 up to the path's point count.
  Status setSurroundColours(const Argb* colours, int count);
  const std::vector<Argb>& surroundColours() const { return surround_; }
  int pointCount() const { return path_.pointCount(); }

 private:
  _cairo_pattern* buildPattern() const override;
  Argb surroundAt(float source) const;

  GraphicsPath path_;
  PointF centre_;
  Argb centreColour_ = 0xFFFFFFFF;
  std::vector<Argb> surround_{0xFFFFFFFF};
};

}  // namespace brevia::gfx
