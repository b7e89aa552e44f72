#include "engine/render/devices/cairo_device.h"

#include <algorithm>
#include <cmath>

#include "engine/render/devices/glyph_painter.h"
#include "platform/graphics/texture_brush.h"

namespace gfx = brevia::gfx;

gfx::RectI wholePixels(const gfx::RectF& bounds, const gfx::RectF& clip, const gfx::RectF& target) {
  const double x0 = std::max({double(bounds.x), double(clip.x), double(target.x)});
  const double y0 = std::max({double(bounds.y), double(clip.y), double(target.y)});
  const double x1 = std::min({double(bounds.x) + bounds.width, double(clip.x) + clip.width,
                              double(target.x) + target.width});
  const double y1 = std::min({double(bounds.y) + bounds.height, double(clip.y) + clip.height,
                              double(target.y) + target.height});
  gfx::RectI box;
  if (!(x1 > x0 && y1 > y0)) return box;
  box.x = int(std::floor(x0));
  box.y = int(std::floor(y0));
  box.width = int(std::ceil(x1)) - box.x;
  box.height = int(std::ceil(y1)) - box.y;
  return box;
}

CairoDevice::CairoDevice(gfx::Bitmap& target) : page_(target) {}

CairoDevice::~CairoDevice() = default;

void CairoDevice::copySettings(const Device& from) {
  gfx::Graphics& g = current();
  g.setSmoothingMode(from.smoothingMode());
  g.setInterpolationMode(from.interpolationMode());
  g.setCompositingMode(from.compositingMode());
  g.setTransform(from.transform());
  gfx::Region clip;
  from.getClip(clip);
  g.setClip(clip);
}

void CairoDevice::setSmoothingMode(gfx::SmoothingMode mode) { current().setSmoothingMode(mode); }

void CairoDevice::setTransform(const gfx::Matrix& matrix) { current().setTransform(matrix); }

void CairoDevice::multiplyTransform(const gfx::Matrix& matrix) {
  current().multiplyTransform(matrix, gfx::MatrixOrder::Prepend);
}

void CairoDevice::clipPath(const gfx::GraphicsPath& path, gfx::CombineMode mode) {
  current().setClip(path, mode);
}

void CairoDevice::clipRect(const gfx::RectF& rect, gfx::CombineMode mode) {
  current().setClip(rect, mode);
}

void CairoDevice::setClip(const gfx::Region& region, gfx::CombineMode mode) {
  current().setClip(region, mode);
}

void CairoDevice::resetClip() { current().resetClip(); }

void CairoDevice::getClip(gfx::Region& region) const { current().getClip(region); }

gfx::RectF CairoDevice::deviceClipBounds() const { return current().deviceClipBounds(); }

gfx::RectF CairoDevice::targetBounds() const {
  const gfx::Bitmap& t = current().target();
  return gfx::RectF{float(t.originX()), float(t.originY()), float(t.width()), float(t.height())};
}

void CairoDevice::setBlendMode(gfx::BlendMode mode) { current().setBlendMode(mode); }

void CairoDevice::setCompositingMode(gfx::CompositingMode mode) {
  current().setCompositingMode(mode);
}

void CairoDevice::setInterpolationMode(gfx::InterpolationMode mode) {
  current().setInterpolationMode(mode);
}

void CairoDevice::fillPath(const gfx::Brush& brush, const gfx::GraphicsPath& path) {
  current().fillPath(brush, path);
}

void CairoDevice::strokePath(const gfx::Pen& pen, const gfx::GraphicsPath& path) {
  current().drawPath(pen, path);
}

void CairoDevice::fillRectangle(const gfx::Brush& brush, const gfx::RectF& rect) {
  current().fillRectangle(brush, rect);
}

void CairoDevice::drawImage(const gfx::Bitmap& bitmap, const gfx::PointF dest[3],
                            const gfx::RectF& source, const gfx::ImageAttributes* attributes) {
  current().drawImage(bitmap, dest, source, attributes);
}

void CairoDevice::drawGlyphMask(const gfx::CoverageMask& mask, int x, int y, gfx::Argb colour) {
  current().drawMask(mask, x, y, colour);
}

void CairoDevice::fillGlyph(const GlyphFill& fill) {
  if (!fill.font) return;
  GlyphPainter painter(this, *fill.font, fill.transform, fill.pixelSize, fill.colour);
  if (!painter.drawCached(fill.key, fill.originX, fill.originY))
    painter.drawGlyph(fill.key, fill.glyph, fill.originX, fill.originY);
}

void CairoDevice::fillTexture(const gfx::Bitmap& cell, const gfx::Matrix& placement,
                              const gfx::GraphicsPath& path) {
  gfx::TextureBrush brush(cell);
  if (brush.setTransform(placement) == gfx::Status::Ok) current().fillPath(brush, path);
}

bool CairoDevice::beginLayer(const gfx::RectF& deviceBounds) {
  gfx::Graphics& below = current();
  const gfx::RectI box = wholePixels(deviceBounds, below.deviceClipBounds(), targetBounds());
  if (box.isEmpty()) return false;
  auto layer = std::make_unique<Layer>();
  layer->bitmap = gfx::Bitmap(box.width, box.height);
  if (!layer->bitmap.isValid()) return false;
  layer->bitmap.setOrigin(box.x, box.y);
  layer->graphics = std::make_unique<gfx::Graphics>(layer->bitmap);
  gfx::Graphics& g = *layer->graphics;
  g.setSmoothingMode(below.smoothingMode());
  g.setInterpolationMode(below.interpolationMode());
  g.setCompositingMode(below.compositingMode());
  g.setTransform(below.transform());
  g.setClip(below.clip());
  layers_.push_back(std::move(layer));
  return true;
}

void CairoDevice::endLayer(float alpha, gfx::BlendMode blend, const gfx::Bitmap* mask) {
  if (layers_.empty()) return;
  std::unique_ptr<Layer> layer = std::move(layers_.back());
  layers_.pop_back();
  gfx::Graphics& parent = current();
  layer->graphics->flush();
  // The layer's content is clipped already; the clip it ends with is the current one.
  gfx::Region clip;
  layer->graphics->getClip(clip);
  parent.resetClip();
  parent.setBlendMode(blend);
  // A layer goes over what is below it, also inside a knockout group (its clear parts must not
  // wipe the group's earlier objects).
  const gfx::CompositingMode compositing = parent.compositingMode();
  parent.setCompositingMode(gfx::CompositingMode::SourceOver);
  parent.drawLayer(layer->bitmap, alpha, mask);
  parent.setCompositingMode(compositing);
  parent.setClip(clip);
  parent.setTransform(layer->graphics->transform());
}

gfx::RectI CairoDevice::layerBox() const {
  if (layers_.empty()) return {0, 0, 0, 0};
  const gfx::Bitmap& b = layers_.back()->bitmap;
  return {b.originX(), b.originY(), b.width(), b.height()};
}

void CairoDevice::flush() { current().flush(); }
