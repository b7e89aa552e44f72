#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>
#include <zlib.h>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphics_path.h"
#include "platform/graphics/matrix.h"
#include "platform/graphics/png_writer.h"
#include "platform/graphics/pnm_writer.h"
#include "platform/graphics/region.h"

namespace brevia::gfx {
namespace {

std::vector<int> typesOf(const GraphicsPath& path) {
  return std::vector<int>(path.types().begin(), path.types().end());
}

TEST(MatrixOrder, PrependAppliesFirstAndInvertKeepsFailures) {
  Matrix prepend(1, 0, 0, 1, 10, 0);
  prepend.multiply(Matrix(2, 0, 0, 2, 0, 0), MatrixOrder::Prepend);
  EXPECT_EQ(prepend.transformPoint({1, 1}), (PointF{12, 2}));
  Matrix append(1, 0, 0, 1, 10, 0);
  append.multiply(Matrix(2, 0, 0, 2, 0, 0), MatrixOrder::Append);
  EXPECT_EQ(append.transformPoint({1, 1}), (PointF{22, 2}));

  Matrix m(2, 1, 1, 3, 5, -4);
  Matrix inverse = m;
  ASSERT_EQ(inverse.invert(), Status::Ok);
  PointF p = inverse.transformPoint(m.transformPoint({3, 7}));
  EXPECT_NEAR(p.x, 3, 1e-5);
  EXPECT_NEAR(p.y, 7, 1e-5);

  Matrix singular(1, 2, 2, 4, 0, 0);
  EXPECT_EQ(singular.invert(), Status::InvalidParameter);
  EXPECT_EQ(singular, Matrix(1, 2, 2, 4, 0, 0));
  Matrix huge(1e30f, 0, 0, 1e30f, 0, 0);
  EXPECT_EQ(huge.multiply(huge), Status::ValueOverflow);
  EXPECT_EQ(huge.lastStatus(), Status::ValueOverflow);
  EXPECT_EQ(huge.m11(), 1e30f);
}

TEST(PathTypes, FiguresJoinCloseAndRestart) {
  GraphicsPath path;
  path.addLine(0, 0, 10, 0);
  path.addLine(10, 0, 10, 10);   // continues without repeating (10, 0)
  path.addLine(20, 20, 30, 30);  // joined by a line to (20, 20)
  EXPECT_EQ(typesOf(path), (std::vector<int>{0, 1, 1, 1, 1}));
  path.closeFigure();
  path.addBezier(0, 0, 1, 1, 2, 1, 3, 0);
  path.startFigure();
  path.addLine(5, 5, 6, 6);
  path.startFigure();
  path.closeFigure();  // closes the figure just added, though a new one was started
  EXPECT_EQ(typesOf(path), (std::vector<int>{0, 1, 1, 1, 0x81, 0, 3, 3, 3, 0, 0x81}));
  EXPECT_EQ(path.pointCount(), 11);
  PointF last;
  path.getLastPoint(last);
  EXPECT_EQ(last, (PointF{6, 6}));

  GraphicsPath copy = path.clone();
  copy.transform(Matrix(1, 0, 0, 1, 100, 0));
  EXPECT_EQ(copy.points()[0], (PointF{100, 0}));
  EXPECT_EQ(path.points()[0], (PointF{0, 0}));
  path.setFillMode(FillMode::Winding);
  path.reset();
  EXPECT_EQ(path.pointCount(), 0);
  EXPECT_EQ(path.fillMode(), FillMode::Alternate);
}

TEST(PathTypes, RebuiltFromMalformedTypesAndTightBounds) {
  PointF points[5] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
  uint8_t types[5] = {1, 3, 3, 0x81, 3};
  GraphicsPath repaired(points, types, 5);
  EXPECT_EQ(typesOf(repaired), (std::vector<int>{0, 1, 1, 0x81, 0}));
  GraphicsPath refused(points, types, -1);
  EXPECT_EQ(refused.lastStatus(), Status::InvalidParameter);
  EXPECT_EQ(refused.pointCount(), 0);

  GraphicsPath arch;
  arch.addBezier(0, 0, 0, 100, 100, 100, 100, 0);
  RectF box = arch.bounds();
  EXPECT_FLOAT_EQ(box.height, 75);  // the curve's top, not its control points
  EXPECT_FLOAT_EQ(box.width, 100);
  Matrix scale(2, 0, 0, 2, 0, 0);
  EXPECT_FLOAT_EQ(arch.bounds(&scale).height, 150);
}

TEST(RegionScans, CountsPixelRectangles) {
  Region box(RectF{0, 0, 10, 10});
  EXPECT_EQ(box.scansCount(), 1);
  box.combine(RectF{20, 0, 10, 10}, CombineMode::Union);
  EXPECT_EQ(box.scansCount(), 2);
  box.combine(RectF{0, 20, 10, 10}, CombineMode::Union);
  EXPECT_EQ(box.scansCount(), 3);
  EXPECT_EQ(box.bounds(), (RectF{0, 0, 30, 30}));

  GraphicsPath ell;
  PointF corners[6] = {{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}};
  ell.addPolygon(corners, 6);
  Region path(ell, Matrix(2, 0, 0, 2, 0, 0));
  EXPECT_EQ(path.scansCount(), 2);
  std::vector<RectI> scans;
  path.getScans(scans);
  EXPECT_EQ(scans[0], (RectI{0, 0, 20, 10}));
  EXPECT_EQ(scans[1], (RectI{0, 10, 10, 10}));

  EXPECT_EQ(Region().scansCount(), 1);
  EXPECT_EQ(Region::emptyRegion().scansCount(), 0);
}

TEST(RegionScans, CombineModesAndShapes) {
  Region infinite;
  EXPECT_TRUE(infinite.isInfinite());
  EXPECT_EQ(infinite.bounds(), kInfiniteRect);
  infinite.combine(RectF{0, 0, 100, 100}, CombineMode::Intersect);
  EXPECT_FALSE(infinite.isInfinite());
  EXPECT_EQ(infinite.bounds(), (RectF{0, 0, 100, 100}));

  Region holed;  // infinite minus a rectangle, then cut to a window
  holed.combine(RectF{10, 10, 10, 10}, CombineMode::Exclude);
  holed.combine(RectF{0, 0, 30, 30}, CombineMode::Intersect);
  EXPECT_EQ(holed.scansCount(), 4);
  EXPECT_FALSE(holed.isEmpty());

  Region inside(RectF{10, 10, 10, 10});
  inside.combine(RectF{0, 0, 30, 30}, CombineMode::Complement);  // the frame around it
  std::vector<RectI> a, b;
  inside.getScans(a);
  holed.getScans(b);
  EXPECT_EQ(a, b);

  Region nothing(RectF{0, 0, 10, 10});
  nothing.combine(RectF{10, 0, 10, 10}, CombineMode::Intersect);
  EXPECT_TRUE(nothing.isEmpty());
  Region x(RectF{0, 0, 10, 10});
  x.combine(x, CombineMode::Xor);
  EXPECT_TRUE(x.isEmpty());

  // Many pieces are flattened to pixels and stay usable.
  Region many;
  for (int i = 0; i < Region::kMaxElements + 20; ++i)
    many.combine(RectF{float(i * 3), 0, 2, 2}, CombineMode::Exclude);
  many.combine(RectF{0, 0, 12, 2}, CombineMode::Intersect);
  EXPECT_EQ(many.scansCount(), 4);
}

TEST(RegionScans, TransformedAsIfBuiltUnderTheMatrix) {
  // Rectangles, paths and a rectangle under a turn: the same pixels as building them scaled.
  GraphicsPath triangle;
  const PointF corners[3] = {{1, 1}, {9, 2}, {4, 8}};
  triangle.addPolygon(corners, 3);
  Region built(RectF{2, 2, 20, 10});
  built.combine(triangle, Matrix(2, 0, 0, 2, 0, 0), CombineMode::Intersect);
  Region moved(RectF{1, 1, 10, 5});
  moved.combine(triangle, Matrix(), CombineMode::Intersect);
  ASSERT_EQ(moved.transform(Matrix(2, 0, 0, 2, 0, 0)), Status::Ok);
  std::vector<RectI> a, b;
  built.getScans(a);
  moved.getScans(b);
  EXPECT_EQ(a, b);
  Region turned(RectF{0, 0, 4, 2});
  ASSERT_EQ(turned.transform(Matrix(0, 1, -1, 0, 10, 0)), Status::Ok);
  EXPECT_EQ(turned.bounds(), (RectF{8, 0, 2, 4}));
  // Flattened to pixels: only whole-pixel shifts.
  Region many = Region::emptyRegion();
  for (int i = 0; i < Region::kMaxElements + 4; ++i)
    many.combine(RectF{float(i * 2), 0, 1, 1}, CombineMode::Union);
  const RectF before = many.bounds();
  EXPECT_EQ(many.transform(Matrix(2, 0, 0, 2, 0, 0)), Status::NotImplemented);
  EXPECT_EQ(many.bounds(), before);
  ASSERT_EQ(many.transform(Matrix(1, 0, 0, 1, 3, -2)), Status::Ok);
  EXPECT_EQ(many.bounds(), (RectF{before.x + 3, before.y - 2, before.width, before.height}));
  Region infinite;
  EXPECT_EQ(infinite.transform(Matrix(3, 0, 0, 3, 1, 1)), Status::Ok);
  EXPECT_TRUE(infinite.isInfinite());
}

TEST(BitmapLimits, SizesFormatsAndPng) {
  EXPECT_EQ(Bitmap(40000, 10).lastStatus(), Status::ValueOverflow);
  EXPECT_EQ(Bitmap(20000, 20000).lastStatus(), Status::ValueOverflow);
  EXPECT_EQ(Bitmap(0, 10).lastStatus(), Status::InvalidParameter);
  EXPECT_FALSE(Bitmap(-5, 10).isValid());

  const uint32_t straight = 0x80FF0000;
  Bitmap copied(1, 1, 4, PixelFormat::Argb32, reinterpret_cast<const uint8_t*>(&straight));
  EXPECT_EQ(copied.pixel(0, 0), 0x80800000u);
  EXPECT_EQ(copied.colourAt(0, 0), 0x80FF0000u);

  std::vector<uint32_t> memory(4 * 3, 0);
  Bitmap wrapped = Bitmap::wrap(reinterpret_cast<uint8_t*>(memory.data()), 3, 3, 16);
  ASSERT_TRUE(wrapped.isValid());
  wrapped.fill(0xFF00FF00);
  EXPECT_EQ(memory[4 + 2], 0xFF00FF00u);
  EXPECT_EQ(memory[3], 0u);  // stride padding untouched
  EXPECT_FALSE(Bitmap::wrap(reinterpret_cast<uint8_t*>(memory.data()), 3, 3, 10).isValid());

  std::string file = ::testing::TempDir() + "brevia_bitmap_test.png";
  EXPECT_EQ(wrapped.writePng(file), Status::Ok);
  FILE* f = std::fopen(file.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char signature[4] = {};
  EXPECT_EQ(std::fread(signature, 1, 4, f), 4u);
  std::fclose(f);
  std::remove(file.c_str());
  EXPECT_EQ(signature[1], 'P');
  EXPECT_EQ(wrapped.writePng("/nonexistent-dir/x.png"), Status::GenericError);
}

std::string pnmOf(const Bitmap& bitmap, PnmKind kind) {
  std::FILE* f = std::tmpfile();
  EXPECT_EQ(writePnm(bitmap, f, kind), Status::Ok);
  std::string bytes(static_cast<std::size_t>(std::ftell(f)), '\0');
  std::rewind(f);
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
  return bytes;
}

// Opacity looks at every pixel of every row but never at the padding past a row's end; the
// image writers then take the colour bytes as they stand, or unpremultiply, or put them over
// white.
TEST(BitmapWriters, OpacityPaddingAndPixelBytes) {
  std::vector<uint32_t> memory(4 * 2, 0);
  Bitmap wrapped = Bitmap::wrap(reinterpret_cast<uint8_t*>(memory.data()), 3, 2, 16);
  ASSERT_TRUE(wrapped.isValid());
  memory = {0xFF102030, 0xFF405060, 0xFF708090, 0, 0xFFA0B0C0, 0xFFD0E0F0, 0xFF000000, 0};
  wrapped.markDirty();
  EXPECT_TRUE(wrapped.isOpaque());
  const std::string head = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
  EXPECT_EQ(pnmOf(wrapped, PnmKind::Pam),
            head + std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0\xD0\xE0\xF0"
                               "\x00\x00\x00",
                               18));
  // The last pixel of the last row, half covered: straight alpha in PAM, over white in PPM.
  memory[6] = 0x80400000;
  wrapped.markDirty();
  EXPECT_FALSE(wrapped.isOpaque());
  const std::string pam = pnmOf(wrapped, PnmKind::Pam);
  EXPECT_NE(pam.find("DEPTH 4"), std::string::npos);
  EXPECT_NE(pam.find("RGB_ALPHA"), std::string::npos);
  EXPECT_EQ(pam.substr(pam.size() - 8), std::string("\xD0\xE0\xF0\xFF\x80\x00\x00\x80", 8));
  const std::string ppm = pnmOf(wrapped, PnmKind::Ppm);
  EXPECT_EQ(ppm.substr(0, 11), "P6\n3 2\n255\n");
  EXPECT_EQ(ppm.substr(ppm.size() - 3), std::string("\xBF\x7F\x7F", 3));
  memory[6] = 0xFF000000;
  memory[0] = 0xFE102030;
  wrapped.markDirty();
  EXPECT_FALSE(wrapped.isOpaque());
}

// The colour type and the rows a PNG holds, its Up filter undone.
struct PngRows {
  int colourType = -1;
  std::string rows;
};
PngRows pngOf(const Bitmap& bitmap) {
  std::FILE* f = std::tmpfile();
  EXPECT_EQ(writePng(bitmap, f), Status::Ok);
  std::string bytes(static_cast<std::size_t>(std::ftell(f)), '\0');
  std::rewind(f);
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
  PngRows out;
  std::string deflated;
  for (std::size_t at = 8; at + 12 <= bytes.size();) {
    const uint32_t length = (uint32_t(uint8_t(bytes[at])) << 24) |
                            (uint32_t(uint8_t(bytes[at + 1])) << 16) |
                            (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint8_t(bytes[at + 3]);
    const std::string type = bytes.substr(at + 4, 4);
    if (type == "IHDR") out.colourType = uint8_t(bytes[at + 8 + 9]);
    if (type == "IDAT") deflated += bytes.substr(at + 8, length);
    at += 12 + length;
  }
  std::string raw(4096, '\0');
  uLongf rawLength = raw.size();
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawLength,
                       reinterpret_cast<const Bytef*>(deflated.data()), deflated.size()),
            Z_OK);
  raw.resize(rawLength);
  const std::size_t rowBytes = raw.size() / std::size_t(bitmap.height());
  std::string previous(rowBytes - 1, '\0');
  for (int y = 0; y < bitmap.height(); ++y) {
    EXPECT_EQ(raw[y * rowBytes], 2);  // Up
    for (std::size_t i = 0; i + 1 < rowBytes; ++i)
      previous[i] = char(uint8_t(previous[i] + uint8_t(raw[y * rowBytes + 1 + i])));
    out.rows += previous;
  }
  return out;
}

// Opaque pages are written as RGB from the colour bytes as they stand; a page with any pixel not
// opaque keeps straight alpha.
TEST(BitmapWriters, PngRowsOpaqueAndTranslucent) {
  std::vector<uint32_t> memory = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};
  Bitmap bitmap = Bitmap::wrap(reinterpret_cast<uint8_t*>(memory.data()), 2, 2, 8);
  ASSERT_TRUE(bitmap.isValid());
  PngRows opaque = pngOf(bitmap);
  EXPECT_EQ(opaque.colourType, 2);
  EXPECT_EQ(opaque.rows, std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0", 12));
  memory[3] = 0x80400000;
  bitmap.markDirty();
  PngRows translucent = pngOf(bitmap);
  EXPECT_EQ(translucent.colourType, 6);
  EXPECT_EQ(translucent.rows.substr(8), std::string("\x70\x80\x90\xFF\x80\x00\x00\x80", 8));
}

}  // namespace
}  // namespace brevia::gfx
