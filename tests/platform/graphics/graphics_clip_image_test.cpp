#include <gtest/gtest.h>

#include <vector>

#include "platform/graphics/solid_brush.h"
#include "tests/platform/graphics/canvas.h"

namespace brevia::gfx {
namespace {

using gfxtest::Canvas;
using gfxtest::near;
using gfxtest::rectPath;

const Argb kBlack = 0xFF000000;
const Argb kWhite = 0xFFFFFFFF;
const Argb kRed = 0xFFFF0000;
const Argb kBlue = 0xFF0000FF;

// The triangle below the line x + y = size.
GraphicsPath triangle(float size = 100) {
  GraphicsPath path;
  PointF corners[3] = {{0, 0}, {size, 0}, {0, size}};
  path.addPolygon(corners, 3);
  return path;
}

TEST(GraphicsClip, PathClipNarrowsAndRegionRoundTripRestores) {
  Canvas c(100, 100);
  Region saved;
  c.graphics.getClip(saved);
  EXPECT_TRUE(saved.isInfinite());

  c.graphics.setClip(triangle(), CombineMode::Intersect);
  c.graphics.setClip(rectPath(0, 0, 50, 100), CombineMode::Intersect);
  c.graphics.fillRectangle(SolidBrush(kBlack), {0, 0, 100, 100});
  EXPECT_EQ(c.at(10, 10), kBlack);
  EXPECT_EQ(c.at(60, 10), kWhite);  // cut by the rectangle
  EXPECT_EQ(c.at(40, 70), kWhite);  // cut by the triangle's diagonal
  EXPECT_EQ(c.graphics.deviceClipBounds(), (RectF{0, 0, 50, 100}));

  // A clip kept as a region under one transform comes back exactly under another.
  Region kept;
  c.graphics.getClip(kept);
  c.graphics.setTransform(Matrix(3, 0, 0, 3, 7, 7));
  c.graphics.setClip(saved);
  c.graphics.fillRectangle(SolidBrush(kRed), {20, 20, 5, 5});  // device 67..82
  EXPECT_EQ(c.at(75, 75), kRed);
  c.graphics.setClip(kept);
  c.graphics.resetTransform();
  c.graphics.fillRectangle(SolidBrush(kBlue), {0, 0, 100, 100});
  EXPECT_EQ(c.at(10, 10), kBlue);
  EXPECT_EQ(c.at(75, 75), kRed);
}

TEST(GraphicsClip, ClipsUnderTransformAndCombineModes) {
  Canvas c(100, 100);
  c.graphics.setTransform(Matrix(2, 0, 0, 2, 0, 0));
  c.graphics.setClip(RectF{0, 0, 25, 25});  // device 0..50
  EXPECT_EQ(c.graphics.clipBounds(), (RectF{0, 0, 25, 25}));
  c.graphics.setClip(RectF{10, 10, 10, 10}, CombineMode::Exclude);  // device 20..40
  c.graphics.setClip(RectF{40, 0, 5, 5}, CombineMode::Union);       // device 80..90
  c.graphics.resetTransform();
  c.graphics.clear(kBlack);
  EXPECT_EQ(c.at(10, 10), kBlack);
  EXPECT_EQ(c.at(30, 30), kWhite);
  EXPECT_EQ(c.at(60, 10), kWhite);
  EXPECT_EQ(c.at(85, 5), kBlack);
  // An empty clip paints nothing at all.
  c.graphics.setClip(RectF{0, 0, 10, 10});
  c.graphics.setClip(RectF{20, 20, 10, 10}, CombineMode::Intersect);
  c.graphics.clear(kRed);
  EXPECT_EQ(c.count(kRed), 0);
}

TEST(GraphicsClip, AntiAliasingFollowsSmoothingWhenTheClipIsSet) {
  for (bool smooth : {true, false}) {
    Canvas c(100, 100);
    c.graphics.setSmoothingMode(smooth ? SmoothingMode::AntiAlias : SmoothingMode::None);
    c.graphics.setClip(triangle());
    c.graphics.setSmoothingMode(SmoothingMode::None);
    c.graphics.fillRectangle(SolidBrush(kBlack), {0, 0, 100, 100});
    EXPECT_EQ(c.partial() > 0, smooth);
  }
}

TEST(GraphicsMask, GlyphCoverageIsBlendedInTheColourAndClipped) {
  std::vector<uint8_t> coverage(8 * 4, 255);
  for (int y = 0; y < 4; ++y) coverage[size_t(y) * 8 + 7] = 128;  // last column half covered
  CoverageMask mask{coverage.data(), 8, 4, 8};

  Canvas c(40, 40);
  EXPECT_EQ(c.graphics.drawMask(mask, 10, 10, kRed), Status::Ok);
  EXPECT_EQ(c.at(10, 10), kRed);
  EXPECT_EQ(c.at(16, 13), kRed);
  EXPECT_TRUE(near(c.at(17, 12), 0xFFFF7F7F));
  EXPECT_EQ(c.at(18, 12), kWhite);
  EXPECT_EQ(c.at(10, 14), kWhite);

  // Rectangle clip, whole and half pixels; glyphs hanging off the bitmap are cut.
  c.graphics.setClip(RectF{0, 20, 13.5f, 20});
  c.graphics.drawMask(mask, 10, 20, kBlue);
  EXPECT_EQ(c.at(12, 21), kBlue);
  EXPECT_TRUE(near(c.at(13, 21), 0xFF7F7FFF));
  EXPECT_EQ(c.at(14, 21), kWhite);
  c.graphics.resetClip();
  EXPECT_EQ(c.graphics.drawMask(mask, 36, -2, kBlue), Status::Ok);
  EXPECT_EQ(c.at(39, 0), kBlue);
  EXPECT_EQ(c.graphics.drawMask(mask, -100000, 5, kBlue), Status::Ok);

  // Bottom-up rows (negative pitch) and a clip only cairo can apply.
  Canvas t(40, 40);
  GraphicsPath diagonal;
  PointF corners[3] = {{0, 0}, {40, 0}, {0, 40}};
  diagonal.addPolygon(corners, 3);
  t.graphics.setClip(diagonal);
  std::vector<uint8_t> rows = {0, 0, 0, 0, 255, 255, 255, 255};  // top row last in memory
  CoverageMask upward{rows.data() + 4, 4, 2, -4};
  t.graphics.drawMask(upward, 2, 2, kBlack);
  t.graphics.drawMask(mask, 30, 30, kBlack);
  EXPECT_EQ(t.at(3, 2), kBlack);
  EXPECT_EQ(t.at(3, 3), kWhite);
  EXPECT_EQ(t.count(kBlack), 4);
}

TEST(GraphicsMask, InvalidMasksAreRefused) {
  Canvas c(10, 10);
  uint8_t byte = 255;
  EXPECT_EQ(c.graphics.drawMask(CoverageMask{nullptr, 1, 1, 1}, 0, 0, kBlack),
            Status::InvalidParameter);
  EXPECT_EQ(c.graphics.drawMask(CoverageMask{&byte, 2, 1, 1}, 0, 0, kBlack),
            Status::InvalidParameter);
  EXPECT_EQ(c.graphics.lastStatus(), Status::InvalidParameter);
}

TEST(GraphicsImage, AlphaFactorAndNearestNeighbour) {
  // 2 × 2: red, blue / blue, red.
  const uint32_t pixels[4] = {kRed, kBlue, kBlue, kRed};
  Bitmap checker(2, 2, 8, PixelFormat::Argb32, reinterpret_cast<const uint8_t*>(pixels));
  ASSERT_TRUE(checker.isValid());

  Canvas c(40, 20);
  c.graphics.setInterpolationMode(InterpolationMode::NearestNeighbor);
  EXPECT_EQ(c.graphics.drawImage(checker, RectF{0, 0, 20, 20}, RectF{0, 0, 2, 2}), Status::Ok);
  EXPECT_EQ(c.at(4, 4), kRed);
  EXPECT_EQ(c.at(15, 4), kBlue);
  EXPECT_EQ(c.at(9, 9), kRed);
  EXPECT_EQ(c.at(10, 9), kBlue);
  EXPECT_EQ(c.at(20, 9), kWhite);

  ImageAttributes half;
  half.setAlphaFactor(0.5f);
  c.graphics.setInterpolationMode(InterpolationMode::HighQuality);
  Bitmap blue(3, 3);
  blue.fill(kBlue);
  c.graphics.drawImage(blue, RectF{20, 0, 20, 20}, RectF{0, 0, 3, 3}, &half);
  EXPECT_TRUE(near(c.at(30, 10), 0xFF8080FF));
  EXPECT_EQ(c.at(30, 10), c.at(21, 1));
}

TEST(GraphicsImage, ParallelogramPlacementUnderTheWorldTransform) {
  const uint32_t pixels[2] = {kRed, kBlue};
  Bitmap strip(2, 1, 8, PixelFormat::PArgb32, reinterpret_cast<const uint8_t*>(pixels));
  Canvas c(40, 40);
  c.graphics.setInterpolationMode(InterpolationMode::NearestNeighbor);
  // The unit square, mapped by the transform onto device 0..40 with y upwards.
  c.graphics.setTransform(Matrix(40, 0, 0, -40, 0, 40));
  PointF mirrored[3] = {{1, 1}, {0, 1}, {1, 0}};
  c.graphics.drawImage(strip, mirrored, RectF{0, 0, 2, 1});
  EXPECT_EQ(c.at(5, 5), kBlue);
  EXPECT_EQ(c.at(35, 35), kRed);

  Bitmap flipped(1, 2);
  flipped.fill(kRed);
  Canvas f(1, 2);
  f.graphics.clear(kBlue);
  f.graphics.drawImage(flipped, RectF{0, 0, 1, 1}, RectF{0, 0, 1, 1});
  f.bitmap.flipVertical();
  EXPECT_EQ(f.at(0, 0), kBlue);
  EXPECT_EQ(f.at(0, 1), kRed);
}

TEST(GraphicsClip, ChangesBetweenDrawsApplyInOrder) {
  Canvas c(60, 60);
  c.graphics.setClip(RectF{0, 0, 40, 60});
  c.graphics.clear(kRed);
  c.graphics.setClip(triangle(80), CombineMode::Intersect);  // narrows what cairo already has
  c.graphics.fillRectangle(SolidBrush(kBlue), {0, 0, 60, 60});
  EXPECT_EQ(c.at(5, 5), kBlue);
  EXPECT_EQ(c.at(35, 55), kRed);             // in the rectangle, beyond the diagonal
  EXPECT_EQ(c.at(45, 5), kWhite);            // beyond the rectangle
  c.graphics.setClip(RectF{30, 0, 30, 60});  // replacing widens again
  c.graphics.fillRectangle(SolidBrush(kBlack), {0, 0, 60, 10});
  EXPECT_EQ(c.at(45, 5), kBlack);
  EXPECT_EQ(c.at(5, 5), kBlue);
  // Glyphs under a curved clip go through cairo, which has both clips.
  std::vector<uint8_t> full(9, 255);
  c.graphics.setClip(triangle(80), CombineMode::Intersect);
  c.graphics.drawMask(CoverageMask{full.data(), 3, 3, 3}, 37, 40, kBlack);
  c.graphics.drawMask(CoverageMask{full.data(), 3, 3, 3}, 27, 40, kBlack);
  EXPECT_EQ(c.at(37, 40), kBlack);  // x + y below 80
  EXPECT_EQ(c.at(39, 42), kRed);    // beyond the diagonal: as before
  EXPECT_EQ(c.at(29, 40), kBlue);   // beyond the rectangle: as before
}

TEST(GraphicsMask, TransformedMaskFollowsItsParallelogram) {
  const uint8_t halves[2] = {255, 0};
  CoverageMask mask{halves, 2, 1, 2};
  Canvas c(40, 20);
  c.graphics.setInterpolationMode(InterpolationMode::NearestNeighbor);
  c.graphics.setTransform(Matrix(10, 0, 0, 10, 0, 0));
  PointF straight[3] = {{0, 0}, {2, 0}, {0, 1}};
  PointF mirrored[3] = {{4, 1}, {2, 1}, {4, 2}};
  EXPECT_EQ(c.graphics.drawMask(mask, straight, kBlue), Status::Ok);
  c.graphics.drawMask(mask, mirrored, kRed);
  EXPECT_EQ(c.at(5, 5), kBlue);
  EXPECT_EQ(c.at(15, 5), kWhite);
  EXPECT_EQ(c.at(25, 15), kWhite);
  EXPECT_EQ(c.at(35, 15), kRed);
  PointF flat[3] = {{0, 0}, {2, 0}, {4, 0}};
  EXPECT_EQ(c.graphics.drawMask(mask, flat, kRed), Status::Ok);  // collapses: nothing drawn
}

}  // namespace
}  // namespace brevia::gfx
