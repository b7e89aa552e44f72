#pragma once
// PageSpace: the world transform and the clip of one drawing, kept by the device drawn into (so
// that what is painted and what is measured agree); without one, by a device that paints nothing.

#include "engine/render/devices/device.h"

class PageSpace {
 public:
  // device may be null; it must outlive its use here.
  void attach(Device* device);
  Device& device() const { return *device_; }

  const brevia::gfx::Matrix& transform() const { return device_->transform(); }
  // Non-finite matrices are refused.
  void setTransform(const brevia::gfx::Matrix& matrix) { device_->setTransform(matrix); }
  // Prepend: matrix applies first, then the current transform.
  void multiplyTransform(const brevia::gfx::Matrix& matrix) { device_->multiplyTransform(matrix); }
  void resetTransform() { device_->setTransform(brevia::gfx::Matrix()); }

  // Clip by a path or a rectangle in world coordinates, or by a device region.
  void setClip(const brevia::gfx::GraphicsPath& path, brevia::gfx::CombineMode mode) {
    device_->clipPath(path, mode);
  }
  void setClip(const brevia::gfx::RectF& rect, brevia::gfx::CombineMode mode) {
    device_->clipRect(rect, mode);
  }
  void setClip(const brevia::gfx::Region& region, brevia::gfx::CombineMode mode) {
    device_->setClip(region, mode);
  }
  void resetClip() { device_->resetClip(); }
  void getClip(brevia::gfx::Region& region) const { device_->getClip(region); }
  // Bounds of the clip in device space, or kInfiniteRect.
  brevia::gfx::RectF deviceClipBounds() const { return device_->deviceClipBounds(); }

 private:
  Device none_;
  Device* device_ = &none_;
};
