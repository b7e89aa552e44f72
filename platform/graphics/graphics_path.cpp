#include "platform/graphics/graphics_path.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/graphics/path_geometry.h"

namespace brevia::gfx {

namespace {

struct Extent {
  float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  void add(PointF p) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
};

// Values of t in (0, 1) where one coordinate of the cubic a, b, c, d has an extreme.
int cubicExtremes(double a, double b, double c, double d, double out[2]) {
  // Derivative / 3: (b - a)(1-t)² + 2(c - b)(1-t)t + (d - c)t², as qa t² + qb t + qc.
  double qa = -a + 3 * b - 3 * c + d;
  double qb = 2 * (a - 2 * b + c);
  double qc = b - a;
  int n = 0;
  auto push = [&](double t) {
    if (t > 0 && t < 1) out[n++] = t;
  };
  if (std::fabs(qa) < 1e-12) {
    if (std::fabs(qb) > 1e-12) push(-qc / qb);
    return n;
  }
  double disc = qb * qb - 4 * qa * qc;
  if (disc < 0) return 0;
  double root = std::sqrt(disc);
  push((-qb + root) / (2 * qa));
  push((-qb - root) / (2 * qa));
  return n;
}

}  // namespace

GraphicsPath::GraphicsPath(FillMode fillMode)
    : fillMode_(fillMode == FillMode::Winding ? FillMode::Winding : FillMode::Alternate) {}

GraphicsPath::GraphicsPath(const PointF* points, const uint8_t* types, int count, FillMode fillMode)
    : GraphicsPath(fillMode) {
  if (count < 0 || count > kMaxPoints || (count > 0 && (!points || !types))) {
    keep(Status::InvalidParameter);
    return;
  }
  if (!reserveFor(count)) {
    keep(Status::OutOfMemory);
    return;
  }
  bool figureOpen = false;
  for (int i = 0; i < count;) {
    uint8_t kind = types[i] & kPointTypeMask;
    uint8_t close = types[i] & kPointCloseFlag;
    if (!figureOpen || kind == kPointStart) {
      points_.push_back(points[i]);
      types_.push_back(kPointStart | close);
      figureOpen = !close;
      ++i;
      continue;
    }
    bool bezier = kind == kPointBezier && i + 2 < count &&
                  (types[i + 1] & kPointTypeMask) == kPointBezier &&
                  (types[i + 2] & kPointTypeMask) == kPointBezier;
    int take = bezier ? 3 : 1;
    for (int k = 0; k < take; ++k) {
      points_.push_back(points[i + k]);
      types_.push_back(bezier ? kPointBezier : kPointLine);
    }
    uint8_t lastClose = types[i + take - 1] & kPointCloseFlag;
    types_.back() |= lastClose;
    if (lastClose) figureOpen = false;
    i += take;
  }
  newFigure_ = !figureOpen;
}

bool GraphicsPath::reserveFor(int extra) {
  size_t needed = points_.size() + size_t(extra);
  if (needed > size_t(kMaxPoints)) return false;
  if (needed <= points_.capacity() && needed <= types_.capacity()) return true;
  size_t target = std::min(std::max(needed, points_.capacity() * 2), size_t(kMaxPoints));
  try {
    points_.reserve(target);
    types_.reserve(target);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool GraphicsPath::beginSegment(PointF first) {
  if (newFigure_ || points_.empty() || (types_.back() & kPointCloseFlag)) {
    points_.push_back(first);
    types_.push_back(kPointStart);
    newFigure_ = false;
    return true;
  }
  if (!(points_.back() == first)) {
    points_.push_back(first);
    types_.push_back(kPointLine);
  }
  return true;
}

Status GraphicsPath::addLine(float x1, float y1, float x2, float y2) {
  if (!reserveFor(3)) return keep(Status::OutOfMemory);
  beginSegment({x1, y1});
  points_.push_back({x2, y2});
  types_.push_back(kPointLine);
  return Status::Ok;
}

Status GraphicsPath::addLines(const PointF* points, int count) {
  if (!points || count < 2) return keep(Status::InvalidParameter);
  if (count > kMaxPoints || !reserveFor(count + 1)) return keep(Status::OutOfMemory);
  beginSegment(points[0]);
  for (int i = 1; i < count; ++i) {
    points_.push_back(points[i]);
    types_.push_back(kPointLine);
  }
  return Status::Ok;
}

Status GraphicsPath::addBezier(PointF p1, PointF p2, PointF p3, PointF p4) {
  if (!reserveFor(5)) return keep(Status::OutOfMemory);
  beginSegment(p1);
  for (PointF p : {p2, p3, p4}) {
    points_.push_back(p);
    types_.push_back(kPointBezier);
  }
  return Status::Ok;
}

Status GraphicsPath::addBeziers(const PointF* points, int count) {
  if (!points || count < 4 || (count - 1) % 3 != 0) return keep(Status::InvalidParameter);
  if (count > kMaxPoints || !reserveFor(count + 1)) return keep(Status::OutOfMemory);
  beginSegment(points[0]);
  for (int i = 1; i < count; ++i) {
    points_.push_back(points[i]);
    types_.push_back(kPointBezier);
  }
  return Status::Ok;
}

Status GraphicsPath::addRectangle(const RectF& rect) {
  PointF corners[4] = {{rect.x, rect.y},
                       {rect.x + rect.width, rect.y},
                       {rect.x + rect.width, rect.y + rect.height},
                       {rect.x, rect.y + rect.height}};
  return addPolygon(corners, 4);
}

Status GraphicsPath::addPolygon(const PointF* points, int count) {
  if (!points || count < 2) return keep(Status::InvalidParameter);
  if (count > kMaxPoints || !reserveFor(count)) return keep(Status::OutOfMemory);
  points_.push_back(points[0]);
  types_.push_back(kPointStart);
  for (int i = 1; i < count; ++i) {
    points_.push_back(points[i]);
    types_.push_back(kPointLine);
  }
  types_.back() |= kPointCloseFlag;
  newFigure_ = true;
  return Status::Ok;
}

Status GraphicsPath::startFigure() {
  newFigure_ = true;
  return Status::Ok;
}

Status GraphicsPath::closeFigure() {
  // After startFigure() this still closes the last figure that has points.
  if (!points_.empty()) types_.back() |= kPointCloseFlag;
  newFigure_ = true;
  return Status::Ok;
}

Status GraphicsPath::reset() {
  points_.clear();
  types_.clear();
  fillMode_ = FillMode::Alternate;
  newFigure_ = true;
  return Status::Ok;
}

Status GraphicsPath::setFillMode(FillMode mode) {
  if (mode != FillMode::Alternate && mode != FillMode::Winding)
    return keep(Status::InvalidParameter);
  fillMode_ = mode;
  return Status::Ok;
}

Status GraphicsPath::getLastPoint(PointF& point) const {
  if (points_.empty()) return keep(Status::InvalidParameter);
  point = points_.back();
  return Status::Ok;
}

RectF GraphicsPath::bounds(const Matrix* matrix) const {
  Extent e;
  size_t n = points_.size();
  auto at = [&](size_t i) { return matrix ? matrix->transformPoint(points_[i]) : points_[i]; };
  PointF previous{};
  for (size_t i = 0; i < n; ++i) {
    uint8_t kind = types_[i] & kPointTypeMask;
    if (kind == kPointBezier && i > 0 && i + 2 < n) {
      PointF p0 = previous, p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
      e.add(p3);
      double ts[2];
      int count = cubicExtremes(p0.x, p1.x, p2.x, p3.x, ts);
      for (int k = 0; k < count; ++k) e.add(detail::cubicPoint(p0, p1, p2, p3, ts[k]));
      count = cubicExtremes(p0.y, p1.y, p2.y, p3.y, ts);
      for (int k = 0; k < count; ++k) e.add(detail::cubicPoint(p0, p1, p2, p3, ts[k]));
      previous = p3;
      i += 2;
      continue;
    }
    previous = at(i);
    e.add(previous);
  }
  if (!(e.minX <= e.maxX && e.minY <= e.maxY)) return RectF{};
  return RectF{e.minX, e.minY, e.maxX - e.minX, e.maxY - e.minY};
}

Status GraphicsPath::transform(const Matrix& matrix) {
  matrix.transformPoints(points_.data(), int(points_.size()));
  return Status::Ok;
}

}  // namespace brevia::gfx
