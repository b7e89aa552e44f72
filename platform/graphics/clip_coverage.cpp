#include "platform/graphics/clip_coverage.h"

#include <algorithm>

namespace brevia::gfx::detail {

namespace {

bool boxesMeet(float x0, float y0, float x1, float y1, const RectF& r) {
  return std::max(x0, x1) >= r.x && std::min(x0, x1) <= r.right() && std::max(y0, y1) >= r.y &&
         std::min(y0, y1) <= r.bottom();
}

// Whether the segment a-b passes through the closed rectangle (a's and b's box meet it).
bool segmentMeets(PointF a, PointF b, const RectF& r) {
  if (!boxesMeet(a.x, a.y, b.x, b.y, r)) return false;
  // The rectangle's corners all on one side of the segment's line: no meeting.
  const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  int above = 0, below = 0;
  for (const PointF c : {PointF{r.x, r.y}, PointF{r.right(), r.y}, PointF{r.x, r.bottom()},
                         PointF{r.right(), r.bottom()}}) {
    const double side = dx * (double(c.y) - a.y) - dy * (double(c.x) - a.x);
    above += side >= 0;
    below += side <= 0;
  }
  return above > 0 && below > 0;
}

// Winding of the edge a-b round point p (upward crossings to its left count +1).
int windingOf(PointF a, PointF b, PointF p) {
  const double side =
      (double(b.x) - a.x) * (double(p.y) - a.y) - (double(p.x) - a.x) * (double(b.y) - a.y);
  if (a.y <= p.y && b.y > p.y && side > 0) return 1;
  if (b.y <= p.y && a.y > p.y && side < 0) return -1;
  return 0;
}

}  // namespace

ClipCoverage rectCoverage(const DevicePath& path, const RectF& rect) {
  const RectF& b = path.bounds;
  if (b.right() < rect.x || b.x > rect.right() || b.bottom() < rect.y || b.y > rect.bottom())
    return ClipCoverage::Outside;
  const PointF centre{rect.x + rect.width / 2, rect.y + rect.height / 2};
  const std::size_t count = std::min(path.points.size(), path.types.size());
  int winding = 0;
  std::size_t start = 0;
  // Each edge either reaches the rectangle (Crossing) or adds to the winding round its centre;
  // a curve clear of the rectangle winds round it as its control polygon does.
  auto edge = [&](PointF a, PointF c) {
    if (segmentMeets(a, c, rect)) return false;
    winding += windingOf(a, c, centre);
    return true;
  };
  for (std::size_t i = 0; i < count; ++i) {
    const uint8_t kind = path.types[i] & kPointTypeMask;
    if (kind == kPointStart) {
      start = i;
    } else if (kind == kPointBezier && i + 2 < count && i > 0) {
      const PointF p0 = path.points[i - 1], p1 = path.points[i], p2 = path.points[i + 1],
                   p3 = path.points[i + 2];
      const float x0 = std::min({p0.x, p1.x, p2.x, p3.x}), x1 = std::max({p0.x, p1.x, p2.x, p3.x});
      const float y0 = std::min({p0.y, p1.y, p2.y, p3.y}), y1 = std::max({p0.y, p1.y, p2.y, p3.y});
      if (boxesMeet(x0, y0, x1, y1, rect)) return ClipCoverage::Crossing;
      winding += windingOf(p0, p1, centre) + windingOf(p1, p2, centre) + windingOf(p2, p3, centre);
      i += 2;
    } else if (i > 0 && !edge(path.points[i - 1], path.points[i])) {
      return ClipCoverage::Crossing;
    }
    // Figures close for filling: at the next start or the path's end.
    const bool last = i + 1 >= count || (path.types[i + 1] & kPointTypeMask) == kPointStart;
    if (last && i > start && !edge(path.points[i], path.points[start]))
      return ClipCoverage::Crossing;
  }
  const bool inside = path.fillMode == FillMode::Winding ? winding != 0 : (winding & 1) != 0;
  return inside ? ClipCoverage::Inside : ClipCoverage::Outside;
}

}  // namespace brevia::gfx::detail
