#pragma once
// Where a device rectangle lies against a clip path, so that a drawing need not be clipped by a
// path that holds it whole (and is not drawn at all outside one). Internal to platform/graphics.

#include <cstdint>

#include "platform/graphics/graphics_types.h"
#include "platform/graphics/region_raster.h"

namespace brevia::gfx::detail {

enum class ClipCoverage : uint8_t { Inside, Outside, Crossing };

// Inside or Outside when no edge of the path (closing edges included) reaches into rect, by the
// path's fill mode; Crossing otherwise. Curves count by the box of their control points, so a
// curve near the rectangle gives Crossing. The cost follows the path's size.
ClipCoverage rectCoverage(const DevicePath& path, const RectF& rect);

}  // namespace brevia::gfx::detail
