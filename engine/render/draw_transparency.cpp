// Transparency of C_PDF_Draw: soft masks, transparency groups and the layers they draw into.

#include <algorithm>
#include <cmath>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/devices/cairo_device.h"
#include "engine/render/function.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"
#include "engine/render/xobject_descriptor.h"
#include "engine/render/xobject_loader.h"

namespace gfx = brevia::gfx;

namespace {

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
  if (!painting() || static_cast<int>(layers_.size()) >= kMaxLayers) return false;
  if (!device_->beginLayer(deviceBounds)) return false;
  device_->setBlendMode(state_->blendMode);
  layers_.push_back(std::make_unique<Layer>());
  activeMask_ = nullptr;
  return true;
}

void C_PDF_Draw::closeLayer() {
  if (layers_.empty()) return;
  std::unique_ptr<Layer> layer = std::move(layers_.back());
  layers_.pop_back();
  device_->endLayer(layer->alpha, layer->isGroup ? layer->blend : gfx::BlendMode::Normal,
                    layer->mask ? &layer->mask->bitmap : nullptr);
  device_->setBlendMode(state_ ? state_->blendMode : gfx::BlendMode::Normal);
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
  if (!painting() || !form.isGroup || flags_.skipPainting) return false;
  // A group drawn opaque and normally looks the same drawn directly.
  if (state_->fillAlpha >= 1 && state_->blendMode == gfx::BlendMode::Normal && !state_->softMask &&
      !form.groupKnockout)
    return false;
  const float alpha = static_cast<float>(std::clamp(state_->fillAlpha, 0.0, 1.0));
  const gfx::BlendMode blend = state_->blendMode;
  if (!openLayer(device_->deviceClipBounds())) return false;
  layers_.back()->isGroup = true;
  layers_.back()->alpha = alpha;
  layers_.back()->blend = blend;
  resetTransparency(*state_);
  device_->setBlendMode(gfx::BlendMode::Normal);
  // In a knockout group each object replaces what the group's earlier objects left under it
  // (the group starts transparent), by its coverage; groups inside it composite normally.
  device_->setCompositingMode(form.groupKnockout ? gfx::CompositingMode::SourceCopy
                                                 : gfx::CompositingMode::SourceOver);
  return true;
}

void C_PDF_Draw::endGroup() {
  while (!layers_.empty() && !layers_.back()->isGroup) closeLayer();
  closeLayer();
}

void C_PDF_Draw::setSoftMask(const PdfObject& mask) {
  state_->softMask.reset();
  if (!painting() || flags_.skipPainting || softMaskNesting_ >= kMaxSoftMaskNesting || !resources_)
    return;
  const PdfObject* g = mask.lookup("G");
  XObjectDescriptor* form = g ? loadXObject(*g, creator_.context(), resources_) : nullptr;
  if (!form || !form->isForm || !form->form) return;
  const PdfObject* type = mask.lookup("S");
  const bool luminosity = !(type && type->isName("Alpha"));
  ObjectResolver& resolver = *document_.resolver();

  const gfx::RectI box =
      wholePixels(gfx::kInfiniteRect, device_->deviceClipBounds(), device_->targetBounds());
  if (box.isEmpty()) return;
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
    CairoDevice maskDevice(soft->bitmap);
    maskDevice.copySettings(*device_);
    std::vector<std::unique_ptr<Layer>> outerLayers;
    outerLayers.swap(layers_);
    Device* outerDevice = device_;
    const SoftMask* outerActive = activeMask_;
    device_ = &maskDevice;
    space_.attach(device_);
    activeMask_ = nullptr;
    ++softMaskNesting_;
    saveState();
    resetTransparency(*state_);
    drawForm(*form);
    restoreState();
    while (!layers_.empty()) closeLayer();
    --softMaskNesting_;
    layers_.swap(outerLayers);
    device_ = outerDevice;
    space_.attach(device_);
    activeMask_ = outerActive;
    device_->setBlendMode(state_->blendMode);
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
