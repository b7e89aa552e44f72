#pragma once
// Geometry helpers shared inside platform/graphics: flattening Béziers and walking the figures of
// point/type arrays.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/graphics/graphics_types.h"

namespace brevia::gfx::detail {

// A curve never becomes more segments than this, however large it is.
constexpr int kMaxCurveSegments = 256;

// Segments that keep a flattened cubic within tolerance of the curve (1..kMaxCurveSegments).
int curveSegments(PointF p0, PointF p1, PointF p2, PointF p3, double tolerance);

// The cubic's point at t.
PointF cubicPoint(PointF p0, PointF p1, PointF p2, PointF p3, double t);

// A view of a path's points and types (already in valid figure form).
struct PathView {
  const PointF* points = nullptr;
  const uint8_t* types = nullptr;
  size_t count = 0;
};

// One flattened figure: polygon points and, for each, the parameter along the original path
// (index of the original point, plus a fraction within a curve).
struct FlatFigure {
  std::vector<PointF> points;
  std::vector<float> source;
  bool closed = false;
};

// Calls visit(const FlatFigure&) for every figure of the path, flattened within tolerance.
// Points may be mapped first through map(PointF) -> PointF.
template <typename Map, typename Visit>
void forEachFlatFigure(const PathView& path, double tolerance, Map map, Visit visit) {
  FlatFigure figure;
  auto flush = [&] {
    if (!figure.points.empty()) visit(static_cast<const FlatFigure&>(figure));
    figure.points.clear();
    figure.source.clear();
    figure.closed = false;
  };
  for (size_t i = 0; i < path.count; ++i) {
    uint8_t kind = path.types[i] & kPointTypeMask;
    if (kind == kPointStart) {
      flush();
      figure.points.push_back(map(path.points[i]));
      figure.source.push_back(float(i));
    } else if (kind == kPointBezier && i + 2 < path.count && !figure.points.empty()) {
      PointF p0 = figure.points.back();
      PointF p1 = map(path.points[i]), p2 = map(path.points[i + 1]), p3 = map(path.points[i + 2]);
      int n = curveSegments(p0, p1, p2, p3, tolerance);
      for (int k = 1; k <= n; ++k) {
        double t = double(k) / n;
        figure.points.push_back(k == n ? p3 : cubicPoint(p0, p1, p2, p3, t));
        figure.source.push_back(float(i - 1 + 3 * t));
      }
      i += 2;
    } else if (!figure.points.empty()) {
      figure.points.push_back(map(path.points[i]));
      figure.source.push_back(float(i));
    }
    if (path.types[i] & kPointCloseFlag) {
      figure.closed = true;
      flush();
    }
  }
  flush();
}

}  // namespace brevia::gfx::detail
