#pragma once
// Device: where the content interpreter's output goes. The interpreter keeps the graphics state
// and runs the operators; a device paints what they produce (CairoDevice), collects the text
// shown (TextDevice), records it for later (DisplayList) or several of these (TeeDevice).
//
// The world transform (user space to device pixels, y downwards) and the clip are the device's
// state, set by the interpreter before it paints; this base keeps them for devices that paint
// nothing, the way a painter would keep them.

#include <array>
#include <cstdint>
#include <string>

#include "engine/layout/page_text_collector.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/brush.h"
#include "platform/graphics/coverage_mask.h"
#include "platform/graphics/graphics_path.h"
#include "platform/graphics/graphics_types.h"
#include "platform/graphics/image_attributes.h"
#include "platform/graphics/matrix.h"
#include "platform/graphics/pen.h"
#include "platform/graphics/region.h"

struct S_FixedPosSize_Font;

// One glyph of a font filled in a colour (device pixels, y downwards).
struct GlyphFill {
  S_FixedPosSize_Font* font = nullptr;
  // Device pixels per em of glyph space (a b c d, row vectors) and the character size the face
  // is set to.
  std::array<double, 4> transform{1, 0, 0, 1};
  double pixelSize = 1;
  brevia::gfx::Argb colour = 0xFF000000;
  // The code of a simple font or the CID of a Type0 font (the glyph cache's key), and the glyph
  // in the face.
  uint32_t key = 0;
  uint32_t glyph = 0;
  double originX = 0;
  double originY = 0;
};

// One code shown by a text operator, as the page's text sees it (device pixels, y downwards).
struct TextShow {
  ShownGlyph glyph;
  // The text render mode it was shown with (3: invisible, the text layer of scanned pages).
  int32_t renderMode = 0;
  // Turned away from the right angles (when those are snapped): read by no one.
  bool rotated = false;
  // Shown by a Type 3 glyph procedure: part of a glyph, not text of the page.
  bool inGlyphProcedure = false;
};

class Device {
 public:
  virtual ~Device();

  // False for devices that take only text: the interpreter then decodes no image, fills no
  // path and builds no layer for them.
  virtual bool paints() const { return true; }

  // The world transform. A matrix with a non-finite element is refused.
  virtual const brevia::gfx::Matrix& transform() const { return world_; }
  virtual void setTransform(const brevia::gfx::Matrix& matrix);
  // Prepend: matrix applies first, then the current transform.
  virtual void multiplyTransform(const brevia::gfx::Matrix& matrix);
  // Clip by a path or a rectangle in world coordinates, or by a device region.
  virtual void clipPath(const brevia::gfx::GraphicsPath& path, brevia::gfx::CombineMode mode);
  virtual void clipRect(const brevia::gfx::RectF& rect, brevia::gfx::CombineMode mode);
  virtual void setClip(const brevia::gfx::Region& region, brevia::gfx::CombineMode mode);
  virtual void resetClip();
  virtual void getClip(brevia::gfx::Region& region) const;
  // Bounds of the clip in device space, or kInfiniteRect.
  virtual brevia::gfx::RectF deviceClipBounds() const;
  // Device pixels that painting can reach now (the page's bitmap, or the open layer's).
  virtual brevia::gfx::RectF targetBounds() const { return brevia::gfx::kInfiniteRect; }

  // How what follows is painted.
  virtual void setBlendMode(brevia::gfx::BlendMode mode) { blend_ = mode; }
  virtual brevia::gfx::BlendMode blendMode() const { return blend_; }
  virtual void setCompositingMode(brevia::gfx::CompositingMode mode) { compositing_ = mode; }
  virtual brevia::gfx::CompositingMode compositingMode() const { return compositing_; }
  virtual void setInterpolationMode(brevia::gfx::InterpolationMode mode) { interpolation_ = mode; }
  virtual brevia::gfx::InterpolationMode interpolationMode() const { return interpolation_; }
  virtual brevia::gfx::SmoothingMode smoothingMode() const { return smoothing_; }

  // Painting, under the transform and the clip.
  virtual void fillPath(const brevia::gfx::Brush&, const brevia::gfx::GraphicsPath&) {}
  virtual void strokePath(const brevia::gfx::Pen&, const brevia::gfx::GraphicsPath&) {}
  virtual void fillRectangle(const brevia::gfx::Brush&, const brevia::gfx::RectF&) {}
  // The source rectangle of bitmap onto the world parallelogram whose corners dest[0..2] take
  // its top-left, top-right and bottom-left corners.
  virtual void drawImage(const brevia::gfx::Bitmap&, const brevia::gfx::PointF[3],
                         const brevia::gfx::RectF&, const brevia::gfx::ImageAttributes*) {}
  // The path filled with copies of cell (a tiling pattern's cell, drawn at about device
  // resolution), its pixels placed in world space by placement.
  virtual void fillTexture(const brevia::gfx::Bitmap& /*cell*/,
                           const brevia::gfx::Matrix& /*placement*/,
                           const brevia::gfx::GraphicsPath& /*path*/) {}
  // A glyph's coverage painted in colour, its top-left pixel on device pixel (x, y).
  virtual void drawGlyphMask(const brevia::gfx::CoverageMask&, int, int, brevia::gfx::Argb) {}
  // A glyph of a font filled in its colour; the world transform is not used.
  virtual void fillGlyph(const GlyphFill&) {}
  // The text of one shown code (drawn or not: its render mode and clip come with it).
  virtual void showText(const TextShow&) {}

  // Transparency: a layer (for a group, or a run under a soft mask) collects what is painted
  // until endLayer draws it onto what lies below with alpha, the blend mode and, when given,
  // through the mask's alpha (a bitmap placed in device space by its origin). beginLayer gives
  // false, and opens nothing, when the layer would cover no pixel or cannot be had.
  virtual bool beginLayer(const brevia::gfx::RectF& /*deviceBounds*/) { return false; }
  virtual void endLayer(float /*alpha*/, brevia::gfx::BlendMode /*blend*/,
                        const brevia::gfx::Bitmap* /*mask*/) {}
  // The pixels of the open layer in device space (its bitmap's origin and size).
  virtual brevia::gfx::RectI layerBox() const { return {0, 0, 0, 0}; }

  // Marked content (BMC/BDC … EMC) around what follows.
  virtual void beginMarkedContent(const std::string& /*tag*/) {}
  virtual void endMarkedContent() {}

  // The drawing is complete.
  virtual void flush() {}

 private:
  brevia::gfx::Matrix world_;
  brevia::gfx::Region clip_;
  brevia::gfx::BlendMode blend_ = brevia::gfx::BlendMode::Normal;
  brevia::gfx::CompositingMode compositing_ = brevia::gfx::CompositingMode::SourceOver;
  brevia::gfx::InterpolationMode interpolation_ = brevia::gfx::InterpolationMode::HighQuality;
  brevia::gfx::SmoothingMode smoothing_ = brevia::gfx::SmoothingMode::HighQuality;
};
