#pragma once
// Region: an area in device space (pixels, y downwards), made of rectangles and paths combined by
// intersection, union, exclusion and the rest. Paths are taken through a matrix to device space
// when they are added, so a region stays put whatever the world transform does later.
//
// Filling a region and counting its scans sample pixel centres (no anti-aliasing). Used as a
// clip, a path element added by Graphics::setClip(path) keeps the graphics' smoothing; elements
// added here are not anti-aliased.

#include <memory>
#include <vector>

#include "platform/graphics/graphics_path.h"
#include "platform/graphics/graphics_types.h"
#include "platform/graphics/matrix.h"

namespace brevia::gfx {

namespace detail {
struct DevicePath;
class PixelRegion;
}  // namespace detail

class Region : public StatusHolder {
 public:
  // A region built from more pieces than this is flattened to pixels.
  static constexpr int kMaxElements = 128;
  // When a region is measured on its own (bounds, scans, emptiness after unions and
  // exclusions), pixels are looked at only inside this area; it holds any bitmap with room to
  // spare. Drawing looks only at the target bitmap.
  static constexpr RectI kRasterArea{-1024, -1024, 32767 + 2048, 32767 + 2048};

  // The infinite region.
  Region();
  explicit Region(const RectF& deviceRect);
  // The path's area under its fill mode, mapped through toDevice.
  explicit Region(const GraphicsPath& path, const Matrix& toDevice = Matrix());
  static Region emptyRegion();

  Region(const Region&);
  Region& operator=(const Region&);
  Region(Region&&) noexcept;
  Region& operator=(Region&&) noexcept;
  ~Region();

  Status makeInfinite();
  Status makeEmpty();
  // Replace: the operand; Intersect, Union, Xor; Exclude: this minus the operand;
  // Complement: the operand minus this.
  Status combine(const RectF& deviceRect, CombineMode mode);
  Status combine(const GraphicsPath& path, const Matrix& toDevice, CombineMode mode);
  Status combine(const Region& other, CombineMode mode);

  // Moves the region through m (device to device), as if it had been built under m from the
  // start. Regions flattened to pixels move only by whole pixels; otherwise NotImplemented and
  // the region is left as it was.
  Status transform(const Matrix& m);

  bool isInfinite() const;
  bool isEmpty() const;
  // Device bounds; kInfiniteRect for the infinite region.
  RectF bounds() const;
  // Number of pixel rectangles in the region's band decomposition (1 for an infinite region).
  int scansCount() const;
  Status getScans(std::vector<RectI>& rects) const;

 private:
  friend class Graphics;

  enum class Shape : uint8_t { Infinite, Empty, Rect, Path, Pixels };
  struct Element {
    CombineMode op = CombineMode::Replace;
    Shape shape = Shape::Infinite;
    bool antialias = false;
    RectF rect;  // Rect: the rectangle; Path and Pixels: their bounds
    std::shared_ptr<const detail::DevicePath> path;
    std::shared_ptr<const detail::PixelRegion> pixels;
  };

  static Element rectElement(const RectF& rect);
  static Status pathElement(const GraphicsPath& path, const Matrix& toDevice, bool antialias,
                            Element& out);
  static Element pixelsElement(std::shared_ptr<const detail::PixelRegion> pixels);
  Status combineElement(Element element, CombineMode mode);
  Status combineRegion(const Region& other, CombineMode mode);
  // True when every element after the first is intersected.
  bool isIntersectionChain() const;
  static detail::PixelRegion elementPixels(const Element& e, const RectI& area);
  // Pixels of the region inside limit.
  std::shared_ptr<const detail::PixelRegion> rasterise(const RectI& limit) const;
  // Pixels inside kRasterArea, kept until the region changes.
  const detail::PixelRegion& cachedRaster() const;
  void changed() { raster_.reset(); }

  std::vector<Element> elements_;
  mutable std::shared_ptr<const detail::PixelRegion> raster_;
};

}  // namespace brevia::gfx
