#include <gtest/gtest.h>

#include <vector>

#include "platform/graphics/linear_gradient_brush.h"
#include "platform/graphics/path_gradient_brush.h"
#include "platform/graphics/radial_gradient_brush.h"
#include "platform/graphics/solid_brush.h"
#include "tests/platform/graphics/canvas.h"

namespace brevia::gfx {
namespace {

using gfxtest::Canvas;
using gfxtest::near;
using gfxtest::rectPath;

const Argb kBlack = 0xFF000000;
const Argb kWhite = 0xFFFFFFFF;

TEST(GraphicsFill, RectangleFillsExactlyItsPixels) {
  Canvas c(120, 80);
  SolidBrush black(kBlack);
  EXPECT_EQ(c.graphics.fillPath(black, rectPath(0, 0, 100, 50)), Status::Ok);
  EXPECT_EQ(c.count(kBlack), 100 * 50);
  EXPECT_EQ(c.at(99, 49), kBlack);
  EXPECT_EQ(c.at(100, 49), kWhite);
  EXPECT_EQ(c.at(99, 50), kWhite);
  EXPECT_EQ(c.partial(), 0);
}

TEST(GraphicsFill, EvenOddLeavesAHoleAndNonzeroDoesNot) {
  for (FillMode mode : {FillMode::Alternate, FillMode::Winding}) {
    Canvas c(100, 100);
    GraphicsPath path(mode);
    path.addRectangle({10, 10, 80, 80});
    path.addRectangle({30, 30, 40, 40});  // same direction as the outer one
    c.graphics.fillPath(SolidBrush(kBlack), path);
    EXPECT_EQ(c.at(20, 20), kBlack);
    EXPECT_EQ(c.at(50, 50), mode == FillMode::Alternate ? kWhite : kBlack);
  }
}

TEST(GraphicsFill, HugeCoordinatesDoNotWrapAround) {
  // Far beyond cairo's fixed-point range, which would wrap them around; the path is clipped
  // before it gets there.
  Canvas c(50, 40);
  GraphicsPath far;
  PointF corners[4] = {{-1e9f, -3e7f}, {30, -3e7f}, {30, 20}, {-1e9f, 20}};
  far.addPolygon(corners, 4);
  c.graphics.fillPath(SolidBrush(kBlack), far);
  EXPECT_EQ(c.count(kBlack), 30 * 20);
  EXPECT_EQ(c.at(29, 19), kBlack);

  Canvas s(50, 40);
  GraphicsPath line;
  line.addLine(-3e9f, 20.5f, 25, 20.5f);
  s.graphics.drawPath(Pen(kBlack, 1), line);
  for (int x : {0, 12, 24}) EXPECT_EQ(s.at(x, 20), kBlack) << x;
  EXPECT_EQ(s.at(26, 20), kWhite);
  EXPECT_EQ(s.at(12, 19), kWhite);
}

TEST(GraphicsFill, SourceCopyReplacesInsteadOfBlending) {
  Canvas c(20, 20);
  c.graphics.setCompositingMode(CompositingMode::SourceCopy);
  c.graphics.fillRectangle(SolidBrush(0x80FF0000), {0, 0, 10, 10});
  EXPECT_TRUE(near(c.at(5, 5), 0x80FF0000));
  EXPECT_EQ(c.at(15, 15), kWhite);
}

TEST(GraphicsFill, RegionFillIsNotAntiAliasedButPathFillIs) {
  GraphicsPath triangle;
  PointF corners[3] = {{5.3f, 5.1f}, {90.7f, 20.2f}, {30.2f, 85.9f}};
  triangle.addPolygon(corners, 3);

  Canvas region(100, 100);
  region.graphics.fillRegion(SolidBrush(kBlack), Region(triangle));
  EXPECT_GT(region.count(kBlack), 2000);
  EXPECT_EQ(region.partial(), 0);

  Canvas path(100, 100);
  path.graphics.fillPath(SolidBrush(kBlack), triangle);
  EXPECT_GT(path.partial(), 50);
}

TEST(GraphicsFill, RegionFillSamplesPixelCentresAfterUnions) {
  Canvas c(60, 30);
  Region region(RectF{10.4f, 0, 10, 10});  // centres 10.5 .. 19.5
  region.combine(RectF{40, 0.6f, 5, 9.8f}, CombineMode::Union);
  region.combine(rectPath(0, 20, 60, 5), Matrix(), CombineMode::Xor);
  c.graphics.fillRegion(SolidBrush(kBlack), region);
  EXPECT_EQ(c.at(9, 5), kWhite);
  EXPECT_EQ(c.at(10, 5), kBlack);
  EXPECT_EQ(c.at(19, 5), kBlack);
  EXPECT_EQ(c.at(20, 5), kWhite);
  EXPECT_EQ(c.at(42, 0), kWhite);
  EXPECT_EQ(c.at(42, 1), kBlack);
  EXPECT_EQ(c.at(30, 22), kBlack);
  EXPECT_EQ(c.partial(), 0);
}

TEST(GraphicsStroke, RoundCapsReachHalfTheWidthPastTheEnds) {
  for (LineCap cap : {LineCap::Round, LineCap::Flat}) {
    Canvas c(100, 40);
    Pen pen(kBlack, 10);
    pen.setLineCap(cap, cap);
    GraphicsPath line;
    line.addLine(20, 20, 60, 20);
    c.graphics.drawPath(pen, line);
    bool round = cap == LineCap::Round;
    // Pixel 15 spans 15..16, 4 to 5 units before the start.
    EXPECT_EQ(c.at(15, 20) != kWhite, round);
    EXPECT_EQ(c.at(64, 20) != kWhite, round);
    EXPECT_EQ(c.at(14, 20), kWhite);
    EXPECT_EQ(c.at(65, 20), kWhite);
    EXPECT_EQ(c.at(40, 15), kBlack);
    EXPECT_EQ(c.at(40, 24), kBlack);
    EXPECT_EQ(c.at(40, 14), kWhite);
  }
}

TEST(GraphicsStroke, ThinPensStillDrawOnePixelRow) {
  struct Case {
    float width;
    Matrix world;
  };
  for (const Case& k :
       {Case{0.1f, Matrix()}, Case{0.0f, Matrix()}, Case{1.0f, Matrix(0.25f, 0, 0, 0.25f, 0, 0)}}) {
    Canvas c(100, 30);
    c.graphics.setTransform(k.world);
    Matrix inverse = k.world;
    inverse.invert();
    PointF a = inverse.transformPoint({10, 10.5f}), b = inverse.transformPoint({90, 10.5f});
    GraphicsPath line;
    line.addLine(a, b);
    c.graphics.drawPath(Pen(kBlack, k.width), line);
    EXPECT_EQ(c.at(50, 10), kBlack) << k.width;
    EXPECT_EQ(c.at(50, 9), kWhite);
    EXPECT_EQ(c.at(50, 11), kWhite);
  }
}

TEST(GraphicsStroke, UnevenScaleStretchesThePenButKeepsItVisible) {
  // x stretched 10 times, y squeezed to 0.05: a 1-unit pen is 10 pixels wide on vertical
  // lines and would be 0.05 pixels on horizontal ones.
  Canvas c(120, 60);
  c.graphics.setTransform(Matrix(10, 0, 0, 0.05f, 0, 0));
  GraphicsPath path;
  PointF corners[3] = {{2, 210}, {10, 210}, {10, 1000}};
  path.addLines(corners, 3);
  c.graphics.drawPath(Pen(0x80000000, 1), path);
  EXPECT_NE(c.at(50, 10), kWhite);  // horizontal part, y = 10.5
  EXPECT_EQ(c.at(50, 13), kWhite);
  EXPECT_NE(c.at(96, 30), kWhite);  // vertical part, x = 95..105
  EXPECT_NE(c.at(104, 30), kWhite);
  EXPECT_EQ(c.at(107, 30), kWhite);
  // Where the two strokes overlap the colour is not applied twice.
  EXPECT_TRUE(near(c.at(97, 10), c.at(50, 10), 3));
}

TEST(GraphicsTransform, PrependAppliesTheNewMatrixFirst) {
  for (MatrixOrder order : {MatrixOrder::Prepend, MatrixOrder::Append}) {
    Canvas c(40, 20);
    c.graphics.setTransform(Matrix(1, 0, 0, 1, 10, 0));
    c.graphics.multiplyTransform(Matrix(2, 0, 0, 2, 0, 0), order);
    c.graphics.fillRectangle(SolidBrush(kBlack), {0, 0, 5, 5});
    // Prepend: scale, then move: x 10..20. Append: move, then scale: x 20..30.
    bool prepend = order == MatrixOrder::Prepend;
    EXPECT_EQ(c.at(15, 5), prepend ? kBlack : kWhite);
    EXPECT_EQ(c.at(25, 5), prepend ? kWhite : kBlack);
    EXPECT_EQ(c.count(kBlack), 100);
  }
}

TEST(GraphicsStatus, FailuresAreKeptAndDrawingGoesOn) {
  Canvas c(20, 20);
  EXPECT_EQ(c.graphics.setSmoothingMode(SmoothingMode(99)), Status::InvalidParameter);
  EXPECT_EQ(c.graphics.setTransform(Matrix(NAN, 0, 0, 1, 0, 0)), Status::InvalidParameter);
  EXPECT_TRUE(c.graphics.transform().isIdentity());
  EXPECT_EQ(c.graphics.fillRectangle(SolidBrush(kBlack), {0, 0, 5, 5}), Status::Ok);
  EXPECT_EQ(c.graphics.lastStatus(), Status::InvalidParameter);
  EXPECT_EQ(c.at(2, 2), kBlack);
  c.graphics.clearStatus();
  EXPECT_EQ(c.graphics.lastStatus(), Status::Ok);

  // A path with a NaN point is refused; so is a brush that cannot paint.
  GraphicsPath bad;
  bad.addLine(0, 0, NAN, 4);
  EXPECT_EQ(c.graphics.fillPath(SolidBrush(kBlack), bad), Status::InvalidParameter);
  LinearGradientBrush degenerate({3, 3}, {3, 3}, kBlack, kWhite);
  EXPECT_EQ(degenerate.lastStatus(), Status::InvalidParameter);
  EXPECT_NE(c.graphics.fillPath(degenerate, rectPath(10, 10, 5, 5)), Status::Ok);
  EXPECT_EQ(c.graphics.fillPath(SolidBrush(kBlack), rectPath(10, 10, 5, 5)), Status::Ok);
  EXPECT_EQ(c.at(12, 12), kBlack);

  // A singular transform paints no area, and later drawing is unaffected.
  c.graphics.setTransform(Matrix(0, 0, 0, 0, 0, 0));
  EXPECT_EQ(c.graphics.fillRectangle(SolidBrush(0xFFFF0000), {0, 0, 20, 20}), Status::Ok);
  c.graphics.resetTransform();
  EXPECT_EQ(c.at(18, 2), kWhite);
  EXPECT_EQ(c.graphics.fillRectangle(SolidBrush(0xFFFF0000), {16, 0, 4, 4}), Status::Ok);
  EXPECT_EQ(c.at(18, 2), 0xFFFF0000);

  Bitmap refused(0, 10);
  Graphics none(refused);
  EXPECT_FALSE(none.isValid());
  EXPECT_NE(none.fillRectangle(SolidBrush(kBlack), {0, 0, 1, 1}), Status::Ok);
}

TEST(GraphicsBrushes, LinearGradientRunsAlongItsAxisAndWraps) {
  Canvas c(200, 10);
  LinearGradientBrush brush({0, 0}, {100, 0}, 0xFFFF0000, 0xFF0000FF);
  c.graphics.fillRectangle(brush, {0, 0, 200, 10});
  EXPECT_TRUE(near(c.at(0, 5), 0xFFFF0000, 4));
  EXPECT_TRUE(near(c.at(99, 5), 0xFF0000FF, 4));
  EXPECT_TRUE(near(c.at(50, 5), 0xFF800080, 4));
  EXPECT_TRUE(near(c.at(100, 5), 0xFFFF0000, 4));  // Tile starts over

  brush.setWrapMode(WrapMode::Clamp);
  c.graphics.fillRectangle(brush, {0, 0, 200, 10});
  EXPECT_TRUE(near(c.at(150, 5), 0xFF0000FF, 1));
}

TEST(GraphicsBrushes, PathGradientRunsFromCentreToOutline) {
  Canvas c(120, 120);
  c.graphics.setTransform(Matrix(50, 0, 0, 50, 60, 60));
  GraphicsPath square;
  square.addRectangle({-1, -1, 2, 2});
  PathGradientBrush brush(square);
  brush.setCentrePoint({0, 0});
  brush.setCentreColour(0xFFFF0000);
  Argb surround = 0xFF0000FF;
  brush.setSurroundColours(&surround, 1);
  c.graphics.fillRectangle(brush, {-1.1f, -1.1f, 2.2f, 2.2f});
  EXPECT_TRUE(near(c.at(60, 60), 0xFFFF0000, 8));
  EXPECT_TRUE(near(c.at(35, 60), 0xFF800080, 8));  // half way to the left edge
  EXPECT_TRUE(near(c.at(85, 85), 0xFF800080, 8));  // half way to a corner
  EXPECT_TRUE(near(c.at(11, 60), 0xFF0000FF, 12));
  EXPECT_EQ(c.at(7, 60), kWhite);  // outside the outline
}

TEST(GraphicsBrushes, RadialGradientBetweenTwoCircles) {
  Canvas c(100, 100);
  RadialGradientBrush brush({50, 50}, 0, {50, 50}, 40, 0xFFFF0000, 0xFF0000FF);
  brush.setExtend(false);
  c.graphics.fillRectangle(brush, {0, 0, 100, 100});
  EXPECT_TRUE(near(c.at(50, 50), 0xFFFF0000, 8));
  EXPECT_TRUE(near(c.at(70, 50), 0xFF800080, 8));
  EXPECT_EQ(c.at(95, 50), kWhite);
  brush.setExtend(true);
  c.graphics.fillRectangle(brush, {0, 0, 100, 100});
  EXPECT_TRUE(near(c.at(95, 50), 0xFF0000FF, 1));
}

TEST(GraphicsFill, DrawsIntoCallerMemoryThroughAWrappedBitmap) {
  // The viewer hands over its own pixel buffer, rows padded to 8 pixels.
  const int width = 6, height = 4, stridePixels = 8;
  std::vector<uint32_t> memory(size_t(stridePixels) * height, 0xFFFFFFFF);
  {
    Bitmap target =
        Bitmap::wrap(reinterpret_cast<uint8_t*>(memory.data()), width, height, stridePixels * 4);
    Graphics g(target);
    g.fillRectangle(SolidBrush(0x80000000), {2, 1, 4, 2});
  }
  EXPECT_EQ(memory[1 * stridePixels + 1], 0xFFFFFFFFu);
  EXPECT_TRUE(near(memory[1 * stridePixels + 2], 0xFF7F7F7F, 1));
  EXPECT_TRUE(near(memory[2 * stridePixels + 5], 0xFF7F7F7F, 1));
  EXPECT_EQ(memory[1 * stridePixels + 6], 0xFFFFFFFFu);  // padding untouched
}

TEST(GraphicsStroke, JoinsCapsAndMiterLimit) {
  struct Case {
    LineJoin join;
    float miterLimit;
    bool outerCorner;  // pixel (44, 44), beyond a bevel and a round join
    bool nearCorner;   // pixel (43, 43), inside a round join only
  };
  for (const Case& k :
       {Case{LineJoin::Miter, 10, true, true}, Case{LineJoin::Miter, 1, false, false},
        Case{LineJoin::Bevel, 10, false, false}, Case{LineJoin::Round, 10, false, true}}) {
    Canvas c(60, 60);
    Pen pen(kBlack, 10);
    pen.setLineJoin(k.join);
    pen.setMiterLimit(k.miterLimit);
    PointF corner[3] = {{10, 40}, {40, 40}, {40, 10}};
    GraphicsPath path;
    path.addLines(corner, 3);
    c.graphics.drawPath(pen, path);
    EXPECT_EQ(c.at(44, 44) != kWhite, k.outerCorner) << int(k.join) << " " << k.miterLimit;
    EXPECT_EQ(c.at(43, 43) != kWhite, k.nearCorner) << int(k.join) << " " << k.miterLimit;
  }
  Canvas c(100, 40);
  Pen square(kBlack, 10);
  square.setLineCap(LineCap::Square, LineCap::Square);
  GraphicsPath line;
  line.addLine(20, 20, 60, 20);
  c.graphics.drawPath(square, line);
  EXPECT_EQ(c.at(15, 15), kBlack);
  EXPECT_EQ(c.at(14, 20), kWhite);
  EXPECT_EQ(Pen(kBlack, -1).lastStatus(), Status::InvalidParameter);
}

TEST(GraphicsBrushes, GradientStopsAndBrushTransform) {
  Canvas c(220, 20);
  LinearGradientBrush brush({0, 0}, {100, 0}, 0, 0);
  ColourStop stops[3] = {{0, 0xFFFF0000}, {0.5f, 0xFF00FF00}, {1, 0xFF0000FF}};
  ASSERT_EQ(brush.setInterpolationColours(stops, 3), Status::Ok);
  brush.setWrapMode(WrapMode::Clamp);
  c.graphics.fillRectangle(brush, {0, 0, 220, 10});
  EXPECT_TRUE(near(c.at(50, 5), 0xFF00FF00, 4));
  EXPECT_TRUE(near(c.at(25, 5), 0xFF808000, 4));
  brush.setTransform(Matrix(2, 0, 0, 1, 0, 0));  // the axis now runs 0..200
  c.graphics.fillRectangle(brush, {0, 10, 220, 10});
  EXPECT_TRUE(near(c.at(100, 15), 0xFF00FF00, 4));
  EXPECT_EQ(brush.setTransform(Matrix(0, 0, 0, 0, 0, 0)), Status::InvalidParameter);
  ColourStop unordered[2] = {{0.7f, 0xFF000000}, {0.2f, 0xFFFFFFFF}};
  EXPECT_EQ(brush.setInterpolationColours(unordered, 2), Status::InvalidParameter);
}

TEST(GraphicsBrushes, PathGradientSurroundColoursPerPoint) {
  Canvas c(120, 120);
  c.graphics.setTransform(Matrix(50, 0, 0, 50, 60, 60));
  GraphicsPath square;
  square.addRectangle({-1, -1, 2, 2});  // top-left, top-right, bottom-right, bottom-left
  PathGradientBrush brush(square);
  Argb corners[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000000};
  ASSERT_EQ(brush.setSurroundColours(corners, 4), Status::Ok);
  EXPECT_EQ(brush.setSurroundColours(corners, 0), Status::InvalidParameter);
  c.graphics.fillRectangle(brush, {-1, -1, 2, 2});
  EXPECT_TRUE(near(c.at(11, 11), 0xFFFF0A0A, 12));    // near the red corner
  EXPECT_TRUE(near(c.at(108, 108), 0xFF0A0AFF, 12));  // near the blue corner
  EXPECT_TRUE(near(c.at(60, 11), 0xFF848404, 12));    // top edge, half red and half green
}

}  // namespace
}  // namespace brevia::gfx
