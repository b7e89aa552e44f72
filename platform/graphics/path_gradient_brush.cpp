#include "platform/graphics/path_gradient_brush.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/graphics/cairo_util.h"
#include "platform/graphics/path_geometry.h"

namespace brevia::gfx {

namespace {

// Curves of the outline are flattened to this fraction of the outline's size.
constexpr double kRelativeFlatness = 1.0 / 1000;

PointF meanPoint(const std::vector<PointF>& points) {
  double x = 0, y = 0;
  for (PointF p : points) {
    x += p.x;
    y += p.y;
  }
  if (points.empty()) return {};
  return {float(x / points.size()), float(y / points.size())};
}

void setCorner(cairo_pattern_t* mesh, unsigned corner, Argb c) {
  cairo_mesh_pattern_set_corner_color_rgba(mesh, corner, redOf(c) / 255.0, greenOf(c) / 255.0,
                                           blueOf(c) / 255.0, alphaOf(c) / 255.0);
}

Argb mix(Argb a, Argb b, float t) {
  auto channel = [t](uint32_t x, uint32_t y) {
    return uint32_t(std::lround(float(x) + (float(y) - float(x)) * t)) & 0xFF;
  };
  return (channel(a >> 24, b >> 24) << 24) | (channel((a >> 16) & 0xFF, (b >> 16) & 0xFF) << 16) |
         (channel((a >> 8) & 0xFF, (b >> 8) & 0xFF) << 8) | channel(a & 0xFF, b & 0xFF);
}

}  // namespace

PathGradientBrush::PathGradientBrush(const GraphicsPath& path) : path_(path) {
  centre_ = meanPoint(path_.points());
  if (path_.pointCount() < 2) keep(Status::InvalidParameter);
}

PathGradientBrush::PathGradientBrush(const PointF* points, int count) {
  if (path_.addPolygon(points, count) != Status::Ok) keep(Status::InvalidParameter);
  centre_ = meanPoint(path_.points());
}

Status PathGradientBrush::setCentrePoint(PointF centre) {
  if (!std::isfinite(centre.x) || !std::isfinite(centre.y)) return keep(Status::InvalidParameter);
  centre_ = centre;
  invalidate();
  return Status::Ok;
}

void PathGradientBrush::setCentreColour(Argb colour) {
  centreColour_ = colour;
  invalidate();
}

Status PathGradientBrush::setSurroundColours(const Argb* colours, int count) {
  if (!colours || count < 1 || count > std::max(1, path_.pointCount()))
    return keep(Status::InvalidParameter);
  try {
    surround_.assign(colours, colours + count);
  } catch (const std::bad_alloc&) {
    return keep(Status::OutOfMemory);
  }
  invalidate();
  return Status::Ok;
}

Argb PathGradientBrush::surroundAt(float source) const {
  // Points flattened from a curve take colours between those of the curve's ends.
  auto colourOf = [this](size_t index) { return surround_[std::min(index, surround_.size() - 1)]; };
  size_t whole = size_t(std::max(0.0f, std::floor(source)));
  float fraction = source - float(whole);
  if (fraction <= 0) return colourOf(whole);
  return mix(colourOf(whole), colourOf(whole + 1), fraction);
}

cairo_pattern_t* PathGradientBrush::buildPattern() const {
  if (path_.pointCount() < 2) return nullptr;
  RectF box = path_.bounds();
  double tolerance = std::max(1e-3, std::max(box.width, box.height) * kRelativeFlatness);
  detail::PathView view{path_.points().data(), path_.types().data(), path_.points().size()};
  cairo_pattern_t* mesh = cairo_pattern_create_mesh();
  detail::forEachFlatFigure(
      view, tolerance, [](PointF p) { return p; },
      [&](const detail::FlatFigure& figure) {
        size_t n = figure.points.size();
        if (n < 2) return;
        // A fan of triangles from the centre; each is a patch whose fourth corner is the centre
        // again, so the colour runs linearly from the centre to the outline.
        for (size_t i = 0; i < n; ++i) {
          size_t j = (i + 1) % n;
          if (j == 0 && n == 2) break;
          PointF a = figure.points[i], b = figure.points[j];
          cairo_mesh_pattern_begin_patch(mesh);
          cairo_mesh_pattern_move_to(mesh, centre_.x, centre_.y);
          cairo_mesh_pattern_line_to(mesh, a.x, a.y);
          cairo_mesh_pattern_line_to(mesh, b.x, b.y);
          cairo_mesh_pattern_line_to(mesh, centre_.x, centre_.y);
          setCorner(mesh, 0, centreColour_);
          setCorner(mesh, 1, surroundAt(figure.source[i]));
          setCorner(mesh, 2, surroundAt(figure.source[j]));
          setCorner(mesh, 3, centreColour_);
          cairo_mesh_pattern_end_patch(mesh);
        }
      });
  applyTransform(mesh);
  return mesh;
}

}  // namespace brevia::gfx
