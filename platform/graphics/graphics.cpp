#include "platform/graphics/graphics.h"

#include "platform/graphics/clip_coverage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/graphics/cairo_util.h"
#include "platform/graphics/device_path.h"
#include "platform/graphics/region_raster.h"

namespace brevia::gfx {

namespace {

// Transforms whose determinant is smaller than this collapse everything to (almost) nothing;
// cairo cannot invert them, so they are treated as singular.
constexpr double kMinDeterminant = 1e-24;
// Relative difference of the two stretch factors below which a transform counts as uniform.
constexpr double kUniformTolerance = 1e-5;

const uint8_t kQuadTypes[4] = {kPointStart, kPointLine, kPointLine, kPointLine | kPointCloseFlag};

cairo_filter_t filterFor(InterpolationMode mode) {
  switch (mode) {
    case InterpolationMode::NearestNeighbor:
      return CAIRO_FILTER_NEAREST;
    case InterpolationMode::HighQuality:
    case InterpolationMode::Bicubic:
    case InterpolationMode::HighQualityBilinear:
    case InterpolationMode::HighQualityBicubic:
      return CAIRO_FILTER_GOOD;
    default:
      return CAIRO_FILTER_BILINEAR;
  }
}

cairo_line_cap_t capFor(LineCap cap) {
  switch (cap) {
    case LineCap::Square:
      return CAIRO_LINE_CAP_SQUARE;
    case LineCap::Round:
    case LineCap::Triangle:
      return CAIRO_LINE_CAP_ROUND;
    default:
      return CAIRO_LINE_CAP_BUTT;
  }
}

cairo_line_join_t joinFor(LineJoin join) {
  switch (join) {
    case LineJoin::Bevel:
      return CAIRO_LINE_JOIN_BEVEL;
    case LineJoin::Round:
      return CAIRO_LINE_JOIN_ROUND;
    default:
      return CAIRO_LINE_JOIN_MITER;
  }
}

cairo_operator_t operatorFor(BlendMode mode) {
  switch (mode) {
    case BlendMode::Multiply:
      return CAIRO_OPERATOR_MULTIPLY;
    case BlendMode::Screen:
      return CAIRO_OPERATOR_SCREEN;
    case BlendMode::Overlay:
      return CAIRO_OPERATOR_OVERLAY;
    case BlendMode::Darken:
      return CAIRO_OPERATOR_DARKEN;
    case BlendMode::Lighten:
      return CAIRO_OPERATOR_LIGHTEN;
    case BlendMode::ColorDodge:
      return CAIRO_OPERATOR_COLOR_DODGE;
    case BlendMode::ColorBurn:
      return CAIRO_OPERATOR_COLOR_BURN;
    case BlendMode::HardLight:
      return CAIRO_OPERATOR_HARD_LIGHT;
    case BlendMode::SoftLight:
      return CAIRO_OPERATOR_SOFT_LIGHT;
    case BlendMode::Difference:
      return CAIRO_OPERATOR_DIFFERENCE;
    case BlendMode::Exclusion:
      return CAIRO_OPERATOR_EXCLUSION;
    case BlendMode::Hue:
      return CAIRO_OPERATOR_HSL_HUE;
    case BlendMode::Saturation:
      return CAIRO_OPERATOR_HSL_SATURATION;
    case BlendMode::Color:
      return CAIRO_OPERATOR_HSL_COLOR;
    case BlendMode::Luminosity:
      return CAIRO_OPERATOR_HSL_LUMINOSITY;
    default:
      return CAIRO_OPERATOR_OVER;
  }
}

cairo_fill_rule_t ruleFor(FillMode mode) {
  return mode == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
}

RectF intersectF(const RectF& a, const RectF& b) {
  float x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  float x1 = std::min(a.right(), b.right()), y1 = std::min(a.bottom(), b.bottom());
  if (!(x1 > x0 && y1 > y0)) return RectF{};
  return RectF{x0, y0, x1 - x0, y1 - y0};
}

// Each channel of a premultiplied pixel times a / 255, rounded.
inline uint32_t scalePixel(uint32_t p, uint32_t a) {
  uint32_t rb = (p & 0x00FF00FF) * a + 0x00800080;
  rb = ((rb + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
  uint32_t ag = ((p >> 8) & 0x00FF00FF) * a + 0x00800080;
  ag = (ag + ((ag >> 8) & 0x00FF00FF)) & 0xFF00FF00;
  return rb | ag;
}

// The matrix from device space to source pixels for a parallelogram destination (dest[0..2]
// receive the source's top-left, top-right and bottom-left corners). False when the placement
// collapses.
bool deviceToSource(const PointF dest[3], const RectF& source, const Matrix& world,
                    cairo_matrix_t& out) {
  double sw = source.width, sh = source.height;
  cairo_matrix_t toWorld;
  double xx = (double(dest[1].x) - dest[0].x) / sw, yx = (double(dest[1].y) - dest[0].y) / sw;
  double xy = (double(dest[2].x) - dest[0].x) / sh, yy = (double(dest[2].y) - dest[0].y) / sh;
  cairo_matrix_init(&toWorld, xx, yx, xy, yy, dest[0].x - source.x * xx - source.y * xy,
                    dest[0].y - source.x * yx - source.y * yy);
  cairo_matrix_t worldMatrix = detail::toCairo(world);
  cairo_matrix_multiply(&out, &toWorld, &worldMatrix);
  double det = out.xx * out.yy - out.yx * out.xy;
  if (!std::isfinite(det) || std::fabs(det) < kMinDeterminant) return false;
  return cairo_matrix_invert(&out) == CAIRO_STATUS_SUCCESS;
}

bool finitePoints(const PointF* p, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y)) return false;
  return true;
}

bool validMask(const CoverageMask& mask) {
  return mask.data && mask.width > 0 && mask.height > 0 && mask.width <= Bitmap::kMaxSide &&
         mask.height <= Bitmap::kMaxSide && std::abs(mask.pitch) >= mask.width;
}

// Paints cairo's source through the mask: at (x, y) in device pixels, or placed by
// deviceToMask when given. The mask is copied into buffer because cairo wants 4-byte rows.
void paintMask(cairo_t* cr, std::vector<uint8_t>& buffer, const CoverageMask& mask,
               const cairo_matrix_t* deviceToMask, cairo_filter_t filter, int x, int y) {
  int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, mask.width);
  buffer.resize(size_t(stride) * size_t(mask.height));
  for (int row = 0; row < mask.height; ++row)
    std::memcpy(buffer.data() + size_t(row) * size_t(stride),
                mask.data + ptrdiff_t(row) * mask.pitch, size_t(mask.width));
  cairo_surface_t* surface = cairo_image_surface_create_for_data(buffer.data(), CAIRO_FORMAT_A8,
                                                                 mask.width, mask.height, stride);
  if (!deviceToMask) {
    cairo_mask_surface(cr, surface, x, y);
  } else {
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_pattern_set_matrix(pattern, deviceToMask);
    cairo_pattern_set_filter(pattern, filter);
    cairo_mask(cr, pattern);
    cairo_pattern_destroy(pattern);
  }
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
}

}  // namespace

template <typename Body>
Status Graphics::guarded(Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    if (cr_) cairo_new_path(cr_);
    return keep(Status::OutOfMemory);
  }
}

Graphics::Graphics(Bitmap& target) : target_(target) {
  if (!target.isValid()) {
    keep(Status::InvalidParameter);
    return;
  }
  cairo_t* cr = cairo_create(target.surface());
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    keep(detail::fromCairo(cairo_status(cr)));
    cairo_destroy(cr);
    return;
  }
  cr_ = cr;
  deviceBox_ = RectF{float(target.originX()), float(target.originY()), float(target.width()),
                     float(target.height())};
  fastClipRect_ = deviceBox_;
}

Graphics::~Graphics() {
  if (!cr_) return;
  cairo_surface_flush(target_.surface());
  cairo_destroy(cr_);
}

void Graphics::flush() {
  if (cr_) cairo_surface_flush(target_.surface());
}

bool Graphics::begin() {
  if (!cr_) {
    keep(Status::WrongState);
    return false;
  }
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) recreateContext();
  try {
    ensureClip();
  } catch (const std::bad_alloc&) {
    // Better to draw nothing than outside the clip.
    keep(Status::OutOfMemory);
    clipDirty_ = true;
    return false;
  }
  return true;
}

namespace {

// How beginWithin hands a clip element to cairo.
constexpr uint8_t kClipWhole = 0, kClipLeftOut = 1, kClipCut = 2;
// Clip outlines of at least this many points are cut to the drawing's area before cairo gets
// them; smaller ones cost cairo little.
constexpr size_t kMinCutClipPoints = 64;

bool hasCurves(const detail::DevicePath& path) {
  for (const uint8_t type : path.types)
    if ((type & kPointTypeMask) == kPointBezier) return true;
  return false;
}

}  // namespace

bool Graphics::beginWithin(const RectF& area, bool& culled) {
  culled = false;
  // Only an intersection of paths can leave a path out; a rectangle clip costs nothing anyway.
  if (fastClip_ != FastClip::Complex || !clip_.isIntersectionChain() || !cr_ ||
      !std::isfinite(area.x) || !std::isfinite(area.y) || !std::isfinite(area.width) ||
      !std::isfinite(area.height))
    return begin();
  const auto& elements = clip_.elements_;
  // A pixel next to the area may be touched by anti-aliasing.
  const RectF reach{area.x - 1, area.y - 1, area.width + 2, area.height + 2};
  // Off the target or outside every clip element's bounds: nothing to draw.
  if (intersectF(intersectF(reach, deviceBox_), clip_.bounds()).isEmpty()) {
    culled = true;
    return true;
  }
  std::vector<uint8_t>& leftOut = clipLeftOutScratch_;
  leftOut.assign(elements.size(), 0);
  bool anyLeftOut = false;
  for (size_t i = 0; i < elements.size(); ++i) {
    const Region::Element& e = elements[i];
    if (e.shape != Region::Shape::Path || !e.path) continue;
    const detail::ClipCoverage coverage = detail::rectCoverage(*e.path, reach);
    if (coverage == detail::ClipCoverage::Outside) {
      culled = true;
      return true;
    }
    if (coverage == detail::ClipCoverage::Inside) {
      leftOut[i] = kClipLeftOut;
      anyLeftOut = true;
    } else if (e.path->points.size() >= kMinCutClipPoints && !hasCurves(*e.path)) {
      // A large outline that crosses the area goes to cairo as far as it lies near the area.
      leftOut[i] = kClipCut;
      anyLeftOut = true;
    }
  }
  if (!anyLeftOut) return begin();
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) recreateContext();
  const RectF cutBox{reach.x - 2, reach.y - 2, reach.width + 4, reach.height + 4};
  const bool cut = std::find(leftOut.begin(), leftOut.end(), kClipCut) != leftOut.end();
  if (!clipDirty_ && pendingClip_.empty() && clipLeftOut_ == leftOut &&
      (!cut || clipCutBox_ == cutBox))
    return true;
  try {
    cairo_reset_clip(cr_);
    useIdentity();
    for (size_t i = 0; i < elements.size(); ++i) {
      if (leftOut[i] == kClipLeftOut) continue;
      if (leftOut[i] == kClipWhole) {
        applyClipElement(elements[i]);
        continue;
      }
      const detail::DevicePath& path = *elements[i].path;
      cairo_new_path(cr_);
      cairo_set_fill_rule(cr_, ruleFor(path.fillMode));
      cairo_set_antialias(cr_,
                          elements[i].antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
      detail::appendCutFillPath(cr_, {path.points.data(), path.types.data(), path.points.size()},
                                cutBox);
      cairo_clip(cr_);
    }
    clipLeftOut_ = leftOut;
    clipCutBox_ = cutBox;
  } catch (const std::bad_alloc&) {
    keep(Status::OutOfMemory);
    clipLeftOut_.clear();
    clipDirty_ = true;
    return false;
  }
  clipDirty_ = false;
  pendingClip_.clear();
  return true;
}

Status Graphics::end() {
  cairo_status_t status = cairo_status(cr_);
  if (status == CAIRO_STATUS_SUCCESS) return Status::Ok;
  // Cairo contexts stay broken after an error; drawing goes on with a fresh one.
  recreateContext();
  return keep(detail::fromCairo(status));
}

void Graphics::recreateContext() {
  cairo_t* fresh = cairo_create(target_.surface());
  if (cairo_status(fresh) != CAIRO_STATUS_SUCCESS) {
    keep(detail::fromCairo(cairo_status(fresh)));
    cairo_destroy(fresh);
    return;
  }
  cairo_destroy(cr_);
  cr_ = fresh;
  cairoMatrix_ = CairoMatrix::Unknown;
  clipDirty_ = true;
  pendingClip_.clear();
}

void Graphics::useIdentity() {
  if (cairoMatrix_ == CairoMatrix::Identity) return;
  cairo_identity_matrix(cr_);
  cairoMatrix_ = CairoMatrix::Identity;
}

bool Graphics::useWorld() {
  if (!worldInvertible_) return false;
  if (cairoMatrix_ == CairoMatrix::World) return true;
  cairo_matrix_t m = detail::toCairo(world_);
  cairo_set_matrix(cr_, &m);
  cairoMatrix_ = CairoMatrix::World;
  return true;
}

bool Graphics::antialias() const {
  switch (smoothing_) {
    case SmoothingMode::HighQuality:
    case SmoothingMode::AntiAlias:
    case SmoothingMode::AntiAlias8x4:
    case SmoothingMode::AntiAlias8x8:
      return true;
    default:
      return false;
  }
}

void Graphics::applyPaintSettings(bool antialiasOn) {
  cairo_set_antialias(cr_, antialiasOn ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(cr_, compositing_ == CompositingMode::SourceCopy ? CAIRO_OPERATOR_SOURCE
                                                                      : operatorFor(blend_));
}

bool Graphics::setSource(const Brush& brush, Status& failure) {
  failure = Status::Ok;
  cairo_pattern_t* pattern = brush.pattern();
  if (!pattern) {
    failure = brush.lastStatus() != Status::Ok ? brush.lastStatus() : Status::InvalidParameter;
    return false;
  }
  // Gradients are placed in world space; under a singular transform there is nothing to paint.
  if (!brush.isSolid() && !useWorld()) return false;
  cairo_set_source(cr_, pattern);
  return true;
}

// ---- state ----

Status Graphics::setSmoothingMode(SmoothingMode mode) {
  if (int(mode) < 0 || int(mode) > int(SmoothingMode::AntiAlias8x8))
    return keep(Status::InvalidParameter);
  smoothing_ = mode;
  return Status::Ok;
}

Status Graphics::setInterpolationMode(InterpolationMode mode) {
  if (int(mode) < 0 || int(mode) > int(InterpolationMode::HighQualityBicubic))
    return keep(Status::InvalidParameter);
  interpolation_ = mode;
  return Status::Ok;
}

Status Graphics::setCompositingMode(CompositingMode mode) {
  if (mode != CompositingMode::SourceOver && mode != CompositingMode::SourceCopy)
    return keep(Status::InvalidParameter);
  compositing_ = mode;
  return Status::Ok;
}

Status Graphics::setBlendMode(BlendMode mode) {
  if (int(mode) < 0 || int(mode) > int(BlendMode::Luminosity))
    return keep(Status::InvalidParameter);
  blend_ = mode;
  return Status::Ok;
}

Status Graphics::setTransform(const Matrix& matrix) {
  if (!matrix.isFinite()) return keep(Status::InvalidParameter);
  world_.setElements(matrix.m11(), matrix.m12(), matrix.m21(), matrix.m22(), matrix.dx(),
                     matrix.dy());
  double det = world_.determinant();
  worldInvertible_ = std::isfinite(det) && std::fabs(det) >= kMinDeterminant;
  if (cairoMatrix_ == CairoMatrix::World) cairoMatrix_ = CairoMatrix::Unknown;
  return Status::Ok;
}

Status Graphics::multiplyTransform(const Matrix& matrix, MatrixOrder order) {
  Matrix result = world_;
  Status status = result.multiply(matrix, order);
  if (status != Status::Ok) return keep(status);
  return setTransform(result);
}

Status Graphics::translateTransform(float dx, float dy, MatrixOrder order) {
  return multiplyTransform(Matrix(1, 0, 0, 1, dx, dy), order);
}

Status Graphics::scaleTransform(float sx, float sy, MatrixOrder order) {
  return multiplyTransform(Matrix(sx, 0, 0, sy, 0, 0), order);
}

Status Graphics::resetTransform() { return setTransform(Matrix()); }

// ---- clipping ----

Status Graphics::setClip(const GraphicsPath& path, CombineMode mode) {
  if (!cr_) return keep(Status::WrongState);
  return guarded([&] {
    Region operand;
    Status status = Region::pathElement(path, world_, antialias(), operand.elements_[0]);
    if (status != Status::Ok) return keep(status);
    return combineClip(operand, mode);
  });
}

Status Graphics::setClip(const RectF& rect, CombineMode mode) {
  if (!cr_) return keep(Status::WrongState);
  return guarded([&] {
    PointF corners[4] = {{rect.x, rect.y},
                         {rect.right(), rect.y},
                         {rect.right(), rect.bottom()},
                         {rect.x, rect.bottom()}};
    if (!finitePoints(corners, 4)) return keep(Status::InvalidParameter);
    Region operand;
    if (world_.m12() == 0 && world_.m21() == 0) {
      // Stays a rectangle in device space: the cheapest clip, and the one glyphs draw fastest in.
      world_.transformPoints(corners, 4);
      if (!finitePoints(corners, 4)) return keep(Status::InvalidParameter);
      float x0 = std::min(corners[0].x, corners[2].x), x1 = std::max(corners[0].x, corners[2].x);
      float y0 = std::min(corners[0].y, corners[2].y), y1 = std::max(corners[0].y, corners[2].y);
      operand.elements_[0] = Region::rectElement(RectF{x0, y0, x1 - x0, y1 - y0});
      operand.elements_[0].antialias = antialias();
      return combineClip(operand, mode);
    }
    GraphicsPath path;
    path.addPolygon(corners, 4);
    Status status = Region::pathElement(path, world_, antialias(), operand.elements_[0]);
    if (status != Status::Ok) return keep(status);
    return combineClip(operand, mode);
  });
}

Status Graphics::setClip(const Region& region, CombineMode mode) {
  if (!cr_) return keep(Status::WrongState);
  return guarded([&] { return combineClip(region, mode); });
}

Status Graphics::resetClip() {
  if (!cr_) return keep(Status::WrongState);
  if (clip_.isInfinite() && !clipDirty_ && pendingClip_.empty()) return Status::Ok;
  clip_.makeInfinite();
  clipDirty_ = true;
  pendingClip_.clear();
  classifyClip();
  return Status::Ok;
}

Status Graphics::getClip(Region& region) const {
  try {
    region = clip_;
  } catch (const std::bad_alloc&) {
    return keep(Status::OutOfMemory);
  }
  return Status::Ok;
}

Status Graphics::combineClip(const Region& operand, CombineMode mode) {
  const auto& mine = clip_.elements_;
  const auto& theirs = operand.elements_;
  // Text sets the same rectangle clip for every glyph; leave everything alone then.
  if (mode == CombineMode::Replace && mine.size() == 1 && theirs.size() == 1 &&
      mine[0].shape == theirs[0].shape && mine[0].antialias == theirs[0].antialias &&
      (mine[0].shape == Region::Shape::Infinite ||
       (mine[0].shape == Region::Shape::Rect && mine[0].rect == theirs[0].rect)))
    return Status::Ok;
  bool incremental = !clipDirty_ && mode == CombineMode::Intersect && theirs.size() == 1;
  Status status = clip_.combine(operand, mode);
  clip_.clearStatus();
  if (status != Status::Ok || !incremental) {
    clipDirty_ = true;
    pendingClip_.clear();
  } else {
    // Cairo's clip only narrows, so an intersection can be applied on top of what it has.
    pendingClip_.push_back(theirs[0]);
  }
  classifyClip();
  return keep(status);
}

void Graphics::classifyClip() {
  const auto& elements = clip_.elements_;
  fastClip_ = FastClip::Complex;
  if (!clip_.isIntersectionChain()) return;
  RectF box = deviceBox_;
  RectF reach{deviceBox_.x - 1, deviceBox_.y - 1, deviceBox_.width + 2, deviceBox_.height + 2};
  bool rects = true;
  for (const Region::Element& e : elements) {
    if (e.shape == Region::Shape::Infinite) continue;
    if (e.shape == Region::Shape::Empty) {
      fastClip_ = FastClip::Empty;
      return;
    }
    if (e.shape != Region::Shape::Rect) {
      // Paths meeting nowhere (a pixel apart, for anti-aliasing) leave nothing to draw in.
      rects = false;
      const RectF& b = e.rect;
      box = intersectF(box, RectF{b.x - 1, b.y - 1, b.width + 2, b.height + 2});
      if (box.isEmpty()) {
        fastClip_ = FastClip::Empty;
        return;
      }
      continue;
    }
    RectF r = intersectF(e.rect, reach);
    if (!e.antialias && !r.isEmpty()) {
      // Without anti-aliasing a pixel is in when its centre is.
      float x0 = std::ceil(r.x - 0.5f), y0 = std::ceil(r.y - 0.5f);
      float x1 = std::ceil(r.right() - 0.5f), y1 = std::ceil(r.bottom() - 0.5f);
      r = RectF{x0, y0, x1 - x0, y1 - y0};
    }
    box = intersectF(box, r);
  }
  if (box.isEmpty()) {
    fastClip_ = FastClip::Empty;
    return;
  }
  if (!rects) return;
  fastClip_ = FastClip::Rect;
  fastClipRect_ = box;
}

void Graphics::ensureClip() {
  // Cairo holds part of the clip only (for a drawing inside the rest): it needs all again.
  if (!clipLeftOut_.empty()) {
    clipLeftOut_.clear();
    clipDirty_ = true;
  }
  if (clipDirty_) {
    cairo_reset_clip(cr_);
    pendingClip_.clear();
    clipDirty_ = false;
    if (clip_.isInfinite()) return;
    useIdentity();
    if (clip_.isIntersectionChain()) {
      for (const Region::Element& e : clip_.elements_) applyClipElement(e);
    } else {
      RectI box{target_.originX(), target_.originY(), target_.width(), target_.height()};
      applyClipElement(Region::pixelsElement(clip_.rasterise(box)));
    }
    return;
  }
  if (pendingClip_.empty()) return;
  useIdentity();
  for (const Region::Element& e : pendingClip_) applyClipElement(e);
  pendingClip_.clear();
}

void Graphics::applyClipElement(const Region::Element& e) {
  cairo_new_path(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  cairo_set_antialias(cr_, e.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  RectF reach{deviceBox_.x - 1, deviceBox_.y - 1, deviceBox_.width + 2, deviceBox_.height + 2};
  switch (e.shape) {
    case Region::Shape::Infinite:
      return;
    case Region::Shape::Empty:
      cairo_rectangle(cr_, 0, 0, 0, 0);
      break;
    case Region::Shape::Rect: {
      RectF r = intersectF(e.rect, reach);
      cairo_rectangle(cr_, r.x, r.y, r.width, r.height);
      break;
    }
    case Region::Shape::Path: {
      const detail::DevicePath& path = *e.path;
      cairo_set_fill_rule(cr_, ruleFor(path.fillMode));
      detail::appendFillPath(cr_, {path.points.data(), path.types.data(), path.points.size()},
                             path.bounds, deviceBox_);
      break;
    }
    case Region::Shape::Pixels: {
      const detail::PixelRegion& pixels = *e.pixels;
      int count = pixels.count();
      if (count == 0) cairo_rectangle(cr_, 0, 0, 0, 0);
      for (int i = 0; i < count; ++i) {
        RectI r = pixels.rect(i);
        cairo_rectangle(cr_, r.x, r.y, r.width, r.height);
      }
      break;
    }
  }
  cairo_clip(cr_);
}

RectF Graphics::deviceClipBounds() const { return clip_.bounds(); }

RectF Graphics::clipBounds() const {
  RectF device = clip_.bounds();
  if (clip_.isInfinite() || device.isEmpty()) return device;
  Matrix inverse = world_;
  if (inverse.invert() != Status::Ok) return device;
  PointF c[4] = {{device.x, device.y},
                 {device.right(), device.y},
                 {device.right(), device.bottom()},
                 {device.x, device.bottom()}};
  inverse.transformPoints(c, 4);
  float x0 = c[0].x, x1 = c[0].x, y0 = c[0].y, y1 = c[0].y;
  for (const PointF& p : c) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return RectF{x0, y0, x1 - x0, y1 - y0};
}

// ---- painting ----

Status Graphics::clear(Argb colour) {
  if (!begin()) return lastStatus();
  if (fastClip_ == FastClip::Empty) return Status::Ok;
  useIdentity();
  detail::setSourceArgb(cr_, colour);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr_);
  return end();
}

Status Graphics::fillPath(const Brush& brush, const GraphicsPath& path) {
  if (!cr_) return keep(Status::WrongState);
  if (path.isEmpty() || fastClip_ == FastClip::Empty || !worldInvertible_) return Status::Ok;
  return guarded([&] {
    size_t n = path.points().size();
    RectF bounds;
    Status status = detail::mapPoints(path.points().data(), n, world_, devicePoints_, bounds);
    if (status != Status::Ok) return keep(status);
    // The clip's cost follows what it does where the path lies.
    bool culled = false;
    if (!beginWithin(bounds, culled)) return lastStatus();
    if (culled) return Status::Ok;
    Status failure;
    if (!setSource(brush, failure)) return keep(failure);
    useIdentity();
    applyPaintSettings(antialias());
    cairo_set_fill_rule(cr_, ruleFor(path.fillMode()));
    cairo_new_path(cr_);
    detail::appendFillPath(cr_, {devicePoints_.data(), path.types().data(), n}, bounds, deviceBox_);
    cairo_fill(cr_);
    return end();
  });
}

Status Graphics::drawPath(const Pen& pen, const GraphicsPath& path) {
  if (!begin()) return lastStatus();
  if (path.isEmpty() || fastClip_ == FastClip::Empty) return Status::Ok;
  return guarded([&] {
    size_t n = path.points().size();
    RectF bounds;
    Status status = detail::mapPoints(path.points().data(), n, world_, devicePoints_, bounds);
    if (status != Status::Ok) return keep(status);
    double largest, smallest;
    world_.scaleFactors(largest, smallest);
    double width = pen.width();
    bool hairline = width * largest < kMinPenPixels;
    bool uniform = largest - smallest <= kUniformTolerance * largest;
    double deviceWidth = hairline ? kMinPenPixels : width * largest;
    if (hairline) {
      // A line thinner than a pixel covers exactly the pixels it passes through: through their
      // centres it is one solid pixel wide, not two pale halves where it lies on an edge.
      for (size_t i = 0; i < n; ++i) {
        devicePoints_[i].x = std::floor(devicePoints_[i].x) + 0.5f;
        devicePoints_[i].y = std::floor(devicePoints_[i].y) + 0.5f;
      }
    }
    // Square caps reach w/2·√2 past an end, miters w/2·limit from the corner.
    float margin = float(deviceWidth * 0.5 * std::max(2.0f, pen.miterLimit()) + 2);
    bool near = detail::isNear(bounds, deviceBox_);
    detail::PathView devicePath{devicePoints_.data(), path.types().data(), n};

    detail::setSourceArgb(cr_, pen.colour());
    applyPaintSettings(antialias());
    cairo_set_line_cap(cr_, capFor(pen.startCap()));
    cairo_set_line_join(cr_, joinFor(pen.lineJoin()));
    cairo_set_miter_limit(cr_, pen.miterLimit());
    // Dashes in device space, for the strokes made there.
    auto setDash = [&](double scale) {
      const std::vector<float>& dashes = pen.dashPattern();
      if (dashes.empty()) {
        cairo_set_dash(cr_, nullptr, 0, 0);
        return;
      }
      dashLengths_.resize(dashes.size());
      for (size_t i = 0; i < dashes.size(); ++i) dashLengths_[i] = dashes[i] * scale;
      cairo_set_dash(cr_, dashLengths_.data(), int(dashLengths_.size()), pen.dashOffset() * scale);
    };
    if (hairline || uniform || !near || !worldInvertible_) {
      // The pen keeps its shape under this transform, so stroke in device space.
      useIdentity();
      setDash(largest);
      cairo_set_line_width(cr_, deviceWidth);
      cairo_new_path(cr_);
      detail::appendStrokePath(cr_, devicePath, bounds, deviceBox_, margin);
      cairo_stroke(cr_);
      return end();
    }
    // The transform stretches unevenly: stroke in world space so that the pen is stretched
    // too, and add a one-pixel line where it comes out thinner than a pixel.
    bool thinSomewhere = width * smallest < kMinPenPixels;
    uint8_t alpha = alphaOf(pen.colour());
    bool group = thinSomewhere && alpha != 255;
    if (group) {
      // The group's surface covers the clip: keep it to the stroke's reach.
      useIdentity();
      cairo_save(cr_);
      cairo_rectangle(cr_, bounds.x - margin, bounds.y - margin, bounds.width + 2 * margin,
                      bounds.height + 2 * margin);
      cairo_clip(cr_);
      cairo_push_group(cr_);
      detail::setSourceArgb(cr_, pen.colour() | 0xFF000000u);
      cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    }
    useWorld();
    setDash(1.0);
    cairo_set_line_width(cr_, width);
    cairo_new_path(cr_);
    detail::appendPath(cr_, {path.points().data(), path.types().data(), n});
    cairo_stroke(cr_);
    if (thinSomewhere) {
      useIdentity();
      setDash(largest);
      cairo_set_line_width(cr_, kMinPenPixels);
      cairo_new_path(cr_);
      detail::appendPath(cr_, devicePath);
      cairo_stroke(cr_);
    }
    if (group) {
      cairo_pop_group_to_source(cr_);
      cairoMatrix_ = CairoMatrix::Unknown;  // popping restores the state before the push
      applyPaintSettings(antialias());
      cairo_paint_with_alpha(cr_, alpha / 255.0);
      cairo_restore(cr_);
      cairoMatrix_ = CairoMatrix::Unknown;
    }
    return end();
  });
}

Status Graphics::fillRectangle(const Brush& brush, const RectF& rect) {
  if (!begin()) return lastStatus();
  if (fastClip_ == FastClip::Empty || !worldInvertible_) return Status::Ok;
  PointF corners[4] = {{rect.x, rect.y},
                       {rect.right(), rect.y},
                       {rect.right(), rect.bottom()},
                       {rect.x, rect.bottom()}};
  if (!finitePoints(corners, 4)) return keep(Status::InvalidParameter);
  return guarded([&] {
    RectF bounds;
    Status status = detail::mapPoints(corners, 4, world_, devicePoints_, bounds);
    if (status != Status::Ok) return keep(status);
    Status failure;
    if (!setSource(brush, failure)) return keep(failure);
    useIdentity();
    applyPaintSettings(antialias());
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    cairo_new_path(cr_);
    detail::appendFillPath(cr_, {devicePoints_.data(), kQuadTypes, 4}, bounds, deviceBox_);
    cairo_fill(cr_);
    return end();
  });
}

Status Graphics::fillRegion(const Brush& brush, const Region& region) {
  if (!begin()) return lastStatus();
  const auto& elements = region.elements_;
  if (fastClip_ == FastClip::Empty ||
      (elements.size() == 1 && elements[0].shape == Region::Shape::Empty))
    return Status::Ok;
  return guarded([&] {
    Status failure;
    if (!setSource(brush, failure)) return keep(failure);
    useIdentity();
    applyPaintSettings(false);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    cairo_new_path(cr_);
    RectI box{target_.originX(), target_.originY(), target_.width(), target_.height()};
    const Region::Element& first = elements[0];
    if (elements.size() == 1 && first.shape == Region::Shape::Path) {
      // Cairo's aliased rasteriser samples pixel centres, as the region's own pixels do.
      const detail::DevicePath& path = *first.path;
      cairo_set_fill_rule(cr_, ruleFor(path.fillMode));
      detail::appendFillPath(cr_, {path.points.data(), path.types.data(), path.points.size()},
                             path.bounds, deviceBox_);
    } else if (elements.size() == 1 && first.shape != Region::Shape::Pixels) {
      RectI r = first.shape == Region::Shape::Rect ? detail::snapToPixels(first.rect, box) : box;
      if (!r.isEmpty()) cairo_rectangle(cr_, r.x, r.y, r.width, r.height);
    } else {
      auto pixels = region.rasterise(box);
      for (int i = 0; i < pixels->count(); ++i) {
        RectI r = pixels->rect(i);
        cairo_rectangle(cr_, r.x, r.y, r.width, r.height);
      }
    }
    cairo_fill(cr_);
    return end();
  });
}

Status Graphics::drawImage(const Bitmap& bitmap, const RectF& dest, const RectF& source,
                           const ImageAttributes* attributes) {
  PointF corners[3] = {{dest.x, dest.y}, {dest.right(), dest.y}, {dest.x, dest.bottom()}};
  return drawImage(bitmap, corners, source, attributes);
}

Status Graphics::drawImage(const Bitmap& bitmap, const PointF dest[3], const RectF& source,
                           const ImageAttributes* attributes) {
  if (!begin()) return lastStatus();
  if (!bitmap.isValid() || !dest || !finitePoints(dest, 3) || !(source.width > 0) ||
      !(source.height > 0) || !std::isfinite(source.x) || !std::isfinite(source.y))
    return keep(Status::InvalidParameter);
  float alpha = attributes ? attributes->alphaFactor() : 1.0f;
  if (fastClip_ == FastClip::Empty || !(alpha > 0)) return Status::Ok;
  cairo_matrix_t toSource;
  if (!worldInvertible_ || !deviceToSource(dest, source, world_, toSource)) return Status::Ok;
  PointF corners[4] = {dest[0],
                       dest[1],
                       {dest[1].x + dest[2].x - dest[0].x, dest[1].y + dest[2].y - dest[0].y},
                       dest[2]};
  return guarded([&] {
    RectF bounds;
    Status status = detail::mapPoints(corners, 4, world_, devicePoints_, bounds);
    if (status != Status::Ok) return keep(status);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(bitmap.surface());
    cairo_pattern_set_matrix(pattern, &toSource);
    cairo_pattern_set_filter(pattern, filterFor(interpolation_));
    // Edge pixels extend to the parallelogram's border instead of fading out.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    useIdentity();
    cairo_set_source(cr_, pattern);
    applyPaintSettings(antialias());
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    cairo_new_path(cr_);
    detail::appendFillPath(cr_, {devicePoints_.data(), kQuadTypes, 4}, bounds, deviceBox_);
    if (alpha >= 1) {
      cairo_fill(cr_);
    } else {
      cairo_save(cr_);
      cairo_clip(cr_);
      cairo_paint_with_alpha(cr_, alpha);
      cairo_restore(cr_);
    }
    cairo_pattern_destroy(pattern);
    return end();
  });
}

Status Graphics::drawMask(const CoverageMask& mask, int x, int y, Argb colour) {
  if (!cr_) return keep(Status::WrongState);
  if (!validMask(mask)) return keep(Status::InvalidParameter);
  if (fastClip_ == FastClip::Empty ||
      (alphaOf(colour) == 0 && compositing_ == CompositingMode::SourceOver))
    return Status::Ok;
  if (fastClip_ == FastClip::Rect && blend_ == BlendMode::Normal) {
    return guarded([&] {
      blendMask(mask, x, y, colour);
      return Status::Ok;
    });
  }
  if (!begin()) return lastStatus();
  return guarded([&] {
    detail::setSourceArgb(cr_, colour);
    useIdentity();
    applyPaintSettings(antialias());
    paintMask(cr_, maskBuffer_, mask, nullptr, CAIRO_FILTER_NEAREST, x, y);
    return end();
  });
}

Status Graphics::drawMask(const CoverageMask& mask, const PointF dest[3], Argb colour) {
  if (!begin()) return lastStatus();
  if (!validMask(mask) || !dest || !finitePoints(dest, 3)) return keep(Status::InvalidParameter);
  if (fastClip_ == FastClip::Empty) return Status::Ok;
  cairo_matrix_t toMask;
  RectF source{0, 0, float(mask.width), float(mask.height)};
  if (!worldInvertible_ || !deviceToSource(dest, source, world_, toMask)) return Status::Ok;
  return guarded([&] {
    detail::setSourceArgb(cr_, colour);
    useIdentity();
    applyPaintSettings(antialias());
    paintMask(cr_, maskBuffer_, mask, &toMask, filterFor(interpolation_), 0, 0);
    return end();
  });
}

Status Graphics::drawLayer(const Bitmap& layer, float alpha, const Bitmap* mask) {
  if (!begin()) return lastStatus();
  if (!layer.isValid() || (mask && !mask->isValid()) || std::isnan(alpha))
    return keep(Status::InvalidParameter);
  if (fastClip_ == FastClip::Empty || !(alpha > 0)) return Status::Ok;
  return guarded([&] {
    useIdentity();
    applyPaintSettings(antialias());
    // The surfaces' device offsets place them.
    cairo_set_source_surface(cr_, layer.surface(), 0, 0);
    if (mask) {
      if (alpha < 1) {
        cairo_push_group(cr_);
        cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
        cairo_mask_surface(cr_, mask->surface(), 0, 0);
        cairo_pop_group_to_source(cr_);
        cairoMatrix_ = CairoMatrix::Unknown;
        applyPaintSettings(antialias());
        cairo_paint_with_alpha(cr_, alpha);
      } else {
        cairo_mask_surface(cr_, mask->surface(), 0, 0);
      }
    } else if (alpha < 1) {
      cairo_paint_with_alpha(cr_, alpha);
    } else {
      cairo_paint(cr_);
    }
    return end();
  });
}

void Graphics::blendMask(const CoverageMask& mask, int x, int y, Argb colour) {
  const RectF& c = fastClipRect_;  // inside the bitmap
  int cx0 = int(std::floor(c.x)), cy0 = int(std::floor(c.y));
  int cx1 = int(std::ceil(c.right())), cy1 = int(std::ceil(c.bottom()));
  int64_t x0 = std::max<int64_t>(x, cx0), x1 = std::min<int64_t>(int64_t(x) + mask.width, cx1);
  int64_t y0 = std::max<int64_t>(y, cy0), y1 = std::min<int64_t>(int64_t(y) + mask.height, cy1);
  if (x1 <= x0 || y1 <= y0) return;
  // A clip edge between pixel boundaries covers its pixels partly (weights out of 256).
  bool partial =
      float(cx0) != c.x || float(cy0) != c.y || float(cx1) != c.right() || float(cy1) != c.bottom();
  auto weight = [](double lo, double hi, int64_t i) {
    double covered = std::min(double(i + 1), hi) - std::max(double(i), lo);
    return uint32_t(std::lround(std::clamp(covered, 0.0, 1.0) * 256));
  };
  if (partial) {
    columnWeights_.resize(size_t(x1 - x0));
    for (int64_t i = x0; i < x1; ++i)
      columnWeights_[size_t(i - x0)] = uint16_t(weight(c.x, c.right(), i));
  }
  const uint32_t source = detail::premultiply(colour);
  const bool opaque = (source >> 24) == 255;
  const bool copy = compositing_ == CompositingMode::SourceCopy;
  uint8_t* base = target_.data();
  const size_t stride = size_t(target_.stride());
  const int64_t ox = target_.originX(), oy = target_.originY();
  for (int64_t row = y0; row < y1; ++row) {
    uint32_t rowWeight = partial ? weight(c.y, c.bottom(), row) : 256;
    if (rowWeight == 0) continue;
    const uint8_t* m = mask.data + ptrdiff_t(row - y) * mask.pitch + (x0 - x);
    uint32_t* d = reinterpret_cast<uint32_t*>(base + size_t(row - oy) * stride) + (x0 - ox);
    for (int64_t i = 0; i < x1 - x0; ++i) {
      uint32_t coverage = m[i];
      if (partial) coverage = (coverage * columnWeights_[size_t(i)] * rowWeight + 32768) >> 16;
      if (coverage == 0) continue;
      if (copy) {
        d[i] = scalePixel(source, coverage) + scalePixel(d[i], 255 - coverage);
      } else if (coverage == 255 && opaque) {
        d[i] = source;
      } else {
        uint32_t s = scalePixel(source, coverage);
        d[i] = s + scalePixel(d[i], 255 - (s >> 24));
      }
    }
  }
  cairo_surface_mark_dirty_rectangle(target_.surface(), int(x0), int(y0), int(x1 - x0),
                                     int(y1 - y0));
}

}  // namespace brevia::gfx
