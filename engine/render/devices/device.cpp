#include "engine/render/devices/device.h"

#include <algorithm>
#include <new>

namespace gfx = brevia::gfx;

Device::~Device() = default;

void Device::setTransform(const gfx::Matrix& matrix) {
  if (!matrix.isFinite()) return;
  world_.setElements(matrix.m11(), matrix.m12(), matrix.m21(), matrix.m22(), matrix.dx(),
                     matrix.dy());
}

void Device::multiplyTransform(const gfx::Matrix& matrix) {
  gfx::Matrix result = world_;
  if (result.multiply(matrix, gfx::MatrixOrder::Prepend) != gfx::Status::Ok) return;
  setTransform(result);
}

void Device::clipPath(const gfx::GraphicsPath& path, gfx::CombineMode mode) {
  try {
    clip_.combine(path, world_, mode);
  } catch (const std::bad_alloc&) {
  }
}

void Device::clipRect(const gfx::RectF& rect, gfx::CombineMode mode) {
  try {
    gfx::PointF corners[4] = {{rect.x, rect.y},
                              {rect.right(), rect.y},
                              {rect.right(), rect.bottom()},
                              {rect.x, rect.bottom()}};
    if (world_.m12() == 0 && world_.m21() == 0) {
      // Stays a rectangle in device space, as with a painter.
      world_.transformPoints(corners, 4);
      const float x0 = std::min(corners[0].x, corners[2].x),
                  x1 = std::max(corners[0].x, corners[2].x);
      const float y0 = std::min(corners[0].y, corners[2].y),
                  y1 = std::max(corners[0].y, corners[2].y);
      clip_.combine(gfx::RectF{x0, y0, x1 - x0, y1 - y0}, mode);
      return;
    }
    gfx::GraphicsPath path;
    path.addPolygon(corners, 4);
    clip_.combine(path, world_, mode);
  } catch (const std::bad_alloc&) {
  }
}

void Device::setClip(const gfx::Region& region, gfx::CombineMode mode) {
  try {
    clip_.combine(region, mode);
  } catch (const std::bad_alloc&) {
  }
}

void Device::resetClip() { clip_.makeInfinite(); }

void Device::getClip(gfx::Region& region) const {
  try {
    region = clip_;
  } catch (const std::bad_alloc&) {
  }
}

gfx::RectF Device::deviceClipBounds() const { return clip_.bounds(); }
