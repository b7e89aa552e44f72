#include "platform/graphics/path_geometry.h"

#include <algorithm>
#include <cmath>

namespace brevia::gfx::detail {

int curveSegments(PointF p0, PointF p1, PointF p2, PointF p3, double tolerance) {
  // Wang's bound: n = sqrt(3/4 · max |second difference| / tolerance).
  double ax = double(p0.x) - 2.0 * p1.x + p2.x, ay = double(p0.y) - 2.0 * p1.y + p2.y;
  double bx = double(p1.x) - 2.0 * p2.x + p3.x, by = double(p1.y) - 2.0 * p2.y + p3.y;
  double dd = std::max(std::hypot(ax, ay), std::hypot(bx, by));
  if (!(tolerance > 0)) tolerance = 0.1;
  double n = std::ceil(std::sqrt(0.75 * dd / tolerance));
  if (!(n >= 1)) return 1;  // also catches NaN
  return int(std::min(n, double(kMaxCurveSegments)));
}

PointF cubicPoint(PointF p0, PointF p1, PointF p2, PointF p3, double t) {
  double u = 1 - t;
  double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
  return {float(w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x),
          float(w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y)};
}

}  // namespace brevia::gfx::detail
