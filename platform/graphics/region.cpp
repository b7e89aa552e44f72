#include "platform/graphics/region.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/graphics/device_path.h"
#include "platform/graphics/region_raster.h"

namespace brevia::gfx {

namespace {

using detail::PixelRegion;

bool finiteRect(const RectF& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
         std::isfinite(r.height);
}

RectF intersectF(const RectF& a, const RectF& b) {
  float x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  float x1 = std::min(a.right(), b.right()), y1 = std::min(a.bottom(), b.bottom());
  if (!(x1 > x0 && y1 > y0)) return RectF{};
  return RectF{x0, y0, x1 - x0, y1 - y0};
}

bool containsF(const RectF& outer, const RectF& inner) {
  return outer.x <= inner.x && outer.y <= inner.y && outer.right() >= inner.right() &&
         outer.bottom() >= inner.bottom();
}

RectF toRectF(const RectI& r) {
  return RectF{float(r.x), float(r.y), float(r.width), float(r.height)};
}

// A single figure of four axis-aligned sides covers the same area as its rectangle under either
// fill mode; clips and fills by rectangles are much cheaper than by paths.
bool asAxisRect(const detail::DevicePath& path, RectF& rect) {
  const auto& p = path.points;
  const auto& t = path.types;
  size_t n = p.size();
  if (n == 5 && p[4] == p[0] && (t[4] & kPointTypeMask) == kPointLine) n = 4;
  if (n != 4 || (t[0] & kPointTypeMask) != kPointStart) return false;
  for (size_t i = 1; i < p.size(); ++i)
    if ((t[i] & kPointTypeMask) != kPointLine) return false;
  for (size_t i = 0; i + 1 < p.size(); ++i)
    if (t[i] & kPointCloseFlag) return false;
  bool horizontalFirst =
      p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x;
  bool verticalFirst = p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y;
  if (!horizontalFirst && !verticalFirst) return false;
  float x0 = std::min(p[0].x, p[2].x), x1 = std::max(p[0].x, p[2].x);
  float y0 = std::min(p[0].y, p[2].y), y1 = std::max(p[0].y, p[2].y);
  rect = RectF{x0, y0, x1 - x0, y1 - y0};
  return true;
}

}  // namespace

Region::Region() : elements_(1) {}

Region::Region(const RectF& deviceRect) : elements_{rectElement(deviceRect)} {
  if (!finiteRect(deviceRect)) keep(Status::InvalidParameter);
}

Region::Region(const GraphicsPath& path, const Matrix& toDevice) : elements_(1) {
  Element element;
  Status status = pathElement(path, toDevice, false, element);
  elements_[0] = std::move(element);
  keep(status);
}

Region Region::emptyRegion() {
  Region region;
  region.makeEmpty();
  return region;
}

Region::Region(const Region&) = default;
Region& Region::operator=(const Region&) = default;
Region::Region(Region&&) noexcept = default;
Region& Region::operator=(Region&&) noexcept = default;
Region::~Region() = default;

Region::Element Region::rectElement(const RectF& rect) {
  Element e;
  if (!finiteRect(rect) || rect.isEmpty()) {
    e.shape = Shape::Empty;
    return e;
  }
  e.shape = Shape::Rect;
  e.rect = rect;
  return e;
}

Status Region::pathElement(const GraphicsPath& path, const Matrix& toDevice, bool antialias,
                           Element& out) {
  out = Element{};
  out.shape = Shape::Empty;
  if (path.isEmpty()) return Status::Ok;
  try {
    auto device = std::make_shared<detail::DevicePath>();
    Status status = detail::mapPoints(path.points().data(), path.points().size(), toDevice,
                                      device->points, device->bounds);
    if (status != Status::Ok) return status;
    device->types = path.types();
    device->fillMode = path.fillMode();
    out.antialias = antialias;
    RectF rect;
    if (asAxisRect(*device, rect)) {
      out.shape = rect.isEmpty() ? Shape::Empty : Shape::Rect;
      out.rect = rect;
      return Status::Ok;
    }
    out.shape = Shape::Path;
    out.rect = path.bounds(&toDevice);
    out.path = std::move(device);
  } catch (const std::bad_alloc&) {
    out = Element{};
    out.shape = Shape::Empty;
    return Status::OutOfMemory;
  }
  return Status::Ok;
}

Region::Element Region::pixelsElement(std::shared_ptr<const detail::PixelRegion> pixels) {
  Element e;
  if (!pixels || pixels->isEmpty()) {
    e.shape = Shape::Empty;
    return e;
  }
  e.shape = Shape::Pixels;
  e.rect = toRectF(pixels->extents());
  e.pixels = std::move(pixels);
  return e;
}

Status Region::makeInfinite() {
  elements_.assign(1, Element{});
  changed();
  return Status::Ok;
}

Status Region::makeEmpty() {
  Element e;
  e.shape = Shape::Empty;
  elements_.assign(1, e);
  changed();
  return Status::Ok;
}

bool Region::isIntersectionChain() const {
  for (size_t i = 1; i < elements_.size(); ++i)
    if (elements_[i].op != CombineMode::Intersect) return false;
  return true;
}

Status Region::combine(const RectF& deviceRect, CombineMode mode) {
  if (!finiteRect(deviceRect)) return keep(Status::InvalidParameter);
  return keep(combineElement(rectElement(deviceRect), mode));
}

Status Region::combine(const GraphicsPath& path, const Matrix& toDevice, CombineMode mode) {
  Element element;
  Status status = pathElement(path, toDevice, false, element);
  if (status != Status::Ok) return keep(status);
  return keep(combineElement(std::move(element), mode));
}

Status Region::combine(const Region& other, CombineMode mode) {
  if (&other == this) {
    Region copy(other);
    return keep(combineRegion(copy, mode));
  }
  return keep(combineRegion(other, mode));
}

Status Region::combineRegion(const Region& other, CombineMode mode) {
  try {
    if (other.elements_.size() == 1) return combineElement(other.elements_[0], mode);
    if (mode == CombineMode::Replace) {
      elements_ = other.elements_;
      changed();
      return Status::Ok;
    }
    if (mode == CombineMode::Complement) {
      Region result(other);
      Status status = result.combineRegion(*this, CombineMode::Exclude);
      *this = std::move(result);
      return status;
    }
    // A ∩ (B ∩ C) = (A ∩ B) ∩ C, and the same for unions.
    bool sameOps = mode == CombineMode::Intersect || mode == CombineMode::Union;
    for (size_t i = 1; i < other.elements_.size() && sameOps; ++i)
      sameOps = other.elements_[i].op == mode;
    if (sameOps) {
      for (const Element& e : other.elements_) {
        Status status = combineElement(e, mode);
        if (status != Status::Ok) return status;
      }
      return Status::Ok;
    }
    return combineElement(pixelsElement(other.rasterise(kRasterArea)), mode);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
}

Status Region::combineElement(Element e, CombineMode mode) {
  if (int(mode) < 0 || int(mode) > int(CombineMode::Complement)) return Status::InvalidParameter;
  try {
    changed();
    bool single = elements_.size() == 1;
    Shape mine = elements_[0].shape;
    bool thisInfinite = single && mine == Shape::Infinite;
    bool thisEmpty = single && mine == Shape::Empty;
    auto replaceWith = [&](Element element) {
      element.op = CombineMode::Replace;
      elements_.assign(1, std::move(element));
    };
    auto append = [&](CombineMode op) {
      e.op = op;
      elements_.push_back(std::move(e));
    };
    switch (mode) {
      case CombineMode::Replace:
        replaceWith(std::move(e));
        return Status::Ok;
      case CombineMode::Intersect:
        if (e.shape == Shape::Infinite || thisEmpty) return Status::Ok;
        if (e.shape == Shape::Empty) return makeEmpty();
        if (thisInfinite) {
          replaceWith(std::move(e));
          return Status::Ok;
        }
        if (single && mine == Shape::Rect && e.shape == Shape::Rect &&
            e.antialias == elements_[0].antialias) {
          RectF r = intersectF(elements_[0].rect, e.rect);
          if (r.isEmpty()) return makeEmpty();
          elements_[0].rect = r;
          return Status::Ok;
        }
        append(CombineMode::Intersect);
        break;
      case CombineMode::Union:
        if (e.shape == Shape::Empty || thisInfinite) return Status::Ok;
        if (e.shape == Shape::Infinite) return makeInfinite();
        if (thisEmpty) {
          replaceWith(std::move(e));
          return Status::Ok;
        }
        if (single && mine == Shape::Rect && e.shape == Shape::Rect) {
          if (containsF(elements_[0].rect, e.rect)) return Status::Ok;
          if (containsF(e.rect, elements_[0].rect)) {
            replaceWith(std::move(e));
            return Status::Ok;
          }
        }
        append(CombineMode::Union);
        break;
      case CombineMode::Xor:
        if (e.shape == Shape::Empty) return Status::Ok;
        if (thisEmpty) {
          replaceWith(std::move(e));
          return Status::Ok;
        }
        append(CombineMode::Xor);
        break;
      case CombineMode::Exclude:
        if (e.shape == Shape::Empty || thisEmpty) return Status::Ok;
        if (e.shape == Shape::Infinite) return makeEmpty();
        append(CombineMode::Exclude);
        break;
      case CombineMode::Complement: {
        if (thisEmpty || e.shape == Shape::Empty) {
          replaceWith(std::move(e));
          return Status::Ok;
        }
        Element minuend = std::move(e);
        Element subtrahend = single ? elements_[0] : pixelsElement(rasterise(kRasterArea));
        replaceWith(std::move(minuend));
        e = std::move(subtrahend);
        if (e.shape == Shape::Empty) return Status::Ok;
        append(CombineMode::Exclude);
        break;
      }
    }
    if (int(elements_.size()) > kMaxElements) {
      Element flat = pixelsElement(rasterise(kRasterArea));
      replaceWith(std::move(flat));
    }
  } catch (const std::bad_alloc&) {
    makeEmpty();
    return Status::OutOfMemory;
  }
  return Status::Ok;
}

detail::PixelRegion Region::elementPixels(const Element& e, const RectI& area) {
  switch (e.shape) {
    case Shape::Infinite:
      return PixelRegion(area);
    case Shape::Empty:
      return PixelRegion();
    case Shape::Rect:
      return PixelRegion(detail::snapToPixels(e.rect, area));
    case Shape::Path:
      return e.path ? detail::rasterisePath(*e.path, area) : PixelRegion();
    case Shape::Pixels: {
      if (!e.pixels) return PixelRegion();
      PixelRegion copy(*e.pixels);
      PixelRegion box(area);
      cairo_region_intersect(copy.get(), box.get());
      return copy;
    }
  }
  return PixelRegion();
}

std::shared_ptr<const detail::PixelRegion> Region::rasterise(const RectI& limit) const {
  auto acc = std::make_shared<PixelRegion>(elementPixels(elements_[0], limit));
  for (size_t i = 1; i < elements_.size(); ++i) {
    const Element& e = elements_[i];
    bool narrowing = e.op == CombineMode::Intersect || e.op == CombineMode::Exclude;
    RectI area = narrowing ? detail::intersect(limit, acc->extents()) : limit;
    if (narrowing && area.isEmpty()) {
      if (e.op == CombineMode::Intersect) acc = std::make_shared<PixelRegion>();
      continue;
    }
    PixelRegion operand = elementPixels(e, area);
    switch (e.op) {
      case CombineMode::Intersect:
        cairo_region_intersect(acc->get(), operand.get());
        break;
      case CombineMode::Union:
        cairo_region_union(acc->get(), operand.get());
        break;
      case CombineMode::Xor:
        cairo_region_xor(acc->get(), operand.get());
        break;
      case CombineMode::Exclude:
        cairo_region_subtract(acc->get(), operand.get());
        break;
      default:
        *acc = std::move(operand);
        break;
    }
  }
  if (!acc->ok()) {
    keep(Status::OutOfMemory);
    return std::make_shared<PixelRegion>();
  }
  return acc;
}

const detail::PixelRegion& Region::cachedRaster() const {
  if (!raster_) raster_ = rasterise(kRasterArea);
  return *raster_;
}

bool Region::isInfinite() const {
  return elements_.size() == 1 && elements_[0].shape == Shape::Infinite;
}

bool Region::isEmpty() const {
  if (elements_.size() == 1) {
    Shape s = elements_[0].shape;
    if (s == Shape::Empty) return true;
    if (s == Shape::Infinite || s == Shape::Rect) return false;
  }
  bool onlyRects = isIntersectionChain();
  for (const Element& e : elements_)
    onlyRects = onlyRects && (e.shape == Shape::Rect || e.shape == Shape::Infinite);
  if (onlyRects) return bounds().isEmpty();
  try {
    return cachedRaster().isEmpty();
  } catch (const std::bad_alloc&) {
    keep(Status::OutOfMemory);
    return false;
  }
}

RectF Region::bounds() const {
  if (isIntersectionChain()) {
    RectF box = kInfiniteRect;
    for (const Element& e : elements_) {
      if (e.shape == Shape::Empty) return RectF{};
      if (e.shape != Shape::Infinite) box = intersectF(box, e.rect);
    }
    return box;
  }
  try {
    return toRectF(cachedRaster().extents());
  } catch (const std::bad_alloc&) {
    keep(Status::OutOfMemory);
    return RectF{};
  }
}

int Region::scansCount() const {
  if (isInfinite()) return 1;
  try {
    return cachedRaster().count();
  } catch (const std::bad_alloc&) {
    keep(Status::OutOfMemory);
    return 0;
  }
}

Status Region::getScans(std::vector<RectI>& rects) const {
  try {
    rects.clear();
    if (isInfinite()) {
      rects.push_back(RectI{int(kInfiniteRect.x), int(kInfiniteRect.y), int(kInfiniteRect.width),
                            int(kInfiniteRect.height)});
      return Status::Ok;
    }
    const PixelRegion& raster = cachedRaster();
    for (int i = 0; i < raster.count(); ++i) rects.push_back(raster.rect(i));
  } catch (const std::bad_alloc&) {
    return keep(Status::OutOfMemory);
  }
  return Status::Ok;
}

Status Region::transform(const Matrix& m) {
  if (!m.isFinite()) return keep(Status::InvalidParameter);
  const bool axisAligned = m.m12() == 0 && m.m21() == 0;
  const bool wholeShift = axisAligned && m.m11() == 1 && m.m22() == 1 &&
                          m.dx() == std::floor(m.dx()) && m.dy() == std::floor(m.dy());
  for (const Element& e : elements_)
    if (e.shape == Shape::Pixels && !wholeShift) return keep(Status::NotImplemented);
  try {
    std::vector<Element> moved = elements_;
    for (Element& e : moved) {
      if (e.shape == Shape::Rect && axisAligned) {
        const double x0 = double(m.m11()) * e.rect.x + m.dx();
        const double x1 = double(m.m11()) * e.rect.right() + m.dx();
        const double y0 = double(m.m22()) * e.rect.y + m.dy();
        const double y1 = double(m.m22()) * e.rect.bottom() + m.dy();
        const float left = float(std::min(x0, x1)), top = float(std::min(y0, y1));
        e.rect = RectF{left, top, float(std::max(x0, x1)) - left, float(std::max(y0, y1)) - top};
      } else if (e.shape == Shape::Rect || e.shape == Shape::Path) {
        GraphicsPath path;
        if (e.shape == Shape::Rect) {
          path.addRectangle(e.rect);
        } else {
          path = GraphicsPath(e.path->points.data(), e.path->types.data(),
                              int(e.path->points.size()), e.path->fillMode);
        }
        const CombineMode op = e.op;
        const bool antialias = e.antialias;
        const Status status = pathElement(path, m, antialias, e);
        if (status != Status::Ok) return keep(status);
        e.op = op;
      } else if (e.shape == Shape::Pixels) {
        auto pixels = std::make_shared<detail::PixelRegion>(*e.pixels);
        cairo_region_translate(pixels->get(), int(m.dx()), int(m.dy()));
        e.pixels = std::move(pixels);
        e.rect = RectF{e.rect.x + m.dx(), e.rect.y + m.dy(), e.rect.width, e.rect.height};
      }
    }
    elements_ = std::move(moved);
  } catch (const std::bad_alloc&) {
    return keep(Status::OutOfMemory);
  }
  changed();
  return Status::Ok;
}

}  // namespace brevia::gfx
