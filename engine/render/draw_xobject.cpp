// Drawing XObjects (forms and images) and inline images for C_PDF_Draw.

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/document/pdf_document.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/colour_space.h"
#include "engine/render/image_bitmap.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"
#include "engine/render/xobject_descriptor.h"
#include "engine/render/xobject_loader.h"

namespace gfx = brevia::gfx;
namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

// How many device pixels the image's unit square spans along the image's rows and columns.
std::pair<float, float> drawnReach(const gfx::Matrix& m) {
  return {float(std::hypot(m.m11(), m.m12())), float(std::hypot(m.m21(), m.m22()))};
}

// The largest DCT scale (8, 4 or 2) that still leaves the image enough samples where it is
// drawn; 1 for images that need every sample (masks, colour keys, palettes).
int dctScaleFor(const XObjectDescriptor& image, std::pair<float, float> reach) {
  if (image.imageMask || image.bitsPerComponent != 8 || !image.colourKey.empty()) return 1;
  if (image.colourSpace && image.colourSpace->family == ColourFamily::Indexed) return 1;
  for (const int scale : {8, 4, 2})
    if ((image.width + scale - 1) / scale >= reach.first * kMinSamplesPerDevicePixel &&
        (image.height + scale - 1) / scale >= reach.second * kMinSamplesPerDevicePixel)
      return scale;
  return 1;
}

}  // namespace

void C_PDF_Draw::drawNamedXObject(const std::string& name) {
  XObjectDescriptor* x = resources_ ? resources_->xObject(name) : nullptr;
  if (!x) {
    // Only names that are nowhere are reported; unusable XObjects are silently not drawn.
    if (!resources_ || !resources_->xObjectDictionary.lookup(name))
      reportOnce(Messages::kMsgFatalInternal, "16",
                 "the image or form /" + name + ", which is not in the page's resources");
    return;
  }
  if (hiddenByOptionalContent(x->dictionary.lookup("OC"))) return;
  if (x->isForm)
    drawForm(*x);
  else if (x->isImage)
    drawImage(*x, false, name);
}

void C_PDF_Draw::drawForm(XObjectDescriptor& form) {
  if (formNesting_ >= kMaxFormNesting || !form.form) return;
  ++formNesting_;
  saveState();
  gfx::Matrix m(float(form.matrix[0]), float(form.matrix[1]), float(form.matrix[2]),
                float(form.matrix[3]), float(form.matrix[4]), float(form.matrix[5]));
  if (m.isFinite()) {
    space_.multiplyTransform(m);
    state_->ctm = space_.transform();
  }
  // Patterns used in the form are placed in the form's space, not the page's.
  const gfx::Matrix outerBase = baseCtm_;
  baseCtm_ = space_.transform();
  // The form's BBox clips it.
  const auto& b = form.bbox;
  if (b[0] != -1.0 || b[1] != -1.0 || b[2] != -1.0 || b[3] != -1.0) {
    const gfx::RectF box{float(std::min(b[0], b[2])), float(std::min(b[1], b[3])),
                         float(std::fabs(b[2] - b[0])), float(std::fabs(b[3] - b[1]))};
    if (std::isfinite(box.x) && std::isfinite(box.y) && std::isfinite(box.width) &&
        std::isfinite(box.height))
      space_.setClip(box, gfx::CombineMode::Intersect);
  }
  const bool group = beginGroup(form);
  const ResourceList* pageResources = resources_;
  if (form.resources) resources_ = form.resources.get();
  const OperatorList& list = *form.form;
  for (const OperatorRecord& record : list.records) execute(list, record);
  if (group) endGroup();
  restoreState();
  baseCtm_ = outerBase;
  resources_ = pageResources;
  --formNesting_;
}

void C_PDF_Draw::noteImageArea(bool imageMask) {
  // Only what is painted straight onto the page: not in a layer, a tiling cell or a mask.
  if (imageMask || text_.type3Depth > 0 || !pageDevice_ || device_ != pageDevice_ ||
      !layers_.empty() || imageAreas_.size() >= kMaxImageAreas)
    return;
  // The unit square through the painter's transform.
  const gfx::Matrix& m = device_->transform();
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (const auto& [u, v] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}}) {
    const double x = m.m11() * u + m.m21() * v + m.dx(), y = m.m12() * u + m.m22() * v + m.dy();
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x);
    y1 = std::max(y1, y);
  }
  if (!(x0 < x1) || !(y0 < y1)) return;
  const gfx::RectF target = device_->targetBounds();
  const double w = target.width, h = target.height;
  const int32_t left = static_cast<int32_t>(std::clamp(std::floor(x0), 0.0, w));
  const int32_t top = static_cast<int32_t>(std::clamp(std::floor(y0), 0.0, h));
  const int32_t right = static_cast<int32_t>(std::clamp(std::ceil(x1), 0.0, w));
  const int32_t bottom = static_cast<int32_t>(std::clamp(std::ceil(y1), 0.0, h));
  if (right > left && bottom > top) imageAreas_.push_back({left, top, right - left, bottom - top});
}

void C_PDF_Draw::drawImage(XObjectDescriptor& image, bool isInline, const std::string& name) {
  if (flags_.skipImages) return;
  if (image.width == -1) return;
  const int ordinal = imageOrdinal_;
  gfx::Bitmap* bitmap =
      ordinal < static_cast<int>(imageCache_.size()) ? imageCache_[ordinal].get() : nullptr;
  // A bitmap built smaller for a smaller drawing is built again when drawn larger.
  const std::pair<float, float> reach = drawnReach(device_->transform());
  if (bitmap && ordinal < static_cast<int>(imageCacheReach_.size()) &&
      (reach.first > imageCacheReach_[ordinal].first ||
       reach.second > imageCacheReach_[ordinal].second))
    bitmap = nullptr;
  std::unique_ptr<gfx::Bitmap> uncached;
  if (!bitmap) {
    if (!isInline && !decodeImageData(image, creator_.context(), dctScaleFor(image, reach))) {
      reportOnce(0, {}, "the image /" + name + ", whose data cannot be decoded");
      return;
    }
    if (image.dataLength < 0) return;
    std::shared_ptr<ImageAlpha> maskAlpha;
    if (!isInline && !image.alpha)
      maskAlpha = loadImageAlpha(image, creator_.context(), reach.first, reach.second);
    std::unique_ptr<gfx::Bitmap> built =
        buildBitmap(image, cacheFlag_ == 1, state_->fillArgb, maskAlpha.get());
    const bool reduced = image.dataScale > 1 || (maskAlpha && maskAlpha->reduced);
    if (!isInline) {
      // The samples are decoded again should the bitmap be needed after the cache is dropped.
      image.data.clear();
      image.data.shrink_to_fit();
      image.dataLength = -1;
      image.decodeAttempted = false;
      image.dataScale = 1;
    }
    if (!built) return;
    ++bitmapsBuilt_;
    if (ordinal < kMaxCachedImages) {
      if (static_cast<int>(imageCache_.size()) <= ordinal) imageCache_.resize(ordinal + 1);
      imageCache_[ordinal] = std::move(built);
      bitmap = imageCache_[ordinal].get();
      if (static_cast<int>(imageCacheReach_.size()) <= ordinal)
        imageCacheReach_.resize(ordinal + 1);
      constexpr float kAnyReach = std::numeric_limits<float>::infinity();
      imageCacheReach_[ordinal] = reduced ? reach : std::pair{kAnyReach, kAnyReach};
    } else {
      uncached = std::move(built);
      bitmap = uncached.get();
    }
  }
  if (image.imageMask && currentPattern_ && (tilingFill_ || shadingFill_)) {
    drawImageMaskWithPattern(*bitmap);
    ++imageOrdinal_;
    return;
  }
  const gfx::InterpolationMode remembered = device_->interpolationMode();
  const gfx::Matrix& ctm = device_->transform();
  // Magnified more than six times in both directions: keep the pixels sharp.
  if (bitmap->width() * 6.0 < std::fabs(ctm.m11()) && bitmap->height() * 6.0 < std::fabs(ctm.m22()))
    device_->setInterpolationMode(gfx::InterpolationMode::NearestNeighbor);
  // Image rows run top to bottom; the unit square of user space has y upwards.
  const gfx::PointF dest[3] = {{0, 1}, {1, 1}, {0, 0}};
  // Over what lies below, also in a knockout group: the clear samples of masks and soft-masked
  // images are not part of the image's shape.
  const gfx::CompositingMode compositing = device_->compositingMode();
  device_->setCompositingMode(gfx::CompositingMode::SourceOver);
  noteImageArea(image.imageMask);
  device_->drawImage(*bitmap, dest,
                     gfx::RectF{0, 0, float(bitmap->width()), float(bitmap->height())},
                     &state_->imageAttributes);
  device_->setCompositingMode(compositing);
  device_->setInterpolationMode(remembered);
  ++imageOrdinal_;
}

void C_PDF_Draw::drawImageMaskWithPattern(const gfx::Bitmap& mask) {
  const gfx::Matrix ctm = device_->transform();
  gfx::PointF corners[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  ctm.transformPoints(corners, 4);
  float x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
  for (const gfx::PointF& c : corners) {
    x0 = std::min(x0, c.x);
    x1 = std::max(x1, c.x);
    y0 = std::min(y0, c.y);
    y1 = std::max(y1, c.y);
  }
  // The layer keeps to the clip and the page, however far the square reaches.
  if (!(std::isfinite(x0) && std::isfinite(x1) && std::isfinite(y0) && std::isfinite(y1))) return;
  // The pattern fills the image's square in a layer that the mask's samples cut out; only the
  // mask's alpha counts, not the colour it was built with.
  if (!openLayer(gfx::RectF{x0, y0, x1 - x0, y1 - y0})) return;
  Layer& layer = *layers_.back();
  const gfx::RectI box = device_->layerBox();
  auto cut = std::make_shared<SoftMask>();
  cut->bitmap = gfx::Bitmap(box.width, box.height);
  if (!cut->bitmap.isValid()) {
    closeLayer();
    return;
  }
  cut->bitmap.setOrigin(box.x, box.y);
  {
    gfx::Graphics g(cut->bitmap);
    g.setTransform(ctm);
    if (mask.width() * 6.0 < std::fabs(ctm.m11()) && mask.height() * 6.0 < std::fabs(ctm.m22()))
      g.setInterpolationMode(gfx::InterpolationMode::NearestNeighbor);
    const gfx::PointF dest[3] = {{0, 1}, {1, 1}, {0, 0}};
    g.drawImage(mask, dest, gfx::RectF{0, 0, float(mask.width()), float(mask.height())}, nullptr);
  }
  cut->bitmap.markDirty();
  layer.mask = std::move(cut);
  gfx::GraphicsPath saved = std::move(path_);
  path_ = gfx::GraphicsPath();
  path_.addRectangle(gfx::RectF{0, 0, 1, 1});
  fillWithPattern();
  path_ = std::move(saved);
  closeLayer();
}
