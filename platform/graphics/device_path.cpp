#include "platform/graphics/device_path.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace brevia::gfx::detail {

namespace {

RectF grow(const RectF& r, float by) {
  return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by};
}

// One Sutherland–Hodgman pass: keeps the side of an axis line where inside() holds.
template <typename Inside, typename Cross>
void clipPass(const std::vector<PointF>& in, std::vector<PointF>& out, Inside inside, Cross cross) {
  out.clear();
  size_t n = in.size();
  for (size_t i = 0; i < n; ++i) {
    PointF a = in[i], b = in[(i + 1) % n];
    bool ina = inside(a), inb = inside(b);
    if (ina) out.push_back(a);
    if (ina != inb) out.push_back(cross(a, b));
  }
}

void clipPolygon(std::vector<PointF>& poly, std::vector<PointF>& work, const RectF& box) {
  float x0 = box.x, x1 = box.right(), y0 = box.y, y1 = box.bottom();
  auto atX = [](PointF a, PointF b, float x) {
    double t = (double(x) - a.x) / (double(b.x) - a.x);
    return PointF{x, float(a.y + t * (double(b.y) - a.y))};
  };
  auto atY = [](PointF a, PointF b, float y) {
    double t = (double(y) - a.y) / (double(b.y) - a.y);
    return PointF{float(a.x + t * (double(b.x) - a.x)), y};
  };
  clipPass(
      poly, work, [&](PointF p) { return p.x >= x0; },
      [&](PointF a, PointF b) { return atX(a, b, x0); });
  clipPass(
      work, poly, [&](PointF p) { return p.x <= x1; },
      [&](PointF a, PointF b) { return atX(a, b, x1); });
  clipPass(
      poly, work, [&](PointF p) { return p.y >= y0; },
      [&](PointF a, PointF b) { return atY(a, b, y0); });
  clipPass(
      work, poly, [&](PointF p) { return p.y <= y1; },
      [&](PointF a, PointF b) { return atY(a, b, y1); });
}

// Liang–Barsky: cuts segment a–b to box; false when nothing is left.
bool clipSegment(PointF& a, PointF& b, const RectF& box) {
  double t0 = 0, t1 = 1;
  double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {double(a.x) - box.x, double(box.right()) - a.x, double(a.y) - box.y,
                       double(box.bottom()) - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    double r = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, r);
    else
      t1 = std::min(t1, r);
    if (t0 > t1) return false;
  }
  PointF start{float(a.x + t0 * dx), float(a.y + t0 * dy)};
  PointF end{float(a.x + t1 * dx), float(a.y + t1 * dy)};
  a = start;
  b = end;
  return true;
}

}  // namespace

Status mapPoints(const PointF* points, size_t count, const Matrix& m, std::vector<PointF>& out,
                 RectF& bounds) {
  try {
    out.resize(count);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (size_t i = 0; i < count; ++i) {
    PointF p = m.transformPoint(points[i]);
    out[i] = p;
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  // Comparisons with NaN are false, so a NaN anywhere leaves the bounds non-finite.
  bool finite = true;
  for (size_t i = 0; i < count && finite; ++i)
    finite = std::isfinite(out[i].x) && std::isfinite(out[i].y);
  if (!finite) return Status::InvalidParameter;
  bounds = count ? RectF{minX, minY, maxX - minX, maxY - minY} : RectF{};
  return Status::Ok;
}

void appendPath(cairo_t* cr, const PathView& path) {
  const PointF* pts = path.points;
  for (size_t i = 0; i < path.count; ++i) {
    uint8_t kind = path.types[i] & kPointTypeMask;
    if (kind == kPointStart) {
      cairo_move_to(cr, pts[i].x, pts[i].y);
    } else if (kind == kPointBezier && i + 2 < path.count) {
      cairo_curve_to(cr, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, pts[i + 2].x,
                     pts[i + 2].y);
      i += 2;
    } else {
      cairo_line_to(cr, pts[i].x, pts[i].y);
    }
    if (path.types[i] & kPointCloseFlag) cairo_close_path(cr);
  }
}

bool isNear(const RectF& bounds, const RectF& area) {
  return bounds.x >= area.x - kFarDistance && bounds.y >= area.y - kFarDistance &&
         bounds.right() <= area.right() + kFarDistance &&
         bounds.bottom() <= area.bottom() + kFarDistance;
}

void appendFillPath(cairo_t* cr, const PathView& path, const RectF& bounds, const RectF& area) {
  if (isNear(bounds, area)) {
    appendPath(cr, path);
    return;
  }
  appendCutFillPath(cr, path, grow(area, 2));
}

void appendCutFillPath(cairo_t* cr, const PathView& path, const RectF& box) {
  std::vector<PointF> polygon, work;
  forEachFlatFigure(
      path, kClipFlatness, [](PointF p) { return p; },
      [&](const FlatFigure& figure) {
        polygon = figure.points;
        work.reserve(polygon.size() * 2);
        clipPolygon(polygon, work, box);
        if (polygon.size() < 3) return;
        cairo_move_to(cr, polygon[0].x, polygon[0].y);
        for (size_t i = 1; i < polygon.size(); ++i) cairo_line_to(cr, polygon[i].x, polygon[i].y);
        cairo_close_path(cr);
      });
}

void appendStrokePath(cairo_t* cr, const PathView& path, const RectF& bounds, const RectF& area,
                      float margin) {
  if (isNear(bounds, area)) {
    appendPath(cr, path);
    return;
  }
  RectF box = grow(area, margin + 2);
  forEachFlatFigure(
      path, kClipFlatness, [](PointF p) { return p; },
      [&](const FlatFigure& figure) {
        const std::vector<PointF>& pts = figure.points;
        size_t n = pts.size();
        size_t segments = figure.closed ? n : n - 1;
        bool penDown = false;
        PointF last{};
        for (size_t i = 0; i < segments; ++i) {
          PointF a = pts[i], b = pts[(i + 1) % n];
          if (!clipSegment(a, b, box)) {
            penDown = false;
            continue;
          }
          if (!penDown || !(a == last)) cairo_move_to(cr, a.x, a.y);
          cairo_line_to(cr, b.x, b.y);
          penDown = true;
          last = b;
        }
      });
}

}  // namespace brevia::gfx::detail
