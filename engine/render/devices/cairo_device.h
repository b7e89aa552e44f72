#pragma once
// CairoDevice: paints what the interpreter produces into a bitmap through the graphics layer,
// with the transparency layers it opens on the way.

#include <memory>
#include <vector>

#include "engine/render/devices/device.h"
#include "platform/graphics/graphics.h"

class CairoDevice : public Device {
 public:
  // The bitmap must outlive the device.
  explicit CairoDevice(brevia::gfx::Bitmap& target);
  ~CairoDevice() override;

  // The settings (smoothing, interpolation, compositing, transform and clip) of from.
  void copySettings(const Device& from);
  void setSmoothingMode(brevia::gfx::SmoothingMode mode);

  bool paints() const override { return true; }

  const brevia::gfx::Matrix& transform() const override { return current().transform(); }
  void setTransform(const brevia::gfx::Matrix& matrix) override;
  void multiplyTransform(const brevia::gfx::Matrix& matrix) override;
  void clipPath(const brevia::gfx::GraphicsPath& path, brevia::gfx::CombineMode mode) override;
  void clipRect(const brevia::gfx::RectF& rect, brevia::gfx::CombineMode mode) override;
  void setClip(const brevia::gfx::Region& region, brevia::gfx::CombineMode mode) override;
  void resetClip() override;
  void getClip(brevia::gfx::Region& region) const override;
  brevia::gfx::RectF deviceClipBounds() const override;
  brevia::gfx::RectF targetBounds() const override;

  void setBlendMode(brevia::gfx::BlendMode mode) override;
  brevia::gfx::BlendMode blendMode() const override { return current().blendMode(); }
  void setCompositingMode(brevia::gfx::CompositingMode mode) override;
  brevia::gfx::CompositingMode compositingMode() const override {
    return current().compositingMode();
  }
  void setInterpolationMode(brevia::gfx::InterpolationMode mode) override;
  brevia::gfx::InterpolationMode interpolationMode() const override {
    return current().interpolationMode();
  }
  brevia::gfx::SmoothingMode smoothingMode() const override { return current().smoothingMode(); }

  void fillPath(const brevia::gfx::Brush& brush, const brevia::gfx::GraphicsPath& path) override;
  void strokePath(const brevia::gfx::Pen& pen, const brevia::gfx::GraphicsPath& path) override;
  void fillRectangle(const brevia::gfx::Brush& brush, const brevia::gfx::RectF& rect) override;
  void drawImage(const brevia::gfx::Bitmap& bitmap, const brevia::gfx::PointF dest[3],
                 const brevia::gfx::RectF& source,
                 const brevia::gfx::ImageAttributes* attributes) override;
  void drawGlyphMask(const brevia::gfx::CoverageMask& mask, int x, int y,
                     brevia::gfx::Argb colour) override;
  void fillGlyph(const GlyphFill& fill) override;
  void fillTexture(const brevia::gfx::Bitmap& cell, const brevia::gfx::Matrix& placement,
                   const brevia::gfx::GraphicsPath& path) override;

  bool beginLayer(const brevia::gfx::RectF& deviceBounds) override;
  void endLayer(float alpha, brevia::gfx::BlendMode blend,
                const brevia::gfx::Bitmap* mask) override;
  brevia::gfx::RectI layerBox() const override;

  void flush() override;

 private:
  struct Layer {
    brevia::gfx::Bitmap bitmap{1, 1};
    std::unique_ptr<brevia::gfx::Graphics> graphics;
  };
  brevia::gfx::Graphics& current() { return layers_.empty() ? page_ : *layers_.back()->graphics; }
  const brevia::gfx::Graphics& current() const {
    return layers_.empty() ? page_ : *layers_.back()->graphics;
  }

  brevia::gfx::Graphics page_;
  std::vector<std::unique_ptr<Layer>> layers_;
};

// The whole device pixels of bounds that lie on target and inside clip (both device space).
brevia::gfx::RectI wholePixels(const brevia::gfx::RectF& bounds, const brevia::gfx::RectF& clip,
                               const brevia::gfx::RectF& target);
