#include "engine/render/page_space.h"

#include <algorithm>
#include <new>

namespace gfx = brevia::gfx;

void PageSpace::attach(gfx::Graphics* painter) {
  painter_ = painter;
  world_ = gfx::Matrix();
  clip_ = gfx::Region();
}

const gfx::Matrix& PageSpace::transform() const {
  return painter_ ? painter_->transform() : world_;
}

void PageSpace::setTransform(const gfx::Matrix& matrix) {
  if (painter_) {
    painter_->setTransform(matrix);
    return;
  }
  if (!matrix.isFinite()) return;
  world_.setElements(matrix.m11(), matrix.m12(), matrix.m21(), matrix.m22(), matrix.dx(),
                     matrix.dy());
}

void PageSpace::multiplyTransform(const gfx::Matrix& matrix) {
  if (painter_) {
    painter_->multiplyTransform(matrix, gfx::MatrixOrder::Prepend);
    return;
  }
  gfx::Matrix result = world_;
  if (result.multiply(matrix, gfx::MatrixOrder::Prepend) != gfx::Status::Ok) return;
  setTransform(result);
}

void PageSpace::resetTransform() { setTransform(gfx::Matrix()); }

void PageSpace::setClip(const gfx::GraphicsPath& path, gfx::CombineMode mode) {
  if (painter_) {
    painter_->setClip(path, mode);
    return;
  }
  try {
    clip_.combine(path, world_, mode);
  } catch (const std::bad_alloc&) {
  }
}

void PageSpace::setClip(const gfx::RectF& rect, gfx::CombineMode mode) {
  if (painter_) {
    painter_->setClip(rect, mode);
    return;
  }
  try {
    gfx::PointF corners[4] = {{rect.x, rect.y},
                              {rect.right(), rect.y},
                              {rect.right(), rect.bottom()},
                              {rect.x, rect.bottom()}};
    if (world_.m12() == 0 && world_.m21() == 0) {
      // Stays a rectangle in device space, as with the painter.
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

void PageSpace::setClip(const gfx::Region& region, gfx::CombineMode mode) {
  if (painter_) {
    painter_->setClip(region, mode);
    return;
  }
  try {
    clip_.combine(region, mode);
  } catch (const std::bad_alloc&) {
  }
}

void PageSpace::resetClip() {
  if (painter_) {
    painter_->resetClip();
    return;
  }
  clip_.makeInfinite();
}

void PageSpace::getClip(gfx::Region& region) const {
  if (painter_) {
    painter_->getClip(region);
    return;
  }
  try {
    region = clip_;
  } catch (const std::bad_alloc&) {
  }
}

gfx::RectF PageSpace::deviceClipBounds() const {
  return painter_ ? painter_->deviceClipBounds() : clip_.bounds();
}
