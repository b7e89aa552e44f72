#include "platform/graphics/mesh_gradient_brush.h"

#include <cmath>

#include "platform/graphics/cairo_util.h"

namespace brevia::gfx {

namespace {

bool finite(const PointF* p, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y)) return false;
  return true;
}

void setCorner(cairo_pattern_t* pattern, int corner, Argb c) {
  cairo_mesh_pattern_set_corner_color_rgba(pattern, corner, redOf(c) / 255.0, greenOf(c) / 255.0,
                                           blueOf(c) / 255.0, alphaOf(c) / 255.0);
}

}  // namespace

Status MeshGradientBrush::addPatch(const PointF boundary[12], const Argb colours[4],
                                   const PointF* inner) {
  if (!boundary || !colours || !finite(boundary, 12) || (inner && !finite(inner, 4)))
    return keep(Status::InvalidParameter);
  if (int(patches_.size()) >= kMaxPatches) return keep(Status::ValueOverflow);
  Patch p;
  for (int i = 0; i < 12; ++i) p.boundary[i] = boundary[i];
  for (int i = 0; i < 4; ++i) p.colours[i] = colours[i];
  if (inner) {
    p.tensor = true;
    for (int i = 0; i < 4; ++i) p.inner[i] = inner[i];
  }
  patches_.push_back(p);
  invalidate();
  return Status::Ok;
}

Status MeshGradientBrush::addTriangle(const PointF points[3], const Argb colours[3]) {
  if (!points || !colours || !finite(points, 3)) return keep(Status::InvalidParameter);
  if (int(patches_.size()) >= kMaxPatches) return keep(Status::ValueOverflow);
  Patch p;
  p.triangle = true;
  for (int i = 0; i < 3; ++i) {
    p.boundary[i] = points[i];
    p.colours[i] = colours[i];
  }
  p.colours[3] = colours[0];
  patches_.push_back(p);
  invalidate();
  return Status::Ok;
}

cairo_pattern_t* MeshGradientBrush::buildPattern() const {
  cairo_pattern_t* pattern = cairo_pattern_create_mesh();
  for (const Patch& p : patches_) {
    cairo_mesh_pattern_begin_patch(pattern);
    const auto& b = p.boundary;
    cairo_mesh_pattern_move_to(pattern, b[0].x, b[0].y);
    if (p.triangle) {
      // The fourth side collapses onto the first corner.
      cairo_mesh_pattern_line_to(pattern, b[1].x, b[1].y);
      cairo_mesh_pattern_line_to(pattern, b[2].x, b[2].y);
      cairo_mesh_pattern_line_to(pattern, b[0].x, b[0].y);
    } else {
      for (int side = 0; side < 4; ++side) {
        const PointF& c1 = b[side * 3 + 1];
        const PointF& c2 = b[side * 3 + 2];
        const PointF& end = b[(side * 3 + 3) % 12];
        cairo_mesh_pattern_curve_to(pattern, c1.x, c1.y, c2.x, c2.y, end.x, end.y);
      }
      if (p.tensor)
        for (int i = 0; i < 4; ++i)
          cairo_mesh_pattern_set_control_point(pattern, i, p.inner[i].x, p.inner[i].y);
    }
    for (int i = 0; i < 4; ++i) setCorner(pattern, i, p.colours[i]);
    cairo_mesh_pattern_end_patch(pattern);
  }
  applyTransform(pattern);
  return pattern;
}

}  // namespace brevia::gfx
