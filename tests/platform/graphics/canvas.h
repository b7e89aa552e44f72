#pragma once
// A white bitmap with a graphics on it, and pixel checks for the drawing-layer tests.

#include <cstdlib>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphics.h"

namespace brevia::gfx::gfxtest {

struct Canvas {
  Canvas(int width, int height) : bitmap(width, height), graphics(bitmap) {
    bitmap.fill(0xFFFFFFFF);
    graphics.setSmoothingMode(SmoothingMode::HighQuality);
  }
  Argb at(int x, int y) {
    graphics.flush();
    return bitmap.colourAt(x, y);
  }
  // Pixels whose colour is exactly c.
  int count(Argb c) {
    graphics.flush();
    int n = 0;
    for (int y = 0; y < bitmap.height(); ++y)
      for (int x = 0; x < bitmap.width(); ++x) n += bitmap.colourAt(x, y) == c;
    return n;
  }
  // Pixels that are neither fully white nor fully black.
  int partial() { return bitmap.width() * bitmap.height() - count(0xFFFFFFFF) - count(0xFF000000); }
  Bitmap bitmap;
  Graphics graphics;
};

// Every channel within tolerance.
inline bool near(Argb a, Argb b, int tolerance = 2) {
  for (int shift = 0; shift < 32; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

inline GraphicsPath rectPath(float x, float y, float w, float h) {
  GraphicsPath path;
  path.addRectangle({x, y, w, h});
  return path;
}

}  // namespace brevia::gfx::gfxtest
