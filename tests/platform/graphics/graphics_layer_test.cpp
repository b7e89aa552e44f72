// Layers placed on the page by their origin, blend modes, repeated bitmaps, meshes and dashes.

#include <gtest/gtest.h>

#include "platform/graphics/graphics.h"
#include "platform/graphics/mesh_gradient_brush.h"
#include "platform/graphics/solid_brush.h"
#include "platform/graphics/texture_brush.h"

using namespace brevia::gfx;

namespace {

constexpr Argb kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

TEST(GraphicsLayer, LayersDrawInPageCoordinatesAndGoBackThroughMasks) {
  Bitmap page(40, 20);
  page.fill(kWhite);
  Bitmap layer(10, 10);
  layer.setOrigin(20, 5);
  {
    // Device coordinates of the page: the layer only keeps what falls on it.
    Graphics g(layer);
    g.fillRectangle(SolidBrush(kRed), RectF{0, 0, 40, 20});
    CoverageMask glyph;
    uint8_t coverage[4] = {255, 255, 255, 255};
    glyph.data = coverage;
    glyph.width = glyph.height = glyph.pitch = 2;
    g.drawMask(glyph, 28, 13, kBlue);
  }
  EXPECT_EQ(layer.colourAt(0, 0), kRed);
  EXPECT_EQ(layer.colourAt(8, 8), kBlue);
  // The mask shows the left half of the layer only.
  Bitmap mask(5, 10);
  mask.setOrigin(20, 5);
  mask.fill(0xFFFFFFFF);
  Graphics g(page);
  g.drawLayer(layer, 1.0f, &mask);
  g.flush();
  EXPECT_EQ(page.colourAt(22, 10), kRed);
  EXPECT_EQ(page.colourAt(27, 10), kWhite);
  EXPECT_EQ(page.colourAt(10, 10), kWhite);
  // Half alpha and a blend mode.
  g.setBlendMode(BlendMode::Multiply);
  g.drawLayer(layer, 0.5f);
  g.flush();
  EXPECT_NEAR(int(greenOf(page.colourAt(27, 7))), 128, 2);
  EXPECT_EQ(g.setBlendMode(static_cast<BlendMode>(99)), Status::InvalidParameter);
}

TEST(GraphicsLayer, TexturesRepeatAndMeshesPaintTheirPatches) {
  Bitmap cell(2, 2);
  cell.fill(0);
  {
    Graphics g(cell);
    g.fillRectangle(SolidBrush(kRed), RectF{0, 0, 1, 1});
  }
  Bitmap page(20, 10);
  page.fill(kWhite);
  Graphics g(page);
  TextureBrush texture(cell, InterpolationMode::NearestNeighbor);
  g.fillRectangle(texture, RectF{0, 0, 20, 10});
  MeshGradientBrush mesh;
  const PointF triangle[3] = {{10, 0}, {20, 0}, {20, 10}};
  const Argb colours[3] = {kBlue, kBlue, kBlue};
  EXPECT_EQ(mesh.addTriangle(triangle, colours), Status::Ok);
  const PointF bad[3] = {{0, 0}, {NAN, 0}, {1, 1}};
  EXPECT_EQ(mesh.addTriangle(bad, colours), Status::InvalidParameter);
  g.fillRectangle(mesh, RectF{0, 0, 20, 10});
  g.flush();
  EXPECT_EQ(page.colourAt(4, 4), kRed);
  EXPECT_EQ(page.colourAt(5, 4), kWhite);
  EXPECT_EQ(page.colourAt(18, 2), kBlue);
  EXPECT_EQ(page.colourAt(13, 8), kWhite);  // beside the triangle, on a clear cell pixel
}

TEST(GraphicsLayer, PenDashes) {
  Pen pen(kRed, 2);
  EXPECT_EQ(pen.setDashPattern({-1, 2}, 0), Status::InvalidParameter);
  EXPECT_TRUE(pen.dashPattern().empty());
  EXPECT_EQ(pen.setDashPattern({0, 0}, 0), Status::Ok);
  EXPECT_TRUE(pen.dashPattern().empty());  // all zero: solid
  EXPECT_EQ(pen.setDashPattern({3, 3}, 0), Status::Ok);
  Bitmap page(20, 4);
  page.fill(kWhite);
  Graphics g(page);
  GraphicsPath line;
  line.addLine({0, 2}, {20, 2});
  g.drawPath(pen, line);
  g.flush();
  EXPECT_EQ(page.colourAt(1, 2), kRed);
  EXPECT_EQ(page.colourAt(4, 2), kWhite);
  EXPECT_EQ(page.colourAt(7, 2), kRed);
}

}  // namespace
