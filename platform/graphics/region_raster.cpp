#include "platform/graphics/region_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/graphics/device_path.h"

namespace brevia::gfx::detail {

namespace {

// Paths are rasterised in tiles of at most this many columns and rows.
constexpr int kTileWidth = 4096;
constexpr int kTileHeight = 1024;

int clampToInt(double v, const RectI& limit, bool horizontal) {
  double lo = horizontal ? limit.x : limit.y;
  double hi = horizontal ? limit.right() : limit.bottom();
  if (!(v >= lo)) return int(lo);  // also NaN
  if (v > hi) return int(hi);
  return int(v);
}

}  // namespace

RectI intersect(const RectI& a, const RectI& b) {
  int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  int x1 = std::min(a.right(), b.right()), y1 = std::min(a.bottom(), b.bottom());
  if (x1 <= x0 || y1 <= y0) return RectI{};
  return RectI{x0, y0, x1 - x0, y1 - y0};
}

PixelRegion::PixelRegion(const RectI& rect) {
  cairo_rectangle_int_t r{rect.x, rect.y, rect.width, rect.height};
  region_ = rect.isEmpty() ? cairo_region_create() : cairo_region_create_rectangle(&r);
}

RectI PixelRegion::extents() const {
  cairo_rectangle_int_t r;
  cairo_region_get_extents(region_, &r);
  return RectI{r.x, r.y, r.width, r.height};
}

RectI PixelRegion::rect(int i) const {
  cairo_rectangle_int_t r;
  cairo_region_get_rectangle(region_, i, &r);
  return RectI{r.x, r.y, r.width, r.height};
}

RectI snapToPixels(const RectF& rect, const RectI& limit) {
  // Pixel i is inside when its centre i + 0.5 lies in [x, right).
  int x0 = clampToInt(std::ceil(double(rect.x) - 0.5), limit, true);
  int x1 = clampToInt(std::ceil(double(rect.right()) - 0.5), limit, true);
  int y0 = clampToInt(std::ceil(double(rect.y) - 0.5), limit, false);
  int y1 = clampToInt(std::ceil(double(rect.bottom()) - 0.5), limit, false);
  if (x1 <= x0 || y1 <= y0) return RectI{};
  return RectI{x0, y0, x1 - x0, y1 - y0};
}

PixelRegion rasterisePath(const DevicePath& path, const RectI& limit) {
  RectF b = path.bounds;
  RectI box{clampToInt(std::floor(b.x), limit, true), clampToInt(std::floor(b.y), limit, false), 0,
            0};
  box.width = clampToInt(std::ceil(double(b.right())) + 1, limit, true) - box.x;
  box.height = clampToInt(std::ceil(double(b.bottom())) + 1, limit, false) - box.y;
  box = intersect(box, limit);
  if (box.isEmpty() || path.points.empty()) return PixelRegion();

  int tileW = std::min(kTileWidth, box.width), tileH = std::min(kTileHeight, box.height);
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> tile(
      cairo_image_surface_create(CAIRO_FORMAT_A8, tileW, tileH), &cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> context(cairo_create(tile.get()),
                                                             &cairo_destroy);
  cairo_t* cr = context.get();
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) return PixelRegion();
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(
      cr, path.fillMode == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  PathView view{path.points.data(), path.types.data(), path.points.size()};
  std::vector<cairo_rectangle_int_t> runs;
  uint8_t* data = cairo_image_surface_get_data(tile.get());
  int stride = cairo_image_surface_get_stride(tile.get());

  for (int ty = box.y; ty < box.bottom(); ty += tileH) {
    for (int tx = box.x; tx < box.right(); tx += tileW) {
      int w = std::min(tileW, box.right() - tx), h = std::min(tileH, box.bottom() - ty);
      cairo_surface_flush(tile.get());
      std::memset(data, 0, size_t(stride) * size_t(tileH));
      cairo_surface_mark_dirty(tile.get());
      cairo_identity_matrix(cr);
      cairo_translate(cr, -tx, -ty);
      cairo_new_path(cr);
      appendFillPath(cr, view, path.bounds, RectF{float(tx), float(ty), float(w), float(h)});
      cairo_fill(cr);
      cairo_surface_flush(tile.get());
      for (int y = 0; y < h; ++y) {
        const uint8_t* row = data + size_t(y) * size_t(stride);
        for (int x = 0; x < w;) {
          if (!row[x]) {
            ++x;
            continue;
          }
          int start = x;
          while (x < w && row[x]) ++x;
          runs.push_back({tx + start, ty + y, x - start, 1});
        }
      }
    }
  }
  return PixelRegion(cairo_region_create_rectangles(runs.data(), int(runs.size())));
}

}  // namespace brevia::gfx::detail
