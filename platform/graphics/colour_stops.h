#pragma once
// ColourStops: the colours of a gradient at positions 0..1, shared by the gradient brushes.

#include <vector>

#include "platform/graphics/graphics_types.h"

struct _cairo_pattern;

namespace brevia::gfx {

struct ColourStop {
  float position = 0;  // 0 at the gradient's start, 1 at its end
  Argb colour = 0;
};

class ColourStops {
 public:
  // More stops than this are refused.
  static constexpr int kMaxStops = 4096;

  ColourStops(Argb start, Argb end) : stops_{{0.0f, start}, {1.0f, end}} {}

  // Positions must be finite and non-decreasing; they are clamped to 0..1. At least two stops.
  Status set(const ColourStop* stops, int count);
  void setEnds(Argb start, Argb end) { stops_ = {{0.0f, start}, {1.0f, end}}; }
  const std::vector<ColourStop>& stops() const { return stops_; }
  void addTo(_cairo_pattern* pattern) const;

 private:
  std::vector<ColourStop> stops_;
};

}  // namespace brevia::gfx
