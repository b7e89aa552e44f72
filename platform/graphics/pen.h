#pragma once
// Pen: colour, width in world units (scaled by the world transform), caps, join, miter limit.
// A pen whose width maps to less than one device pixel still draws a line one pixel wide.

#include <vector>

#include "platform/graphics/graphics_types.h"

namespace brevia::gfx {

class Pen : public StatusHolder {
 public:
  explicit Pen(Argb colour, float width = 1.0f);

  Argb colour() const { return colour_; }
  void setColour(Argb colour) { colour_ = colour; }
  float width() const { return width_; }
  // InvalidParameter for a negative or non-finite width (the width stays).
  Status setWidth(float width);

  // Dashes: on and off lengths in world units (like the width), starting offset units into
  // the pattern. An empty pattern, or one whose lengths are all 0, draws solid lines; negative
  // or non-finite lengths give InvalidParameter (the pattern stays). Each dash gets the caps.
  Status setDashPattern(const std::vector<float>& lengths, float offset);
  const std::vector<float>& dashPattern() const { return dashes_; }
  float dashOffset() const { return dashOffset_; }

  // Start and end caps; the dash cap is accepted and has no effect (dashes take the start cap).
  // When start and end differ, both ends get the start cap.
  Status setLineCap(LineCap startCap, LineCap endCap, LineCap dashCap = LineCap::Flat);
  LineCap startCap() const { return startCap_; }
  LineCap endCap() const { return endCap_; }
  Status setLineJoin(LineJoin join);
  LineJoin lineJoin() const { return join_; }
  // Limits below 1 count as 1.
  Status setMiterLimit(float limit);
  float miterLimit() const { return miterLimit_; }

 private:
  Argb colour_;
  float width_ = 1.0f;
  LineCap startCap_ = LineCap::Flat;
  LineCap endCap_ = LineCap::Flat;
  LineJoin join_ = LineJoin::Miter;
  float miterLimit_ = 10.0f;
  std::vector<float> dashes_;
  float dashOffset_ = 0.0f;
};

}  // namespace brevia::gfx
