// Fills under path clips: clips that hold a fill whole are left out, large outlines crossing it
// are cut to its area, fills outside a clip are not drawn; the pixels stay those of the full clip.

#include "platform/graphics/clip_coverage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/graphics/solid_brush.h"
#include "tests/platform/graphics/canvas.h"

namespace brevia::gfx {
namespace {

using gfxtest::Canvas;
using gfxtest::rectPath;

const Argb kWhite = 0xFFFFFFFF;
const Argb kBlue = 0xFF0000FF;

// A regular polygon of many sides round (cx, cy), added to path.
void addRing(GraphicsPath& path, float cx, float cy, float radius, int sides) {
  std::vector<PointF> points;
  for (int k = 0; k < sides; ++k) {
    const double a = 2 * M_PI * k / sides;
    points.push_back({float(cx + radius * std::cos(a)), float(cy + radius * std::sin(a))});
  }
  path.addPolygon(points.data(), int(points.size()));
}

GraphicsPath ring(float cx, float cy, float radius, int sides = 400) {
  GraphicsPath path;
  addRing(path, cx, cy, radius, sides);
  return path;
}

detail::DevicePath devicePath(const GraphicsPath& path, FillMode mode = FillMode::Winding) {
  detail::DevicePath d;
  d.points = path.points();
  d.types = path.types();
  d.fillMode = mode;
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
  for (const PointF& p : d.points) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  d.bounds = {x0, y0, x1 - x0, y1 - y0};
  return d;
}

int differingPixels(Canvas& a, Canvas& b) {
  a.graphics.flush();
  b.graphics.flush();
  int n = 0;
  for (int y = 0; y < a.bitmap.height(); ++y)
    for (int x = 0; x < a.bitmap.width(); ++x)
      n += a.bitmap.colourAt(x, y) != b.bitmap.colourAt(x, y);
  return n;
}

TEST(ClipCoverage, RectanglesInsideOutsideAndAcrossOutlines) {
  using detail::ClipCoverage;
  const detail::DevicePath circle = devicePath(ring(50, 50, 40));
  EXPECT_EQ(detail::rectCoverage(circle, {40, 40, 20, 20}), ClipCoverage::Inside);
  EXPECT_EQ(detail::rectCoverage(circle, {80, 40, 20, 20}), ClipCoverage::Crossing);
  EXPECT_EQ(detail::rectCoverage(circle, {0, 0, 8, 8}), ClipCoverage::Outside);  // in its box
  EXPECT_EQ(detail::rectCoverage(circle, {200, 0, 8, 8}), ClipCoverage::Outside);
  EXPECT_EQ(detail::rectCoverage(circle, {0, 0, 100, 100}), ClipCoverage::Crossing);
  // A hole: even-odd leaves it out, two windings the same way keep it in.
  GraphicsPath donut = ring(50, 50, 40);
  addRing(donut, 50, 50, 20, 400);
  EXPECT_EQ(detail::rectCoverage(devicePath(donut, FillMode::Alternate), {45, 45, 10, 10}),
            ClipCoverage::Outside);
  EXPECT_EQ(detail::rectCoverage(devicePath(donut, FillMode::Winding), {45, 45, 10, 10}),
            ClipCoverage::Inside);
  // A curve counts by its control points' box: anything within it is taken as crossing.
  GraphicsPath bulge;
  bulge.addBezier({0, 0}, {100, 0}, {100, 100}, {0, 100});
  bulge.closeFigure();
  EXPECT_EQ(detail::rectCoverage(devicePath(bulge), {60, 40, 10, 10}), ClipCoverage::Crossing);
  EXPECT_EQ(detail::rectCoverage(devicePath(bulge), {150, 40, 10, 10}), ClipCoverage::Outside);
}

TEST(ClipCoverage, FillsUnderALargeOutlineKeepTheFullClipsPixels) {
  // Each fill alone under a 400-sided outline (and a small clip inside it), against the same
  // fill carrying an empty figure far away: its area then meets the whole outline, which cairo
  // gets whole.
  for (const RectF fill : {RectF{40, 40, 20, 20}, RectF{75.3f, 30.6f, 30, 25}, RectF{0, 0, 9, 9},
                           RectF{-20, 45, 200, 10}}) {
    SCOPED_TRACE(fill.x);
    Canvas cut(120, 100), whole(120, 100);
    for (Canvas* c : {&cut, &whole}) {
      c->graphics.setClip(ring(50, 50, 40.3f), CombineMode::Intersect);
      c->graphics.setClip(ring(60, 50, 30, 7), CombineMode::Intersect);
    }
    GraphicsPath path = rectPath(fill.x, fill.y, fill.width, fill.height);
    cut.graphics.fillPath(SolidBrush(kBlue), path);
    path.startFigure();
    path.addLine({-3000, -3000}, {-3000, -3000});
    path.addLine({-3000, -3000}, {3000, 3000});
    whole.graphics.fillPath(SolidBrush(kBlue), path);
    EXPECT_EQ(differingPixels(cut, whole), 0);
  }
}

TEST(ClipCoverage, ClipsThatMeetNowhereDrawNothingUntilTheClipIsReset) {
  Canvas c(100, 100);
  c.graphics.setClip(ring(20, 20, 10, 80), CombineMode::Intersect);
  c.graphics.setClip(ring(80, 80, 10, 80), CombineMode::Intersect);
  c.graphics.fillPath(SolidBrush(kBlue), rectPath(0, 0, 100, 100));
  EXPECT_EQ(c.count(kWhite), 100 * 100);
  Region saved;
  c.graphics.getClip(saved);
  EXPECT_TRUE(saved.isEmpty());
  // A fill outside the one outline left is not drawn either; after the reset all are.
  c.graphics.resetClip();
  c.graphics.setClip(ring(20, 20, 10, 80), CombineMode::Intersect);
  c.graphics.fillPath(SolidBrush(kBlue), rectPath(60, 60, 30, 30));
  EXPECT_EQ(c.count(kWhite), 100 * 100);
  c.graphics.fillPath(SolidBrush(kBlue), rectPath(15, 15, 10, 10));
  EXPECT_EQ(c.at(20, 20), kBlue);
  c.graphics.resetClip();
  c.graphics.fillPath(SolidBrush(kBlue), rectPath(60, 60, 30, 30));
  EXPECT_EQ(c.at(75, 75), kBlue);
}

}  // namespace
}  // namespace brevia::gfx
