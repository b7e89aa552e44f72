// Shadings (the sh operator) and pattern fills of C_PDF_Draw.

#include <algorithm>
#include <cmath>

#include "engine/document/pdf_document.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/devices/cairo_device.h"
#include "engine/render/operator_list.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"
#include "engine/render/shading.h"
#include "platform/graphics/linear_gradient_brush.h"
#include "platform/graphics/mesh_gradient_brush.h"
#include "platform/graphics/solid_brush.h"
#include "platform/graphics/radial_gradient_brush.h"
#include "platform/graphics/texture_brush.h"

namespace gfx = brevia::gfx;
namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

// The area a shading may need to cover, in the current world coordinates: the clip's bounds,
// or the target's when the clip is unbounded.
gfx::RectF coverage(const Device& graphics) {
  gfx::RectF device = graphics.deviceClipBounds();
  const gfx::RectF target = graphics.targetBounds();
  if (!(device.width < 1e7f && device.height < 1e7f)) device = target;
  gfx::Matrix inverse = graphics.transform();
  if (inverse.invert() != gfx::Status::Ok) return gfx::RectF{0, 0, 0, 0};
  gfx::PointF corners[4] = {{device.x, device.y},
                            {device.right(), device.y},
                            {device.x, device.bottom()},
                            {device.right(), device.bottom()}};
  inverse.transformPoints(corners, 4);
  float x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
  for (const gfx::PointF& p : corners) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return gfx::RectF{x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

gfx::Matrix C_PDF_Draw::patternSpace(const C_PDF_Pattern& pattern) const {
  const auto& m = pattern.matrix;
  gfx::Matrix space = baseCtm_;
  const gfx::Matrix matrix{float(m[0]), float(m[1]), float(m[2]),
                           float(m[3]), float(m[4]), float(m[5])};
  if (matrix.isFinite()) space.multiply(matrix, gfx::MatrixOrder::Prepend);
  return space;
}

void C_PDF_Draw::paintShading(const std::string& name) {
  std::shared_ptr<C_PDF_Shading> shading = resources_ ? resources_->shading(name) : nullptr;
  if (!shading) {
    reportOnce(Messages::kMsgFatalInternal, "16",
               "the shading /" + name + ", which is not in the page's resources");
    return;
  }
  if (flags_.skipPainting) return;
  paintGradient(*shading, nullptr);
}

namespace {

// A colour with the fill alpha applied on top of its own.
uint32_t faded(uint32_t argb, double alpha) {
  if (alpha >= 1) return argb;
  const double a = std::clamp(alpha, 0.0, 1.0) * double(argb >> 24);
  return uint32_t(a + 0.5) << 24 | (argb & 0x00FFFFFFu);
}

}  // namespace

// Paints a shading over the clip (or, with a path, inside it) in the current world
// coordinates, faded by the fill alpha.
void C_PDF_Draw::paintGradient(const C_PDF_Shading& shading, const gfx::GraphicsPath* path) {
  const int type = shading.shadingType;
  if (type < 1 || type > 7) return;
  const double alpha = state_->fillAlpha;
  gfx::Region savedClip;
  device_->getClip(savedClip);
  if (path) device_->clipPath(*path, gfx::CombineMode::Intersect);
  if (shading.hasBBox) {
    const auto& b = shading.bbox;
    device_->clipRect(gfx::RectF{std::min(b[0], b[2]), std::min(b[1], b[3]), std::fabs(b[2] - b[0]),
                                 std::fabs(b[3] - b[1])},
                      gfx::CombineMode::Intersect);
  }
  const gfx::RectF area = coverage(*device_);
  if (type == 1) {
    const auto& f = static_cast<const C_PDF_Shading_Type1&>(shading);
    if (f.samples) {
      const auto& m = f.matrix;
      const auto& d = f.domain;
      auto at = [&](double x, double y) {
        return gfx::PointF{float(m[0] * x + m[2] * y + m[4]), float(m[1] * x + m[3] * y + m[5])};
      };
      const gfx::PointF dest[3] = {at(d[0], d[2]), at(d[1], d[2]), at(d[0], d[3])};
      gfx::ImageAttributes attributes;
      attributes.setAlphaFactor(float(alpha));
      device_->drawImage(*f.samples, dest,
                         gfx::RectF{0, 0, float(f.samples->width()), float(f.samples->height())},
                         &attributes);
    }
  } else if (type >= 4) {
    const auto& mesh = static_cast<const C_PDF_Shading_Mesh&>(shading);
    if (!mesh.patches.empty()) {
      gfx::MeshGradientBrush brush;
      for (const auto& p : mesh.patches) {
        uint32_t colours[4];
        for (int i = 0; i < 4; ++i) colours[i] = faded(p.colours[i], alpha);
        if (p.triangle)
          brush.addTriangle(p.points.data(), colours);
        else
          brush.addPatch(p.points.data(), colours, p.tensor ? p.points.data() + 12 : nullptr);
      }
      device_->fillRectangle(brush, area);
    }
  } else {
    const auto& s = static_cast<const C_PDF_Shading_Type2&>(shading);
    std::vector<gfx::ColourStop> stops = s.stops;
    for (gfx::ColourStop& stop : stops) stop.colour = faded(stop.colour, alpha);
    const uint32_t startColour = faded(s.startColour, alpha), endColour = faded(s.endColour, alpha);
    if (type == 2) {
      const gfx::PointF p0{s.coords[0], s.coords[1]}, p1{s.coords[2], s.coords[3]};
      const double dx = p1.x - p0.x, dy = p1.y - p0.y;
      const double length = std::hypot(dx, dy);
      if (length > 0 && std::isfinite(length)) {
        // The band between the perpendiculars through the axis ends, widened by the extensions,
        // reaching across the whole area.
        const double reach =
            (std::hypot(area.width, area.height) + std::hypot(area.x - p0.x, area.y - p0.y)) /
                length +
            2;
        const double u0 = s.extend[0] ? -reach : 0, u1 = s.extend[1] ? 1 + reach : 1;
        auto at = [&](double u, double v) {
          return gfx::PointF{float(p0.x + u * dx - v * dy), float(p0.y + u * dy + v * dx)};
        };
        const gfx::PointF band[4] = {at(u0, -reach), at(u1, -reach), at(u1, reach), at(u0, reach)};
        gfx::GraphicsPath bandPath;
        bandPath.addPolygon(band, 4);
        gfx::LinearGradientBrush brush(p0, p1, startColour, endColour);
        if (stops.size() >= 2) brush.setInterpolationColours(stops.data(), int(stops.size()));
        brush.setWrapMode(gfx::WrapMode::Clamp);
        device_->fillPath(brush, bandPath);
      }
    } else {
      const auto& c = static_cast<const C_PDF_Shading_Type3&>(shading).circles;
      // Each end extends on its own: the circles are carried on beyond an extended end (until
      // the radius reaches 0 or the circle covers the area), keeping that end's colour there.
      const double dr = c[5] - c[2];
      const double far =
          (std::hypot(area.width, area.height) + std::hypot(area.x - c[0], area.y - c[1]) +
           std::hypot(c[3] - c[0], c[4] - c[1]) + std::fabs(c[2]) + std::fabs(c[5])) /
          std::max({std::fabs(dr), double(std::hypot(c[3] - c[0], c[4] - c[1])), 1e-3});
      double tLow = 0, tHigh = 1;
      if (s.extend[0]) tLow = dr > 0 ? std::max(-c[2] / dr, -far) : -far;
      if (s.extend[1]) tHigh = dr < 0 ? std::min(1 + c[5] / -dr, 1 + far) : 1 + far;
      auto circleAt = [&](double t, gfx::PointF& centre, float& radius) {
        centre = {float(c[0] + t * (c[3] - c[0])), float(c[1] + t * (c[4] - c[1]))};
        radius = float(std::max(0.0, c[2] + t * dr));
      };
      gfx::PointF centre0, centre1;
      float radius0, radius1;
      circleAt(tLow, centre0, radius0);
      circleAt(tHigh, centre1, radius1);
      const double span = tHigh - tLow;
      std::vector<gfx::ColourStop> mapped;
      if (stops.size() < 2) stops = {{0.0f, startColour}, {1.0f, endColour}};
      mapped.push_back({0.0f, stops.front().colour});
      for (const gfx::ColourStop& stop : stops)
        mapped.push_back({float(std::clamp((stop.position - tLow) / span, 0.0, 1.0)), stop.colour});
      mapped.push_back({1.0f, stops.back().colour});
      gfx::RadialGradientBrush brush(centre0, radius0, centre1, radius1, startColour, endColour);
      brush.setInterpolationColours(mapped.data(), int(mapped.size()));
      brush.setExtend(false);
      device_->fillRectangle(brush, area);
    }
  }
  device_->setClip(savedClip, gfx::CombineMode::Replace);
}

void C_PDF_Draw::selectPattern(std::string_view name, const OperatorList& list,
                               const OperatorRecord& r) {
  std::shared_ptr<C_PDF_Pattern> pattern =
      resources_ ? resources_->pattern(std::string(name)) : nullptr;
  if (!pattern) return;  // an absent pattern changes nothing
  currentPattern_ = pattern;
  patternPending_ = false;
  if (pattern->patternType == 1) {
    tilingFill_ = true;
    shadingFill_ = false;
    auto& tiling = static_cast<C_PDF_TilingPattern&>(*pattern);
    prepareTiling(tiling, creator_.context());
    if (tiling.paintType == 2) {
      // An uncoloured pattern: the components before the name are in the pattern space's base.
      std::shared_ptr<ColourSpace> base =
          state_->fillSpace && state_->fillSpace->base ? state_->fillSpace->base : deviceGray();
      base->nonStroking = true;
      patternColour_ =
          applyAlpha(toColorref(r.num[0], r.num[1], r.num[2], r.num[3], *base), state_->fillAlpha);
    }
  } else {
    shadingFill_ = true;
    tilingFill_ = false;
  }
  (void)list;
}

void C_PDF_Draw::selectStrokePattern(std::string_view name, const OperatorRecord& r) {
  std::shared_ptr<C_PDF_Pattern> pattern =
      resources_ ? resources_->pattern(std::string(name)) : nullptr;
  if (!pattern) return;  // an absent pattern changes nothing
  if (pattern->patternType == 1) {
    auto& tiling = static_cast<C_PDF_TilingPattern&>(*pattern);
    prepareTiling(tiling, creator_.context());
    if (tiling.paintType == 2) {
      std::shared_ptr<ColourSpace> base = state_->strokeSpace && state_->strokeSpace->base
                                              ? state_->strokeSpace->base
                                              : deviceGray();
      base->nonStroking = false;
      state_->strokePatternArgb = applyAlpha(
          toColorref(r.num[0], r.num[1], r.num[2], r.num[3], *base), state_->strokeAlpha);
    }
  }
  state_->strokePattern = std::move(pattern);
}

void C_PDF_Draw::strokeWithPattern(const gfx::Pen& pen, const gfx::GraphicsPath& path) {
  if (!painting()) return;
  // The stroke's coverage becomes the mask of a layer that the pattern fills.
  double largest = 1, smallest = 1;
  device_->transform().scaleFactors(largest, smallest);
  const double reach =
      std::max(double(pen.width()) * largest, 1.0) / 2 * std::max(2.0, double(pen.miterLimit())) +
      2;
  gfx::RectF bounds = path.bounds(&device_->transform());
  if (!(std::isfinite(bounds.x) && std::isfinite(bounds.y) && std::isfinite(reach))) return;
  bounds = gfx::RectF{float(bounds.x - reach), float(bounds.y - reach),
                      float(bounds.width + 2 * reach), float(bounds.height + 2 * reach)};
  if (!openLayer(bounds)) return;
  Layer& layer = *layers_.back();
  const gfx::RectI box = device_->layerBox();
  auto mask = std::make_shared<SoftMask>();
  mask->bitmap = gfx::Bitmap(box.width, box.height);
  if (!mask->bitmap.isValid()) {
    closeLayer();
    return;
  }
  mask->bitmap.setOrigin(box.x, box.y);
  {
    gfx::Graphics coverage(mask->bitmap);
    coverage.setSmoothingMode(device_->smoothingMode());
    coverage.setTransform(device_->transform());
    gfx::Region clip;
    device_->getClip(clip);
    coverage.setClip(clip);
    gfx::Pen opaque = pen;
    opaque.setColour(0xFF000000);
    coverage.drawPath(opaque, path);
    coverage.flush();
  }
  layer.mask = mask;
  layer.alpha = static_cast<float>(std::clamp(state_->strokeAlpha, 0.0, 1.0));

  // The layer's whole area, in user space, filled with the stroke pattern as a fill.
  gfx::Matrix toUser = device_->transform();
  if (toUser.invert() == gfx::Status::Ok) {
    gfx::PointF corners[4] = {{float(box.x), float(box.y)},
                              {float(box.x + box.width), float(box.y)},
                              {float(box.x + box.width), float(box.y + box.height)},
                              {float(box.x), float(box.y + box.height)}};
    toUser.transformPoints(corners, 4);
    gfx::GraphicsPath pagePath = std::move(path_);
    path_ = gfx::GraphicsPath(gfx::FillMode::Winding);
    path_.addPolygon(corners, 4);
    const bool tiling = tilingFill_, shading = shadingFill_;
    std::shared_ptr<C_PDF_Pattern> fillPattern = currentPattern_;
    const uint32_t fillColour = patternColour_;
    currentPattern_ = state_->strokePattern;
    tilingFill_ = currentPattern_->patternType == 1;
    shadingFill_ = !tilingFill_;
    patternColour_ = state_->strokePatternArgb;
    fillWithPattern();
    tilingFill_ = tiling;
    shadingFill_ = shading;
    currentPattern_ = std::move(fillPattern);
    patternColour_ = fillColour;
    path_ = std::move(pagePath);
  }
  closeLayer();
}

void C_PDF_Draw::fillWithPattern() {
  if (!currentPattern_) return;
  if (currentPattern_->patternType == 2) {
    const auto& pattern = static_cast<const C_PDF_ShadingPattern&>(*currentPattern_);
    if (!pattern.shading) return;
    gfx::Region savedClip;
    device_->getClip(savedClip);
    if (pattern.shading->hasBackground)
      device_->fillPath(gfx::SolidBrush(faded(pattern.shading->background, state_->fillAlpha)),
                        path_);
    device_->clipPath(path_, gfx::CombineMode::Intersect);
    const gfx::Matrix saved = device_->transform();
    device_->setTransform(patternSpace(pattern));
    paintGradient(*pattern.shading, nullptr);
    device_->setTransform(saved);
    device_->setClip(savedClip, gfx::CombineMode::Replace);
    return;
  }
  fillWithTiling(static_cast<C_PDF_TilingPattern&>(*currentPattern_));
}

void C_PDF_Draw::fillWithTiling(C_PDF_TilingPattern& pattern) {
  if (!painting() || patternNesting_ >= kMaxPatternNesting || !pattern.content ||
      pattern.content->empty())
    return;
  const double x0 = std::min(pattern.bbox[0], pattern.bbox[2]),
               x1 = std::max(pattern.bbox[0], pattern.bbox[2]);
  const double y0 = std::min(pattern.bbox[1], pattern.bbox[3]),
               y1 = std::max(pattern.bbox[1], pattern.bbox[3]);
  double xStep = std::fabs(pattern.xStep), yStep = std::fabs(pattern.yStep);
  if (!(xStep > 0)) xStep = x1 - x0;
  if (!(yStep > 0)) yStep = y1 - y0;
  if (!(xStep > 0) || !(yStep > 0) || !std::isfinite(xStep) || !std::isfinite(yStep)) return;

  if (patternNesting_ == 0) tileBudget_ = kMaxTilesPerFill;
  if (tileBudget_ <= 0) return;
  const gfx::Matrix space = patternSpace(pattern);
  // One cell is drawn into a bitmap at about device resolution, then repeated as a brush.
  const double cellW = std::hypot(space.m11(), space.m12()) * xStep;
  const double cellH = std::hypot(space.m21(), space.m22()) * yStep;
  if (!std::isfinite(cellW) || !std::isfinite(cellH)) return;
  const int w = std::clamp(int(std::lround(cellW)), 1, kMaxCellPixels);
  const int h = std::clamp(int(std::lround(cellH)), 1, kMaxCellPixels);
  gfx::Bitmap cell(w, h);
  if (!cell.isValid()) return;
  const gfx::Matrix toCell(float(w / xStep), 0, 0, float(h / yStep), float(-x0 * w / xStep),
                           float(-y0 * h / yStep));

  ++patternNesting_;
  // The cell has a path, a pending clip, a current point and a graphics of its own.
  gfx::GraphicsPath fillPath = std::move(path_);
  path_ = gfx::GraphicsPath();
  const bool nonZero = clipNonZeroPending_, evenOdd = clipEvenOddPending_;
  clipNonZeroPending_ = clipEvenOddPending_ = false;
  const gfx::PointF point = currentPoint_;
  const bool tiling = tilingFill_, shading = shadingFill_;
  auto keepPattern = currentPattern_;
  const gfx::Matrix userToDevice = device_->transform();
  {
    CairoDevice cellDevice(cell);
    cellDevice.setSmoothingMode(device_->smoothingMode());
    cellDevice.setInterpolationMode(device_->interpolationMode());
    std::vector<std::unique_ptr<Layer>> outerLayers;
    outerLayers.swap(layers_);
    Device* outerDevice = device_;
    const SoftMask* outerActive = activeMask_;
    device_ = &cellDevice;
    space_.attach(device_);
    activeMask_ = nullptr;
    saveState();
    state_->softMask.reset();
    state_->blendMode = gfx::BlendMode::Normal;
    const ResourceList* pageResources = resources_;
    if (pattern.resources) resources_ = pattern.resources.get();
    const bool uncoloured = pattern.paintType == 2;
    if (uncoloured) state_->fillArgb = state_->strokeArgb = patternColour_;
    tilingFill_ = shadingFill_ = false;
    state_->strokePattern.reset();
    const bool ignored = ignoreColourOperators_;
    ignoreColourOperators_ = ignored || uncoloured;
    // Patterns the cell uses are placed in the cell's pattern space (set for each copy below).
    const gfx::Matrix outerBase = baseCtm_;
    // Cells whose BBox reaches beyond one step overlap their neighbours: those parts are drawn
    // in from the neighbouring cells.
    const int reachX = x1 - x0 > xStep * 1.0001 ? 1 : 0, reachY = y1 - y0 > yStep * 1.0001 ? 1 : 0;
    for (int j = -reachY; j <= reachY && tileBudget_ > 0; ++j) {
      for (int i = -reachX; i <= reachX && tileBudget_ > 0; ++i) {
        --tileBudget_;
        saveState();
        gfx::Matrix at = toCell;
        at.translate(float(i * xStep), float(j * yStep), gfx::MatrixOrder::Prepend);
        device_->setTransform(at);
        state_->ctm = at;
        baseCtm_ = at;
        device_->clipRect(gfx::RectF{float(x0), float(y0), float(x1 - x0), float(y1 - y0)},
                          gfx::CombineMode::Intersect);
        const OperatorList& list = *pattern.content;
        for (const OperatorRecord& record : list.records) execute(list, record);
        path_.reset();
        clipNonZeroPending_ = clipEvenOddPending_ = false;
        restoreState();
      }
    }
    while (!layers_.empty()) closeLayer();
    baseCtm_ = outerBase;
    ignoreColourOperators_ = ignored;
    resources_ = pageResources;
    restoreState();
    layers_.swap(outerLayers);
    device_ = outerDevice;
    space_.attach(device_);
    activeMask_ = outerActive;
  }
  device_->setTransform(userToDevice);
  state_->ctm = userToDevice;
  device_->setBlendMode(state_->blendMode);

  // Cell pixels to pattern space to device to the user space the path is in.
  gfx::Matrix placement = userToDevice;
  gfx::Matrix fromCell = toCell;
  if (placement.invert() == gfx::Status::Ok && fromCell.invert() == gfx::Status::Ok) {
    placement.multiply(space, gfx::MatrixOrder::Prepend);
    placement.multiply(fromCell, gfx::MatrixOrder::Prepend);
    device_->fillTexture(cell, placement, fillPath);
  }

  path_ = std::move(fillPath);
  clipNonZeroPending_ = nonZero;
  clipEvenOddPending_ = evenOdd;
  currentPoint_ = point;
  tilingFill_ = tiling;
  shadingFill_ = shading;
  currentPattern_ = keepPattern;
  --patternNesting_;
}
