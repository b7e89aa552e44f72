// Shadings (the sh operator) and pattern fills of C_PDF_Draw.

#include <cmath>

#include "engine/document/pdf_document.h"
#include "engine/messages/message_catalogue.h"
#include "engine/render/colour_conversion.h"
#include "engine/render/colour_space.h"
#include "engine/render/operator_list.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/pdf_draw.h"
#include "engine/render/resource_list.h"
#include "engine/render/shading.h"
#include "platform/graphics/linear_gradient_brush.h"
#include "platform/graphics/radial_gradient_brush.h"

namespace gfx = brevia::gfx;
namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

// The area a shading may need to cover, in the current world coordinates: the clip's bounds,
// or the target's when the clip is unbounded.
gfx::RectF coverage(gfx::Graphics& graphics) {
  gfx::RectF device = graphics.deviceClipBounds();
  const gfx::RectF target{0, 0, float(graphics.target().width()), float(graphics.target().height())};
  if (!(device.width < 1e7f && device.height < 1e7f)) device = target;
  gfx::Matrix inverse = graphics.transform();
  if (inverse.invert() != gfx::Status::Ok) return gfx::RectF{0, 0, 0, 0};
  gfx::PointF corners[4] = {{device.x, device.y}, {device.right(), device.y},
                            {device.x, device.bottom()}, {device.right(), device.bottom()}};
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
  const gfx::Matrix matrix{float(m[0]), float(m[1]), float(m[2]), float(m[3]), float(m[4]), float(m[5])};
  if (matrix.isFinite()) space.multiply(matrix, gfx::MatrixOrder::Prepend);
  return space;
}

void C_PDF_Draw::paintShading(const std::string& name) {
  std::shared_ptr<C_PDF_Shading> shading = resources_ ? resources_->shading(name) : nullptr;
  if (!shading) {
    reportOnce(Messages::kMsgFatalInternal, "16");
    return;
  }
  if (flags_.skipPainting) return;
  paintGradient(*shading, nullptr);
}

// Paints an axial or radial shading over the clip (or, with a path, inside it) in the current
// world coordinates. Other types paint nothing.
void C_PDF_Draw::paintGradient(const C_PDF_Shading& shading, const gfx::GraphicsPath* path) {
  if (shading.shadingType != 2 && shading.shadingType != 3) return;
  const auto& s = static_cast<const C_PDF_Shading_Type2&>(shading);
  gfx::Region savedClip;
  graphics_->getClip(savedClip);
  if (path) graphics_->setClip(*path, gfx::CombineMode::Intersect);
  if (shading.hasBBox) {
    const auto& b = shading.bbox;
    graphics_->setClip(gfx::RectF{std::min(b[0], b[2]), std::min(b[1], b[3]), std::fabs(b[2] - b[0]),
                                  std::fabs(b[3] - b[1])},
                       gfx::CombineMode::Intersect);
  }
  const gfx::RectF area = coverage(*graphics_);
  const std::vector<gfx::ColourStop>& stops = s.stops;
  if (shading.shadingType == 2) {
    const gfx::PointF p0{s.coords[0], s.coords[1]}, p1{s.coords[2], s.coords[3]};
    const double dx = p1.x - p0.x, dy = p1.y - p0.y;
    const double length = std::hypot(dx, dy);
    if (length > 0 && std::isfinite(length)) {
      // The band between the perpendiculars through the axis ends, widened by the extensions,
      // reaching across the whole area.
      const double reach = (std::hypot(area.width, area.height) + std::hypot(area.x - p0.x, area.y - p0.y)) / length + 2;
      const double u0 = s.extend[0] ? -reach : 0, u1 = s.extend[1] ? 1 + reach : 1;
      auto at = [&](double u, double v) {
        return gfx::PointF{float(p0.x + u * dx - v * dy), float(p0.y + u * dy + v * dx)};
      };
      const gfx::PointF band[4] = {at(u0, -reach), at(u1, -reach), at(u1, reach), at(u0, reach)};
      gfx::GraphicsPath bandPath;
      bandPath.addPolygon(band, 4);
      gfx::LinearGradientBrush brush(p0, p1, s.startColour, s.endColour);
      if (stops.size() >= 2) brush.setInterpolationColours(stops.data(), int(stops.size()));
      brush.setWrapMode(gfx::WrapMode::Clamp);
      graphics_->fillPath(brush, bandPath);
    }
  } else {
    const auto& c = static_cast<const C_PDF_Shading_Type3&>(shading).circles;
    gfx::RadialGradientBrush brush({c[0], c[1]}, std::fabs(c[2]), {c[3], c[4]}, std::fabs(c[5]),
                                   s.startColour, s.endColour);
    if (stops.size() >= 2) brush.setInterpolationColours(stops.data(), int(stops.size()));
    brush.setExtend(s.extend[0] || s.extend[1]);
    graphics_->fillRectangle(brush, area);
  }
  graphics_->setClip(savedClip);
}

void C_PDF_Draw::selectPattern(std::string_view name, const OperatorList& list, const OperatorRecord& r) {
  std::shared_ptr<C_PDF_Pattern> pattern = resources_ ? resources_->pattern(std::string(name)) : nullptr;
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
      std::shared_ptr<ColourSpace> base = state_->fillSpace && state_->fillSpace->base ? state_->fillSpace->base : deviceGray();
      base->nonStroking = true;
      patternColour_ = applyAlpha(toColorref(r.num[0], r.num[1], r.num[2], r.num[3], *base), state_->fillAlpha);
    }
  } else {
    shadingFill_ = true;
    tilingFill_ = false;
  }
  (void)list;
}

void C_PDF_Draw::fillWithPattern() {
  if (!currentPattern_) return;
  if (currentPattern_->patternType == 2) {
    const auto& pattern = static_cast<const C_PDF_ShadingPattern&>(*currentPattern_);
    if (!pattern.shading) return;
    gfx::Region savedClip;
    graphics_->getClip(savedClip);
    graphics_->setClip(path_, gfx::CombineMode::Intersect);
    const gfx::Matrix saved = graphics_->transform();
    graphics_->setTransform(patternSpace(pattern));
    paintGradient(*pattern.shading, nullptr);
    graphics_->setTransform(saved);
    graphics_->setClip(savedClip);
    return;
  }
  fillWithTiling(static_cast<C_PDF_TilingPattern&>(*currentPattern_));
}

void C_PDF_Draw::fillWithTiling(C_PDF_TilingPattern& pattern) {
  if (patternNesting_ >= kMaxPatternNesting || !pattern.content || pattern.content->empty()) return;
  const double x0 = std::min(pattern.bbox[0], pattern.bbox[2]), x1 = std::max(pattern.bbox[0], pattern.bbox[2]);
  const double y0 = std::min(pattern.bbox[1], pattern.bbox[3]), y1 = std::max(pattern.bbox[1], pattern.bbox[3]);
  double xStep = std::fabs(pattern.xStep), yStep = std::fabs(pattern.yStep);
  if (!(xStep > 0)) xStep = x1 - x0;
  if (!(yStep > 0)) yStep = y1 - y0;
  if (!(xStep > 0) || !(yStep > 0) || !std::isfinite(xStep) || !std::isfinite(yStep)) return;

  if (patternNesting_ == 0) tileBudget_ = kMaxTilesPerFill;
  if (tileBudget_ <= 0) return;
  ++patternNesting_;
  // The cell has a path, a pending clip and a current point of its own.
  gfx::GraphicsPath fillPath = std::move(path_);
  path_ = gfx::GraphicsPath();
  const bool nonZero = clipNonZeroPending_, evenOdd = clipEvenOddPending_;
  clipNonZeroPending_ = clipEvenOddPending_ = false;
  const gfx::PointF point = currentPoint_;
  const bool tiling = tilingFill_, shading = shadingFill_;
  auto keepPattern = currentPattern_;

  saveState();
  graphics_->setClip(fillPath, gfx::CombineMode::Intersect);
  const gfx::Matrix space = patternSpace(pattern);
  graphics_->setTransform(space);
  const gfx::RectF area = coverage(*graphics_);
  const double iFirst = std::floor((area.x - x1) / xStep), iLast = std::ceil((area.right() - x0) / xStep);
  const double jFirst = std::floor((area.y - y1) / yStep), jLast = std::ceil((area.bottom() - y0) / yStep);
  const ResourceList* pageResources = resources_;
  if (pattern.resources) resources_ = pattern.resources.get();
  const bool uncoloured = pattern.paintType == 2;
  if (uncoloured) {
    state_->fillArgb = state_->strokeArgb = patternColour_;
  }
  tilingFill_ = shadingFill_ = false;
  const bool ignored = ignoreColourOperators_;
  ignoreColourOperators_ = ignored || uncoloured;
  if (std::isfinite(iFirst) && std::isfinite(iLast) && std::isfinite(jFirst) && std::isfinite(jLast)) {
    for (double j = jFirst; j <= jLast && tileBudget_ > 0; ++j) {
      for (double i = iFirst; i <= iLast && tileBudget_ > 0; ++i) {
        --tileBudget_;
        saveState();
        gfx::Matrix cell = space;
        cell.translate(float(i * xStep), float(j * yStep), gfx::MatrixOrder::Prepend);
        graphics_->setTransform(cell);
        state_->ctm = cell;
        graphics_->setClip(gfx::RectF{float(x0), float(y0), float(x1 - x0), float(y1 - y0)},
                           gfx::CombineMode::Intersect);
        const OperatorList& list = *pattern.content;
        for (const OperatorRecord& record : list.records) execute(list, record);
        path_.reset();
        clipNonZeroPending_ = clipEvenOddPending_ = false;
        restoreState();
      }
    }
  }
  ignoreColourOperators_ = ignored;
  resources_ = pageResources;
  restoreState();

  path_ = std::move(fillPath);
  clipNonZeroPending_ = nonZero;
  clipEvenOddPending_ = evenOdd;
  currentPoint_ = point;
  tilingFill_ = tiling;
  shadingFill_ = shading;
  currentPattern_ = keepPattern;
  --patternNesting_;
}
