// Transparency of C_PDF_Draw: soft masks, transparency groups and the layers they draw into.

#include <algorithm>
#include <cmath>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/function.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"
#include "engine/render/xobject_descriptor.h"
#include "engine/render/xobject_loader.h"

namespace gfx = brevia::gfx;

namespace {

struct PixelBox {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
};

// The whole pixels of bounds that lie on the target of graphics and inside its clip.
PixelBox layerBox(const gfx::Graphics& graphics, const gfx::RectF& bounds) {
  const gfx::Bitmap& target = graphics.target();
  const gfx::RectF clip = graphics.deviceClipBounds();
  double x0 = std::max({double(bounds.x), double(clip.x), double(target.originX())});
  double y0 = std::max({double(bounds.y), double(clip.y), double(target.originY())});
  double x1 = std::min({double(bounds.x) + bounds.width, double(clip.x) + clip.width,
                        double(target.originX()) + target.width()});
  double y1 = std::min({double(bounds.y) + bounds.height, double(clip.y) + clip.height,
                        double(target.originY()) + target.height()});
  PixelBox box;
  if (!(x1 > x0 && y1 > y0)) return box;
  box.x = int(std::floor(x0));
  box.y = int(std::floor(y0));
  box.width = int(std::ceil(x1)) - box.x;
  box.height = int(std::ceil(y1)) - box.y;
  return box;
}

void copySettings(const gfx::Graphics& from, gfx::Graphics& to) {
  to.setSmoothingMode(from.smoothingMode());
  to.setInterpolationMode(from.interpolationMode());
  to.setCompositingMode(from.compositingMode());
  to.setTransform(from.transform());
  to.setClip(from.clip());
}

// Inside a group, or while a soft mask's content is drawn, painting starts opaque and normal.
void resetTransparency(GraphicsState& state) {
  state.softMask.reset();
  state.blendMode = gfx::BlendMode::Normal;
  state.fillAlpha = state.strokeAlpha = 1.0;
  state.fillArgb = replaceAlpha(state.fillArgb, 1.0);
  state.strokeArgb = replaceAlpha(state.strokeArgb, 1.0);
  state.imageAttributes.setAlphaFactor(1.0f);
}

}  // namespace

bool C_PDF_Draw::openLayer(gfx::RectF deviceBounds) {
  if (!graphics_ || static_cast<int>(layers_.size()) >= kMaxLayers) return false;
  const PixelBox box = layerBox(*graphics_, deviceBounds);
  if (box.empty()) return false;
  auto layer = std::make_unique<Layer>();
  layer->bitmap = gfx::Bitmap(box.width, box.height);
  if (!layer->bitmap.isValid()) return false;
  layer->bitmap.setOrigin(box.x, box.y);
  layer->graphics = std::make_unique<gfx::Graphics>(layer->bitmap);
  copySettings(*graphics_, *layer->graphics);
  layer->graphics->setBlendMode(state_->blendMode);
  graphics_ = layer->graphics.get();
  space_.attach(graphics_);
  layers_.push_back(std::move(layer));
  activeMask_ = nullptr;
  return true;
}

void C_PDF_Draw::closeLayer() {
  if (layers_.empty()) return;
  std::unique_ptr<Layer> layer = std::move(layers_.back());
  layers_.pop_back();
  gfx::Graphics* parent = layers_.empty() ? pageGraphics_.get() : layers_.back()->graphics.get();
  layer->graphics->flush();
  // The layer's content is clipped already; the clip it ends with is the current one.
  gfx::Region clip;
  layer->graphics->getClip(clip);
  parent->resetClip();
  parent->setBlendMode(layer->isGroup ? layer->blend : gfx::BlendMode::Normal);
  // A layer goes over what is below it, also inside a knockout group (its clear parts must not
  // wipe the group's earlier objects).
  const gfx::CompositingMode compositing = parent->compositingMode();
  parent->setCompositingMode(gfx::CompositingMode::SourceOver);
  parent->drawLayer(layer->bitmap, layer->alpha, layer->mask ? &layer->mask->bitmap : nullptr);
  parent->setCompositingMode(compositing);
  parent->setClip(clip);
  parent->setTransform(layer->graphics->transform());
  parent->setBlendMode(state_ ? state_->blendMode : gfx::BlendMode::Normal);
  graphics_ = parent;
  space_.attach(graphics_);
  activeMask_ = !layers_.empty() && !layers_.back()->isGroup ? layers_.back()->mask.get() : nullptr;
}

void C_PDF_Draw::syncSoftMask() {
  const SoftMask* wanted = state_->softMask.get();
  if (wanted == activeMask_) return;
  if (activeMask_) closeLayer();
  if (!wanted || flags_.skipPainting) return;
  const gfx::Bitmap& m = wanted->bitmap;
  if (!openLayer(
          gfx::RectF{float(m.originX()), float(m.originY()), float(m.width()), float(m.height())}))
    return;
  layers_.back()->mask = state_->softMask;
  activeMask_ = wanted;
}

bool C_PDF_Draw::beginGroup(const XObjectDescriptor& form) {
  if (!graphics_ || !form.isGroup || flags_.skipPainting) return false;
  // A group drawn opaque and normally looks the same drawn directly.
  if (state_->fillAlpha >= 1 && state_->blendMode == gfx::BlendMode::Normal && !state_->softMask &&
      !form.groupKnockout)
    return false;
  const float alpha = static_cast<float>(std::clamp(state_->fillAlpha, 0.0, 1.0));
  const gfx::BlendMode blend = state_->blendMode;
  if (!openLayer(graphics_->deviceClipBounds())) return false;
  layers_.back()->isGroup = true;
  layers_.back()->alpha = alpha;
  layers_.back()->blend = blend;
  resetTransparency(*state_);
  graphics_->setBlendMode(gfx::BlendMode::Normal);
  // In a knockout group each object replaces what the group's earlier objects left under it
  // (the group starts transparent), by its coverage; groups inside it composite normally.
  graphics_->setCompositingMode(form.groupKnockout ? gfx::CompositingMode::SourceCopy
                                                   : gfx::CompositingMode::SourceOver);
  return true;
}

void C_PDF_Draw::endGroup() {
  while (!layers_.empty() && !layers_.back()->isGroup) closeLayer();
  closeLayer();
}

void C_PDF_Draw::setSoftMask(const PdfObject& mask) {
  state_->softMask.reset();
  if (!graphics_ || flags_.skipPainting || softMaskNesting_ >= kMaxSoftMaskNesting || !resources_)
    return;
  const PdfObject* g = mask.lookup("G");
  XObjectDescriptor* form = g ? loadXObject(*g, creator_.context(), resources_) : nullptr;
  if (!form || !form->isForm || !form->form) return;
  const PdfObject* type = mask.lookup("S");
  const bool luminosity = !(type && type->isName("Alpha"));
  ObjectResolver& resolver = *document_.resolver();

  const PixelBox box = layerBox(*graphics_, gfx::kInfiniteRect);
  if (box.empty()) return;
  auto soft = std::make_shared<SoftMask>();
  soft->bitmap = gfx::Bitmap(box.width, box.height);
  if (!soft->bitmap.isValid()) return;
  soft->bitmap.setOrigin(box.x, box.y);

  uint32_t backdrop = 0;
  if (luminosity) {
    // The backdrop colour BC in the group's colour space (black when absent).
    std::vector<double> bc;
    std::shared_ptr<ColourSpace> space;
    try {
      PdfObject storage;
      if (const PdfObject* v = mask.lookup("BC")) {
        const PdfObject& array = resolver.resolved(*v, storage);
        for (const PdfObject& e : array.elements)
          if (e.isNumber() && bc.size() < 4) bc.push_back(e.realValue());
      }
      PdfObject groupStorage;
      if (const PdfObject* group = form->dictionary.lookup("Group")) {
        const PdfObject& gd = resolver.resolved(*group, groupStorage);
        if (const PdfObject* cs = gd.isDictionary() ? gd.lookup("CS") : nullptr) {
          PdfObject csStorage;
          space = C_PDF_Creator::namedColourSpace(
              resolver.resolved(*cs, csStorage),
              form->resources ? form->resources.get() : resources_, resolver);
        }
      }
    } catch (const C_PDF_Exception&) {
    }
    if (!space || space->componentCount != static_cast<int>(bc.size()))
      space = bc.size() == 4 ? deviceCMYK() : bc.size() == 3 ? deviceRGB() : deviceGray();
    bc.resize(4, -1.0);
    for (int i = 0; i < space->componentCount && i < 4; ++i)
      if (bc[i] < 0) bc[i] = 0;
    const uint32_t colorref = toColorref(bc[0], bc[1], bc[2], bc[3], *space);
    backdrop = 0xFF000000u | uint32_t(redOf(colorref)) << 16 | uint32_t(greenOf(colorref)) << 8 |
               blueOf(colorref);
  }
  soft->bitmap.fill(backdrop);

  {
    // The mask's content draws as a page of its own onto the mask bitmap.
    gfx::Graphics maskGraphics(soft->bitmap);
    copySettings(*graphics_, maskGraphics);
    std::vector<std::unique_ptr<Layer>> outerLayers;
    outerLayers.swap(layers_);
    gfx::Graphics* outerGraphics = graphics_;
    const SoftMask* outerActive = activeMask_;
    graphics_ = &maskGraphics;
    space_.attach(graphics_);
    activeMask_ = nullptr;
    ++softMaskNesting_;
    saveState();
    resetTransparency(*state_);
    drawForm(*form);
    restoreState();
    while (!layers_.empty()) closeLayer();
    --softMaskNesting_;
    layers_.swap(outerLayers);
    graphics_ = outerGraphics;
    space_.attach(graphics_);
    activeMask_ = outerActive;
    graphics_->setBlendMode(state_->blendMode);
  }

  // The transfer function maps the mask's values.
  std::array<uint8_t, 256> transfer;
  for (int v = 0; v < 256; ++v) transfer[v] = uint8_t(v);
  if (const PdfObject* tr = mask.lookup("TR"); tr && !tr->isName()) {
    if (std::unique_ptr<C_PDF_Function> f = createFunction(*tr, resolver)) {
      for (int v = 0; v < 256; ++v) {
        const double in = v / 255.0;
        if (f->evaluate(std::span<const double>(&in, 1)) < 1) break;
        transfer[v] = uint8_t(std::clamp(f->outputs()[0], 0.0, 1.0) * 255.0 + 0.5);
      }
    }
  }
  uint8_t* data = soft->bitmap.data();
  const int stride = soft->bitmap.stride();
  for (int y = 0; y < box.height; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
    for (int x = 0; x < box.width; ++x) {
      const uint32_t p = row[x];
      uint32_t v;
      if (luminosity) {
        // Opaque over the backdrop, so the premultiplied channels are the colour.
        v = ((p >> 16 & 0xFF) * 77 + (p >> 8 & 0xFF) * 151 + (p & 0xFF) * 28 + 128) >> 8;
      } else {
        v = p >> 24;
      }
      row[x] = uint32_t(transfer[v]) * 0x01010101u;
    }
  }
  soft->bitmap.markDirty();
  state_->softMask = std::move(soft);
}
