#include "platform/graphics/colour_stops.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/graphics/cairo_util.h"

namespace brevia::gfx {

Status ColourStops::set(const ColourStop* stops, int count) {
  if (!stops || count < 2 || count > kMaxStops) return Status::InvalidParameter;
  float previous = -INFINITY;
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(stops[i].position) || stops[i].position < previous)
      return Status::InvalidParameter;
    previous = stops[i].position;
  }
  try {
    stops_.assign(stops, stops + count);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  for (ColourStop& stop : stops_) stop.position = std::clamp(stop.position, 0.0f, 1.0f);
  return Status::Ok;
}

void ColourStops::addTo(cairo_pattern_t* pattern) const {
  for (const ColourStop& stop : stops_) detail::addStop(pattern, stop.position, stop.colour);
}

}  // namespace brevia::gfx
