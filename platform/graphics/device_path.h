#pragma once
// Handing paths to cairo. Cairo keeps coordinates in 24.8 fixed point, so a path reaching far
// outside the drawing area would wrap around; such paths are flattened and clipped to the area
// first. Internal to platform/graphics.

#include <cairo.h>

#include <vector>

#include "platform/graphics/graphics_types.h"
#include "platform/graphics/matrix.h"
#include "platform/graphics/path_geometry.h"

namespace brevia::gfx::detail {

// Paths whose bounds stay within this distance of the drawing area go to cairo unchanged.
constexpr float kFarDistance = 1 << 21;
// Flatness, in device pixels, of curves that have to be clipped.
constexpr double kClipFlatness = 0.1;

// Maps count points through m into out, and their extent into bounds. InvalidParameter when a
// result is not finite.
Status mapPoints(const PointF* points, size_t count, const Matrix& m, std::vector<PointF>& out,
                 RectF& bounds);

// Appends the figures to cr's current path as they are.
void appendPath(cairo_t* cr, const PathView& path);

// Appends a device path for filling or clipping: as it is when bounds lie near area, else
// flattened, each figure clipped to area grown by margin (winding numbers inside are kept).
void appendFillPath(cairo_t* cr, const PathView& path, const RectF& bounds, const RectF& area);

// Appends a device path for filling or clipping inside box only: flattened, each figure clipped
// to box (winding numbers inside are kept), so that the cost follows what lies inside.
void appendCutFillPath(cairo_t* cr, const PathView& path, const RectF& box);

// Appends a device path for stroking: as it is when bounds lie near area, else flattened and
// cut to area grown by margin (which must cover the pen's reach).
void appendStrokePath(cairo_t* cr, const PathView& path, const RectF& bounds, const RectF& area,
                      float margin);

// True when bounds lie within kFarDistance of area.
bool isNear(const RectF& bounds, const RectF& area);

}  // namespace brevia::gfx::detail
