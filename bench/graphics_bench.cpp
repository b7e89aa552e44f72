// Drawing-layer throughput on a letter page at 150 dpi: path fills and strokes, clipped fills,
// region fills, glyph masks and image drawing. Prints one line per figure.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphics.h"
#include "platform/graphics/solid_brush.h"

using namespace brevia::gfx;

namespace {

constexpr double kDpi = 150;
constexpr int kPageWidth = int(8.5 * kDpi);
constexpr int kPageHeight = int(11 * kDpi);

struct Random {
  uint32_t state = 12345;
  float next(float lo, float hi) {
    state = state * 1664525u + 1013904223u;
    return lo + (hi - lo) * float(state >> 8) / float(1 << 24);
  }
};

// The page's transform: points, y upwards, to device pixels.
Matrix pageTransform() {
  float s = float(kDpi / 72);
  return Matrix(s, 0, 0, -s, 0, float(kPageHeight));
}

// Paths of glyph-like size and shape (a few Béziers and lines, 4 to 40 points across).
std::vector<GraphicsPath> makeShapes(int count) {
  Random r;
  std::vector<GraphicsPath> shapes;
  for (int i = 0; i < count; ++i) {
    float x = r.next(20, 580), y = r.next(20, 770), w = r.next(4, 40), h = r.next(4, 40);
    GraphicsPath p(i % 2 ? FillMode::Winding : FillMode::Alternate);
    p.addBezier(x, y, x + w * 0.2f, y + h, x + w * 0.8f, y + h, x + w, y);
    p.addLine(x + w, y, x + w * 0.6f, y - h * 0.3f);
    p.addBezier(x + w * 0.6f, y - h * 0.3f, x + w * 0.4f, y - h * 0.5f, x + w * 0.1f, y - h * 0.2f,
                x, y);
    p.closeFigure();
    shapes.push_back(std::move(p));
  }
  return shapes;
}

// Prints wall time and processor time: the second is what counts on a busy machine.
void report(const char* what, int operations, const std::function<void()>& run) {
  auto start = std::chrono::steady_clock::now();
  std::clock_t cpuStart = std::clock();
  run();
  double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-46s %8d ops  wall %6.3f s  cpu %6.3f s  %9.2f us/op  %9.0f ops/s\n", what,
              operations, wall, cpu, cpu * 1e6 / operations, operations / cpu);
}

}  // namespace

int main() {
  Bitmap page(kPageWidth, kPageHeight);
  page.fill(0xFFFFFFFF);
  Graphics g(page);
  g.setSmoothingMode(SmoothingMode::HighQuality);
  g.setInterpolationMode(InterpolationMode::HighQuality);
  g.setTransform(pageTransform());
  std::printf("page %d x %d pixels (%.0f dpi)\n", kPageWidth, kPageHeight, kDpi);

  const int kShapes = 20000;
  std::vector<GraphicsPath> shapes = makeShapes(kShapes);
  SolidBrush brush(0xFF203040);

  report("fill glyph-sized paths", kShapes, [&] {
    for (const GraphicsPath& p : shapes) g.fillPath(brush, p);
  });

  report("fill glyph-sized paths, new brush each", kShapes, [&] {
    uint32_t c = 0xFF000000;
    for (const GraphicsPath& p : shapes) g.fillPath(SolidBrush(c++), p);
  });

  Pen pen(0xFF602010, 0.75f);
  pen.setLineJoin(LineJoin::Round);
  report("stroke paths, 0.75 pt pen", kShapes, [&] {
    for (const GraphicsPath& p : shapes) g.drawPath(pen, p);
  });

  Pen hairline(0xFF000000, 0.1f);
  report("stroke paths, hairline pen", kShapes, [&] {
    for (const GraphicsPath& p : shapes) g.drawPath(hairline, p);
  });

  const int kRects = 50000;
  Random r;
  report("fill rectangles", kRects, [&] {
    for (int i = 0; i < kRects; ++i)
      g.fillRectangle(brush, {r.next(0, 580), r.next(0, 760), r.next(1, 30), r.next(1, 30)});
  });

  GraphicsPath ellipse;
  ellipse.addBezier(306, 96, 500, 96, 500, 696, 306, 696);
  ellipse.addBezier(306, 696, 112, 696, 112, 96, 306, 96);
  g.setClip(ellipse);
  report("fill paths inside a curved clip", kShapes, [&] {
    for (const GraphicsPath& p : shapes) g.fillPath(brush, p);
  });
  g.resetClip();

  const int kRegions = 5000;
  report("fill regions (aliased)", kRegions, [&] {
    for (int i = 0; i < kRegions; ++i)
      g.fillRegion(brush, Region(shapes[size_t(i)], g.transform()));
  });

  const int kClips = 20000;
  report("q/Q: get clip, intersect path, set clip back", kClips, [&] {
    Region saved;
    for (int i = 0; i < kClips; ++i) {
      g.getClip(saved);
      g.setClip(shapes[size_t(i)], CombineMode::Intersect);
      g.fillPath(brush, shapes[size_t(i)]);
      g.setClip(saved);
    }
  });

  // A 12 pt glyph at 150 dpi is about 25 × 25 pixels: here a ring, empty inside and out, with
  // anti-aliased edges, as coverage bitmaps from FreeType look.
  std::vector<uint8_t> glyph(24 * 26);
  for (int y = 0; y < 26; ++y)
    for (int x = 0; x < 24; ++x) {
      double d = std::hypot(x - 11.5, y - 12.5);
      double inside = std::min(std::clamp(11.5 - d, 0.0, 1.0), std::clamp(d - 6.5, 0.0, 1.0));
      glyph[size_t(y) * 24 + size_t(x)] = uint8_t(std::lround(inside * 255));
    }
  CoverageMask mask{glyph.data(), 24, 26, 24};
  const int kGlyphs = 1000000;
  report("glyph masks, rectangle clip", kGlyphs, [&] {
    for (int i = 0; i < kGlyphs; ++i)
      g.drawMask(mask, (i * 13) % (kPageWidth - 30), (i * 7) % (kPageHeight - 30), 0xFF000000);
  });

  g.setTransform(Matrix());
  report("glyph masks, clip rectangle set per glyph", kGlyphs, [&] {
    for (int i = 0; i < kGlyphs; ++i) {
      g.setClip(RectF{float(i % 50), 10, float(kPageWidth - 100), float(kPageHeight - 20)});
      g.drawMask(mask, (i * 13) % (kPageWidth - 30), (i * 7) % (kPageHeight - 30), 0xFF000000);
    }
  });
  g.setTransform(pageTransform());
  g.setClip(ellipse);
  const int kClippedGlyphs = 200000;
  report("glyph masks, curved clip", kClippedGlyphs, [&] {
    for (int i = 0; i < kClippedGlyphs; ++i)
      g.drawMask(mask, (i * 13) % (kPageWidth - 30), (i * 7) % (kPageHeight - 30), 0xFF000000);
  });
  g.resetClip();

  Bitmap image(600, 400);
  image.fill(0xFF3080C0);
  const int kImages = 200;
  report("images 600x400 onto half a page", kImages, [&] {
    for (int i = 0; i < kImages; ++i)
      g.drawImage(image, RectF{50, 400, 500, 350}, RectF{0, 0, 600, 400});
  });
  g.setInterpolationMode(InterpolationMode::NearestNeighbor);
  report("images 600x400, nearest neighbour", kImages, [&] {
    for (int i = 0; i < kImages; ++i)
      g.drawImage(image, RectF{50, 400, 500, 350}, RectF{0, 0, 600, 400});
  });

  std::printf("last status: %s\n", statusName(g.lastStatus()));
  return 0;
}
