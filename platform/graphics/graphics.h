#pragma once
// Graphics: draws on a Bitmap under a world transform (world to device pixels, y downwards) and
// a clip. Every call returns its status and keeps failures as the object's last status; a
// failure never stops later drawing. Cairo state is brought up to date lazily, only when
// something changed.

#include <cstdint>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/brush.h"
#include "platform/graphics/coverage_mask.h"
#include "platform/graphics/graphics_path.h"
#include "platform/graphics/graphics_types.h"
#include "platform/graphics/image_attributes.h"
#include "platform/graphics/matrix.h"
#include "platform/graphics/pen.h"
#include "platform/graphics/region.h"

struct _cairo;

namespace brevia::gfx {

class Graphics : public StatusHolder {
 public:
  // Pens whose width maps to less than this many device pixels draw this wide instead.
  static constexpr float kMinPenPixels = 1.0f;

  // The bitmap must outlive the graphics. An invalid bitmap gives status InvalidParameter and
  // a graphics that draws nothing.
  explicit Graphics(Bitmap& target);
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  bool isValid() const { return cr_ != nullptr; }
  Bitmap& target() { return target_; }
  const Bitmap& target() const { return target_; }

  // Anti-aliasing of fills, strokes, path clips and image edges: on for HighQuality and the
  // AntiAlias modes, off for the others. Region fills are never anti-aliased.
  Status setSmoothingMode(SmoothingMode mode);
  SmoothingMode smoothingMode() const { return smoothing_; }
  Status setInterpolationMode(InterpolationMode mode);
  InterpolationMode interpolationMode() const { return interpolation_; }
  Status setCompositingMode(CompositingMode mode);
  CompositingMode compositingMode() const { return compositing_; }

  // Blend mode of all painting (also of drawLayer).
  Status setBlendMode(BlendMode mode);
  BlendMode blendMode() const { return blend_; }

  const Matrix& transform() const { return world_; }
  // A matrix with a non-finite element is refused (InvalidParameter). A singular one is taken:
  // fills under it cover nothing and strokes become one-pixel lines.
  Status setTransform(const Matrix& matrix);
  // Prepend: matrix applies first, then the current transform.
  Status multiplyTransform(const Matrix& matrix, MatrixOrder order = MatrixOrder::Prepend);
  Status translateTransform(float dx, float dy, MatrixOrder order = MatrixOrder::Prepend);
  Status scaleTransform(float sx, float sy, MatrixOrder order = MatrixOrder::Prepend);
  Status resetTransform();

  // Clip by a path in world coordinates (its fill mode, under the current transform).
  Status setClip(const GraphicsPath& path, CombineMode mode = CombineMode::Replace);
  // Clip by a rectangle in world coordinates.
  Status setClip(const RectF& rect, CombineMode mode = CombineMode::Replace);
  // Clip by a region (device space).
  Status setClip(const Region& region, CombineMode mode = CombineMode::Replace);
  Status resetClip();
  // The clip as a device-space region; setClip(region) with it restores it exactly.
  Status getClip(Region& region) const;
  const Region& clip() const { return clip_; }
  // Bounds of the clip in device space, or kInfiniteRect.
  RectF deviceClipBounds() const;
  // Bounds of the clip mapped back to world coordinates.
  RectF clipBounds() const;

  // Paints the clipped area with colour, replacing what was there.
  Status clear(Argb colour);
  Status fillPath(const Brush& brush, const GraphicsPath& path);
  Status drawPath(const Pen& pen, const GraphicsPath& path);
  Status fillRectangle(const Brush& brush, const RectF& rect);
  // Fills a device-space region without anti-aliasing (pixel centres decide). A gradient brush
  // is still placed by the world transform.
  Status fillRegion(const Brush& brush, const Region& region);

  // Draws the source rectangle of the bitmap (in pixels) onto the parallelogram whose corners
  // dest[0], dest[1], dest[2] receive the source's top-left, top-right and bottom-left corners,
  // in world coordinates, resampled with the interpolation mode. attributes may scale alpha.
  Status drawImage(const Bitmap& bitmap, const PointF dest[3], const RectF& source,
                   const ImageAttributes* attributes = nullptr);
  Status drawImage(const Bitmap& bitmap, const RectF& dest, const RectF& source,
                   const ImageAttributes* attributes = nullptr);

  // Paints a layer (a bitmap placed in device space by its origin) with the blend mode, times
  // alpha, and, when given, through the alpha channel of mask (placed by its origin; nothing
  // shows outside it). The world transform is not used; the clip applies.
  Status drawLayer(const Bitmap& layer, float alpha, const Bitmap* mask = nullptr);

  // Paints colour through a coverage mask whose top-left pixel lands on device pixel (x, y),
  // ignoring the world transform; the clip applies. Meant for glyph bitmaps: fast when the clip
  // is a rectangle.
  Status drawMask(const CoverageMask& mask, int x, int y, Argb colour);
  // Paints colour through a coverage mask mapped onto a world parallelogram (as drawImage).
  Status drawMask(const CoverageMask& mask, const PointF dest[3], Argb colour);

  // Finishes pending drawing so that the bitmap's pixels can be read.
  void flush();

 private:
  enum class CairoMatrix : uint8_t { Unknown, Identity, World };
  enum class FastClip : uint8_t { Rect, Empty, Complex };

  bool begin();
  // begin for a drawing that stays within area (device space): clip paths that hold the area
  // whole are left out of cairo's clip, and culled says whether one leaves it wholly outside.
  bool beginWithin(const RectF& area, bool& culled);
  Status end();
  void recreateContext();
  void useIdentity();
  bool useWorld();
  bool antialias() const;
  void applyPaintSettings(bool antialiasOn);
  // Sets brush as cairo's source; false (with the brush's failure kept) when it has none.
  bool setSource(const Brush& brush, Status& failure);
  Status combineClip(const Region& operand, CombineMode mode);
  void ensureClip();
  void applyClipElement(const Region::Element& element);
  void classifyClip();
  void blendMask(const CoverageMask& mask, int x, int y, Argb colour);
  // Runs body, turning an allocation failure into OutOfMemory.
  template <typename Body>
  Status guarded(Body&& body);

  Bitmap& target_;
  _cairo* cr_ = nullptr;
  RectF deviceBox_;
  Matrix world_;
  bool worldInvertible_ = true;
  CairoMatrix cairoMatrix_ = CairoMatrix::Unknown;
  SmoothingMode smoothing_ = SmoothingMode::Default;
  InterpolationMode interpolation_ = InterpolationMode::Default;
  CompositingMode compositing_ = CompositingMode::SourceOver;
  BlendMode blend_ = BlendMode::Normal;

  Region clip_;
  // The clip cairo has lags behind clip_: fully (clipDirty_) or by intersections still to
  // apply (pendingClip_).
  bool clipDirty_ = false;
  std::vector<Region::Element> pendingClip_;
  // Cairo has only the elements of clip_ not marked here (set by beginWithin; empty when it has
  // them all).
  std::vector<uint8_t> clipLeftOut_;
  std::vector<uint8_t> clipLeftOutScratch_;
  // The area elements marked as cut were cut to.
  RectF clipCutBox_;
  // The clip as the mask fast path sees it: a device rectangle (fractions give partial
  // coverage), nothing, or something only cairo can apply.
  FastClip fastClip_ = FastClip::Rect;
  RectF fastClipRect_;

  // Work buffers reused across calls.
  std::vector<PointF> devicePoints_;
  std::vector<uint8_t> maskBuffer_;
  std::vector<uint16_t> columnWeights_;
  std::vector<double> dashLengths_;
};

}  // namespace brevia::gfx
