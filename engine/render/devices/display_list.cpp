#include "engine/render/devices/display_list.h"

#include <cmath>

#include "engine/render/devices/cairo_device.h"
#include "platform/graphics/linear_gradient_brush.h"
#include "platform/graphics/mesh_gradient_brush.h"
#include "platform/graphics/path_gradient_brush.h"
#include "platform/graphics/radial_gradient_brush.h"
#include "platform/graphics/solid_brush.h"

namespace gfx = brevia::gfx;

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

template <typename T>
std::shared_ptr<const gfx::Brush> copyAs(const gfx::Brush& brush) {
  if (const auto* b = dynamic_cast<const T*>(&brush)) return std::make_shared<T>(*b);
  return nullptr;
}

}  // namespace

DisplayList::DisplayList(int width, int height) : width_(width), height_(height) {
  state_.setSmoothingMode(gfx::SmoothingMode::HighQuality);
  state_.setInterpolationMode(gfx::InterpolationMode::HighQuality);
  state_.setCompositingMode(gfx::CompositingMode::SourceOver);
}

DisplayList::~DisplayList() = default;

bool DisplayList::room() {
  if (commands_.size() < kMaxCommands) return true;
  complete_ = false;
  return false;
}

void DisplayList::add(Command command) {
  if (room()) commands_.push_back(std::move(command));
}

std::shared_ptr<const gfx::Bitmap> DisplayList::keep(const gfx::Bitmap& bitmap) {
  const std::size_t bytes = std::size_t(bitmap.stride()) * std::size_t(bitmap.height());
  if (!bitmap.isValid() || bitmapBytes_ + bytes > kMaxBitmapBytes) {
    complete_ = false;
    return nullptr;
  }
  auto copy = std::make_shared<gfx::Bitmap>(bitmap.width(), bitmap.height(), bitmap.stride(),
                                            gfx::PixelFormat::PArgb32, bitmap.data());
  if (!copy->isValid()) {
    complete_ = false;
    return nullptr;
  }
  copy->setOrigin(bitmap.originX(), bitmap.originY());
  bitmapBytes_ += bytes;
  return copy;
}

std::shared_ptr<const gfx::Brush> DisplayList::keep(const gfx::Brush& brush) {
  std::shared_ptr<const gfx::Brush> copy = copyAs<gfx::SolidBrush>(brush);
  if (!copy) copy = copyAs<gfx::LinearGradientBrush>(brush);
  if (!copy) copy = copyAs<gfx::RadialGradientBrush>(brush);
  if (!copy) copy = copyAs<gfx::MeshGradientBrush>(brush);
  if (!copy) copy = copyAs<gfx::PathGradientBrush>(brush);
  if (!copy) complete_ = false;
  return copy;
}

void DisplayList::setTransform(const gfx::Matrix& matrix) {
  state_.setTransform(matrix);
  add(SetTransform{state_.transform()});
}

void DisplayList::multiplyTransform(const gfx::Matrix& matrix) {
  state_.multiplyTransform(matrix, gfx::MatrixOrder::Prepend);
  add(SetTransform{state_.transform()});
}

void DisplayList::clipPath(const gfx::GraphicsPath& path, gfx::CombineMode mode) {
  state_.setClip(path, mode);
  add(ClipPath{path, mode});
}

void DisplayList::clipRect(const gfx::RectF& rect, gfx::CombineMode mode) {
  state_.setClip(rect, mode);
  add(ClipRect{rect, mode});
}

void DisplayList::setClip(const gfx::Region& region, gfx::CombineMode mode) {
  state_.setClip(region, mode);
  add(SetClip{region, mode});
}

void DisplayList::resetClip() {
  state_.resetClip();
  add(ResetClip{});
}

gfx::RectF DisplayList::targetBounds() const {
  if (!layers_.empty()) {
    const gfx::RectI& b = layers_.back();
    return gfx::RectF{float(b.x), float(b.y), float(b.width), float(b.height)};
  }
  return gfx::RectF{0, 0, float(width_), float(height_)};
}

void DisplayList::setBlendMode(gfx::BlendMode mode) {
  state_.setBlendMode(mode);
  add(SetBlend{mode});
}

void DisplayList::setCompositingMode(gfx::CompositingMode mode) {
  state_.setCompositingMode(mode);
  add(SetCompositing{mode});
}

void DisplayList::setInterpolationMode(gfx::InterpolationMode mode) {
  state_.setInterpolationMode(mode);
  add(SetInterpolation{mode});
}

void DisplayList::fillPath(const gfx::Brush& brush, const gfx::GraphicsPath& path) {
  if (!room()) return;
  if (auto kept = keep(brush)) add(FillPath{std::move(kept), path});
}

void DisplayList::strokePath(const gfx::Pen& pen, const gfx::GraphicsPath& path) {
  add(StrokePath{pen, path});
}

void DisplayList::fillRectangle(const gfx::Brush& brush, const gfx::RectF& rect) {
  if (!room()) return;
  if (auto kept = keep(brush)) add(FillRectangle{std::move(kept), rect});
}

void DisplayList::drawImage(const gfx::Bitmap& bitmap, const gfx::PointF dest[3],
                            const gfx::RectF& source, const gfx::ImageAttributes* attributes) {
  if (!room()) return;
  DrawImage c;
  c.bitmap = keep(bitmap);
  if (!c.bitmap) return;
  for (int i = 0; i < 3; ++i) c.dest[i] = dest[i];
  c.source = source;
  if (attributes) c.attributes = std::make_shared<gfx::ImageAttributes>(*attributes);
  add(std::move(c));
}

void DisplayList::fillTexture(const gfx::Bitmap& cell, const gfx::Matrix& placement,
                              const gfx::GraphicsPath& path) {
  if (!room()) return;
  scalable_ = false;
  if (auto kept = keep(cell)) add(FillTexture{std::move(kept), placement, path});
}

void DisplayList::drawGlyphMask(const gfx::CoverageMask& mask, int x, int y, gfx::Argb colour) {
  if (!room() || !mask.data || mask.width <= 0 || mask.height <= 0) return;
  scalable_ = false;
  GlyphMask c{{}, mask.width, mask.height, x, y, colour};
  c.coverage.resize(std::size_t(mask.width) * std::size_t(mask.height));
  for (int r = 0; r < mask.height; ++r)
    std::copy(mask.data + std::ptrdiff_t(r) * mask.pitch,
              mask.data + std::ptrdiff_t(r) * mask.pitch + mask.width,
              c.coverage.begin() + std::ptrdiff_t(r) * mask.width);
  add(std::move(c));
}

void DisplayList::fillGlyph(const GlyphFill& fill) { add(fill); }

void DisplayList::showText(const TextShow& show) {
  if (!room()) return;
  ShowText c{show, std::u16string(show.glyph.text)};
  c.show.glyph.text = {};
  add(std::move(c));
}

bool DisplayList::beginLayer(const gfx::RectF& deviceBounds) {
  // The layer a painter would open, or none when it would open none.
  const gfx::RectI box = wholePixels(deviceBounds, state_.deviceClipBounds(), targetBounds());
  if (box.isEmpty() || box.width > gfx::Bitmap::kMaxSide || box.height > gfx::Bitmap::kMaxSide ||
      int64_t(box.width) * box.height > gfx::Bitmap::kMaxPixels || !room())
    return false;
  layers_.push_back(box);
  add(BeginLayer{deviceBounds});
  return true;
}

void DisplayList::endLayer(float alpha, gfx::BlendMode blend, const gfx::Bitmap* mask) {
  if (layers_.empty()) return;
  layers_.pop_back();
  EndLayer c{alpha, blend, nullptr};
  if (mask) {
    scalable_ = false;
    c.mask = keep(*mask);
  }
  // Always kept, so that every layer opened is closed.
  commands_.push_back(std::move(c));
}

gfx::RectI DisplayList::layerBox() const {
  return layers_.empty() ? gfx::RectI{0, 0, 0, 0} : layers_.back();
}

void DisplayList::beginMarkedContent(const std::string& tag) { add(BeginMarked{tag}); }

void DisplayList::endMarkedContent() { add(EndMarked{}); }

namespace {

// A mask at the recording's resolution, placed and resampled for the replay.
std::shared_ptr<const gfx::Bitmap> placedMask(const gfx::Bitmap& mask, double scale, double dx,
                                              double dy) {
  const double x0 = mask.originX() * scale + dx, y0 = mask.originY() * scale + dy;
  const int left = int(std::floor(x0)), top = int(std::floor(y0));
  const int width = std::max(1, int(std::ceil(x0 + mask.width() * scale)) - left);
  const int height = std::max(1, int(std::ceil(y0 + mask.height() * scale)) - top);
  auto placed = std::make_shared<gfx::Bitmap>(width, height);
  if (!placed->isValid()) return nullptr;
  placed->setOrigin(left, top);
  gfx::Graphics g(*placed);
  g.setInterpolationMode(gfx::InterpolationMode::HighQuality);
  g.drawImage(
      mask,
      gfx::RectF{float(x0), float(y0), float(mask.width() * scale), float(mask.height() * scale)},
      gfx::RectF{0, 0, float(mask.width()), float(mask.height())});
  g.flush();
  return placed;
}

}  // namespace

void DisplayList::replay(Device& device, double scale, double dx, double dy) const {
  const bool identity = scale == 1 && dx == 0 && dy == 0;
  const gfx::Matrix shift(float(scale), 0, 0, float(scale), float(dx), float(dy));
  auto x = [&](double v) { return v * scale + dx; };
  auto y = [&](double v) { return v * scale + dy; };
  // Whether each layer the recording opened was opened by device too.
  std::vector<bool> opened;
  for (const Command& command : commands_) {
    std::visit(Overloaded{
                   [&](const SetTransform& c) {
                     gfx::Matrix m = c.matrix;
                     if (!identity) m.multiply(shift, gfx::MatrixOrder::Append);
                     device.setTransform(m);
                   },
                   [&](const ClipPath& c) { device.clipPath(c.path, c.mode); },
                   [&](const ClipRect& c) { device.clipRect(c.rect, c.mode); },
                   [&](const SetClip& c) {
                     if (identity) {
                       device.setClip(c.region, c.mode);
                       return;
                     }
                     gfx::Region moved = c.region;
                     moved.transform(shift);
                     device.setClip(moved, c.mode);
                   },
                   [&](const ResetClip&) { device.resetClip(); },
                   [&](const SetBlend& c) { device.setBlendMode(c.mode); },
                   [&](const SetCompositing& c) { device.setCompositingMode(c.mode); },
                   [&](const SetInterpolation& c) { device.setInterpolationMode(c.mode); },
                   [&](const FillPath& c) { device.fillPath(*c.brush, c.path); },
                   [&](const StrokePath& c) { device.strokePath(c.pen, c.path); },
                   [&](const FillRectangle& c) { device.fillRectangle(*c.brush, c.rect); },
                   [&](const DrawImage& c) {
                     device.drawImage(*c.bitmap, c.dest, c.source, c.attributes.get());
                   },
                   [&](const FillTexture& c) { device.fillTexture(*c.cell, c.placement, c.path); },
                   [&](const GlyphMask& c) {
                     const gfx::CoverageMask mask{c.coverage.data(), c.width, c.height, c.width};
                     device.drawGlyphMask(mask, int(std::lround(x(c.x))), int(std::lround(y(c.y))),
                                          c.colour);
                   },
                   [&](const GlyphFill& c) {
                     if (identity) {
                       device.fillGlyph(c);
                       return;
                     }
                     GlyphFill g = c;
                     for (double& v : g.transform) v *= scale;
                     g.pixelSize *= scale;
                     g.originX = x(c.originX);
                     g.originY = y(c.originY);
                     device.fillGlyph(g);
                   },
                   [&](const ShowText& c) {
                     TextShow show = c.show;
                     show.glyph.text = c.text;
                     if (!identity) {
                       ShownGlyph& g = show.glyph;
                       g.originX = x(g.originX);
                       g.originY = y(g.originY);
                       g.advance *= scale;
                       g.height *= scale;
                       g.clipLeft = x(g.clipLeft);
                       g.clipRight = x(g.clipRight);
                       g.clipTop = y(g.clipTop);
                       g.clipBottom = y(g.clipBottom);
                     }
                     device.showText(show);
                   },
                   [&](const BeginLayer& c) {
                     const gfx::RectF b = c.bounds;
                     opened.push_back(device.beginLayer(
                         identity ? b
                                  : gfx::RectF{float(x(b.x)), float(y(b.y)), float(b.width * scale),
                                               float(b.height * scale)}));
                   },
                   [&](const EndLayer& c) {
                     const bool open = !opened.empty() && opened.back();
                     if (!opened.empty()) opened.pop_back();
                     if (!open) return;
                     std::shared_ptr<const gfx::Bitmap> mask = c.mask;
                     if (mask && !identity) mask = placedMask(*mask, scale, dx, dy);
                     device.endLayer(c.alpha, c.blend, mask.get());
                   },
                   [&](const BeginMarked& c) { device.beginMarkedContent(c.tag); },
                   [&](const EndMarked&) { device.endMarkedContent(); },
               },
               command);
  }
}
