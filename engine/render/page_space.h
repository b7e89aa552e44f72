#pragma once
// PageSpace: the world transform and the clip of one drawing. With a painter they are the
// painter's own, so that what is painted and what is measured agree; without one (a scan for
// text) they are kept here the way the painter would keep them.

#include "platform/graphics/graphics.h"
#include "platform/graphics/graphics_path.h"
#include "platform/graphics/matrix.h"
#include "platform/graphics/region.h"

class PageSpace {
 public:
  // painter may be null; it must outlive its use here.
  void attach(brevia::gfx::Graphics* painter);
  brevia::gfx::Graphics* painter() const { return painter_; }

  const brevia::gfx::Matrix& transform() const;
  // Non-finite matrices are refused, as the painter refuses them.
  void setTransform(const brevia::gfx::Matrix& matrix);
  // Prepend: matrix applies first, then the current transform.
  void multiplyTransform(const brevia::gfx::Matrix& matrix);
  void resetTransform();

  // Clip by a path or a rectangle in world coordinates, or by a device region.
  void setClip(const brevia::gfx::GraphicsPath& path, brevia::gfx::CombineMode mode);
  void setClip(const brevia::gfx::RectF& rect, brevia::gfx::CombineMode mode);
  void setClip(const brevia::gfx::Region& region, brevia::gfx::CombineMode mode);
  void resetClip();
  void getClip(brevia::gfx::Region& region) const;
  // Bounds of the clip in device space, or kInfiniteRect.
  brevia::gfx::RectF deviceClipBounds() const;

 private:
  brevia::gfx::Graphics* painter_ = nullptr;
  brevia::gfx::Matrix world_;
  brevia::gfx::Region clip_;
};
