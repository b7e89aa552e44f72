#pragma once
// Pixel sets behind Region: a cairo region of pixel rectangles, and the conversion of device
// rectangles and paths into one by sampling pixel centres. Internal to platform/graphics.

#include <cairo.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/graphics/graphics_types.h"

namespace brevia::gfx::detail {

// A path already in device space, with its fill mode and bounds.
struct DevicePath {
  std::vector<PointF> points;
  std::vector<uint8_t> types;
  FillMode fillMode = FillMode::Alternate;
  RectF bounds;
};

class PixelRegion {
 public:
  PixelRegion() : region_(cairo_region_create()) {}
  explicit PixelRegion(const RectI& rect);
  explicit PixelRegion(cairo_region_t* adopted) : region_(adopted) {}
  PixelRegion(const PixelRegion& other) : region_(cairo_region_copy(other.region_)) {}
  PixelRegion(PixelRegion&& other) noexcept : region_(other.region_) { other.region_ = nullptr; }
  PixelRegion& operator=(const PixelRegion&) = delete;
  PixelRegion& operator=(PixelRegion&& other) noexcept {
    std::swap(region_, other.region_);
    return *this;
  }
  ~PixelRegion() { cairo_region_destroy(region_); }  // null-safe

  cairo_region_t* get() const { return region_; }
  bool ok() const { return cairo_region_status(region_) == CAIRO_STATUS_SUCCESS; }
  bool isEmpty() const { return cairo_region_is_empty(region_); }
  RectI extents() const;
  int count() const { return cairo_region_num_rectangles(region_); }
  RectI rect(int i) const;

 private:
  cairo_region_t* region_;
};

RectI intersect(const RectI& a, const RectI& b);
// Pixels whose centres lie inside rect, within limit.
RectI snapToPixels(const RectF& rect, const RectI& limit);
// Pixels whose centres lie inside the path, within limit.
PixelRegion rasterisePath(const DevicePath& path, const RectI& limit);

}  // namespace brevia::gfx::detail
