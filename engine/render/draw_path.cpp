// Path construction, painting and clipping of C_PDF_Draw.

#include <cmath>

#include "engine/render/pdf_draw.h"
#include "platform/graphics/pen.h"
#include "platform/graphics/region.h"
#include "platform/graphics/solid_brush.h"

namespace gfx = brevia::gfx;

namespace {

gfx::PointF point(double x, double y) { return {static_cast<float>(x), static_cast<float>(y)}; }

bool finite(const gfx::PointF& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool samePoint(const gfx::PointF& a, const gfx::PointF& b) { return a.x == b.x && a.y == b.y; }

}  // namespace

void C_PDF_Draw::pathOperator(const OperatorRecord& r) {
  if (path_.pointCount() >= kMaxPathPoints) return;
  switch (r.code) {
    case kOp_m: {
      gfx::PointF p = point(r.num[0], r.num[1]);
      if (!finite(p)) return;
      currentPoint_ = p;
      path_.startFigure();
      break;
    }
    case kOp_l: {
      gfx::PointF p = point(r.num[0], r.num[1]);
      if (!finite(p)) return;
      path_.addLine(currentPoint_, p);
      currentPoint_ = p;
      break;
    }
    case kOp_c: {
      gfx::PointF p1 = point(r.num[0], r.num[1]), p2 = point(r.num[2], r.num[3]),
                  p3 = point(r.num[4], r.num[5]);
      if (!finite(p1) || !finite(p2) || !finite(p3)) return;
      path_.addBezier(currentPoint_, p1, p2, p3);
      currentPoint_ = p3;
      break;
    }
    case kOp_v: {
      gfx::PointF p2 = point(r.num[0], r.num[1]), p3 = point(r.num[2], r.num[3]);
      if (!finite(p2) || !finite(p3)) return;
      path_.addBezier(currentPoint_, currentPoint_, p2, p3);
      currentPoint_ = p3;
      break;
    }
    case kOp_y: {
      gfx::PointF p1 = point(r.num[0], r.num[1]), p3 = point(r.num[2], r.num[3]);
      if (!finite(p1) || !finite(p3)) return;
      path_.addBezier(currentPoint_, p1, p3, p3);
      currentPoint_ = p3;
      break;
    }
    case kOp_h:
      path_.closeFigure();
      break;
    case kOp_re: {
      const double x = r.num[0], y = r.num[1], w = r.num[2], h = r.num[3];
      gfx::PointF a = point(x, y), b = point(x + w, y), c = point(x + w, y + h),
                  d = point(x, y + h);
      if (!finite(a) || !finite(c)) return;
      currentPoint_ = a;
      path_.startFigure();
      path_.addLine(a, b);
      path_.addLine(b, c);
      path_.addLine(c, d);
      path_.closeFigure();
      break;
    }
    default:
      break;
  }
}

// A stroked path must not end with figures that only repeat its last drawn point: they would
// show as dots. Those trailing figures are cut.
gfx::GraphicsPath C_PDF_Draw::cleanedForStroke() const {
  const auto& points = path_.points();
  const auto& types = path_.types();
  const int count = path_.pointCount();
  if (count <= 2) return path_;
  bool drawn = false;
  bool pending = false;
  int cutAt = -1;
  gfx::PointF lastDrawn{0, 0};
  for (int i = 0; i < count; ++i) {
    const bool start = (types[i] & gfx::kPointTypeMask) == gfx::kPointStart;
    if (pending) {
      if (samePoint(points[i], lastDrawn)) continue;
      pending = false;
    }
    if (start) {
      if (drawn && samePoint(points[i], lastDrawn)) {
        pending = true;
        cutAt = i;
      }
    } else {
      drawn = true;
      lastDrawn = points[i];
    }
  }
  if (!pending || cutAt <= 0) return path_;
  return gfx::GraphicsPath(points.data(), types.data(), cutAt, path_.fillMode());
}

gfx::Pen C_PDF_Draw::currentPen() const {
  gfx::Pen pen(state_->strokeArgb, static_cast<float>(state_->lineWidth));
  pen.setMiterLimit(static_cast<float>(state_->miterLimit));
  switch (state_->lineCap) {
    case 0:
      pen.setLineCap(gfx::LineCap::Flat, gfx::LineCap::Flat);
      break;
    case 1:
      pen.setLineCap(gfx::LineCap::Round, gfx::LineCap::Round);
      break;
    case 2:
      pen.setLineCap(gfx::LineCap::Square, gfx::LineCap::Square);
      break;
    default:
      break;
  }
  switch (state_->lineJoin) {
    case 0:
      pen.setLineJoin(gfx::LineJoin::Miter);
      break;
    case 1:
      pen.setLineJoin(gfx::LineJoin::Round);
      break;
    case 2:
      pen.setLineJoin(gfx::LineJoin::Bevel);
      break;
    default:
      break;
  }
  if (!state_->dashes.empty()) {
    std::vector<float> lengths(state_->dashes.begin(), state_->dashes.end());
    pen.setDashPattern(lengths, static_cast<float>(state_->dashPhase));
  }
  return pen;
}

void C_PDF_Draw::strokePath(const gfx::Pen& pen, const gfx::GraphicsPath& path) {
  if (state_->strokePattern)
    strokeWithPattern(pen, path);
  else
    device_->strokePath(pen, path);
}

void C_PDF_Draw::stroke(bool close) {
  if (close) path_.closeFigure();
  if (!flags_.skipPainting && !path_.isEmpty()) strokePath(currentPen(), cleanedForStroke());
  endPath();
}

void C_PDF_Draw::fill(gfx::FillMode mode) {
  path_.setFillMode(mode);
  if (flags_.skipPainting || path_.isEmpty()) return;
  if (tilingFill_ || shadingFill_) {
    fillWithPattern();
    return;
  }
  device_->fillPath(gfx::SolidBrush(state_->fillArgb), path_);
}

void C_PDF_Draw::fillThenStroke(gfx::FillMode mode, bool close) {
  if (close) path_.closeFigure();
  fill(mode);
  stroke(false);
}

void C_PDF_Draw::paintTextOutlines(const gfx::GraphicsPath& outlines, bool fillThem,
                                   bool strokeThem) {
  if (!painting() || flags_.skipPainting || outlines.isEmpty()) return;
  // Painted through the path machinery (patterns included), without touching the page's path.
  gfx::GraphicsPath pagePath = std::move(path_);
  path_ = outlines;
  if (fillThem) fill(gfx::FillMode::Winding);
  if (strokeThem) strokePath(currentPen(), path_);
  path_ = std::move(pagePath);
}

void C_PDF_Draw::addTextClip(const gfx::GraphicsPath& outlines) {
  if (!textClipPending_) return;
  const std::size_t count = outlines.points().size();
  if (textClipPoints_.size() + count > static_cast<std::size_t>(kMaxPathPoints)) return;
  // In device space: the CTM may change before ET. Every outline begins with a start point, so
  // the figures simply follow one another.
  const std::size_t at = textClipPoints_.size();
  textClipPoints_.insert(textClipPoints_.end(), outlines.points().begin(), outlines.points().end());
  textClipTypes_.insert(textClipTypes_.end(), outlines.types().begin(), outlines.types().end());
  space_.transform().transformPoints(textClipPoints_.data() + at, static_cast<int>(count));
}

void C_PDF_Draw::applyTextClip() {
  if (!textClipPending_) return;
  textClipPending_ = false;
  const gfx::Matrix userToDevice = space_.transform();
  space_.resetTransform();
  if (textClipPoints_.empty()) {
    space_.setClip(gfx::RectF{0, 0, 0, 0}, gfx::CombineMode::Intersect);
  } else {
    const gfx::GraphicsPath clip(textClipPoints_.data(), textClipTypes_.data(),
                                 static_cast<int>(textClipPoints_.size()), gfx::FillMode::Winding);
    space_.setClip(clip, gfx::CombineMode::Intersect);
  }
  space_.setTransform(userToDevice);
  textClipPoints_.clear();
  textClipTypes_.clear();
}

void C_PDF_Draw::applyPendingClips() {
  const gfx::FillMode remembered = path_.fillMode();
  if (clipNonZeroPending_) {
    path_.setFillMode(gfx::FillMode::Winding);
    space_.setClip(path_, gfx::CombineMode::Intersect);
    clipNonZeroPending_ = false;
  }
  if (clipEvenOddPending_) {
    path_.setFillMode(gfx::FillMode::Alternate);
    space_.setClip(path_, gfx::CombineMode::Intersect);
    clipEvenOddPending_ = false;
  }
  path_.setFillMode(remembered);
}

void C_PDF_Draw::endPath() {
  applyPendingClips();
  path_.reset();
}
