#pragma once
// GraphicsPath: figures of lines and cubic Béziers in world coordinates, with a fill mode.
// Points carry the point-type bytes of graphics_types.h (start 0, line 1, Bézier 3, 0x80 closes
// the figure). A figure starts with a start point; a Bézier takes three points after the
// previous one (two control points and the end).

#include <cstdint>
#include <vector>

#include "platform/graphics/graphics_types.h"
#include "platform/graphics/matrix.h"

namespace brevia::gfx {

class GraphicsPath : public StatusHolder {
 public:
  // Adding beyond this many points fails with OutOfMemory and leaves the path as it was.
  static constexpr int kMaxPoints = 8 * 1024 * 1024;

  explicit GraphicsPath(FillMode fillMode = FillMode::Alternate);
  // A path from points and point types. Type sequences that do not form valid figures are
  // repaired: a figure always begins with a start point, an incomplete Bézier becomes lines and
  // unknown types become lines. count < 0 or over kMaxPoints gives an empty path with status
  // InvalidParameter.
  GraphicsPath(const PointF* points, const uint8_t* types, int count,
               FillMode fillMode = FillMode::Alternate);

  // Adds a line to the current figure. When the figure is open and its last point is not
  // (x1, y1), a line to (x1, y1) joins them first; when it is (x1, y1), that point is not
  // repeated. After startFigure() or closeFigure() the line opens a new figure.
  Status addLine(float x1, float y1, float x2, float y2);
  Status addLine(PointF a, PointF b) { return addLine(a.x, a.y, b.x, b.y); }
  // Connected lines through count points (count >= 2).
  Status addLines(const PointF* points, int count);
  // A cubic Bézier from p1 with control points p2, p3 to p4, joined as addLine joins.
  Status addBezier(PointF p1, PointF p2, PointF p3, PointF p4);
  Status addBezier(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4) {
    return addBezier({x1, y1}, {x2, y2}, {x3, y3}, {x4, y4});
  }
  // Connected Béziers: count = 3k + 1 points.
  Status addBeziers(const PointF* points, int count);
  // A closed figure of its own: top-left, top-right, bottom-right, bottom-left.
  Status addRectangle(const RectF& rect);
  // A closed figure of its own through count points (count >= 2).
  Status addPolygon(const PointF* points, int count);

  // The next point added begins a new figure; the current one stays open.
  Status startFigure();
  // Closes the last figure (its last point gets the close flag), also when startFigure() came
  // in between; the next point added begins a new figure.
  Status closeFigure();
  // Empties the path and sets the fill mode back to alternate.
  Status reset();

  FillMode fillMode() const { return fillMode_; }
  Status setFillMode(FillMode mode);

  int pointCount() const { return int(points_.size()); }
  bool isEmpty() const { return points_.empty(); }
  const std::vector<PointF>& points() const { return points_; }
  const std::vector<uint8_t>& types() const { return types_; }
  // InvalidParameter when the path is empty.
  Status getLastPoint(PointF& point) const;

  // Tight bounds of the outline (Bézier extremes, not control points), after mapping through
  // matrix when one is given. Empty rectangle for an empty path.
  RectF bounds(const Matrix* matrix = nullptr) const;
  // Maps every point through matrix.
  Status transform(const Matrix& matrix);

  GraphicsPath clone() const { return *this; }

 private:
  // Appends the first point of a segment: opens a figure, or joins the open one.
  bool beginSegment(PointF first);
  bool reserveFor(int extra);

  std::vector<PointF> points_;
  std::vector<uint8_t> types_;
  FillMode fillMode_;
  bool newFigure_ = true;
};

}  // namespace brevia::gfx
