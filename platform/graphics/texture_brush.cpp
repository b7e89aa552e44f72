#include "platform/graphics/texture_brush.h"

#include "platform/graphics/cairo_util.h"

namespace brevia::gfx {

TextureBrush::TextureBrush(const Bitmap& bitmap, InterpolationMode interpolation)
    : bitmap_(bitmap), interpolation_(interpolation) {
  if (!bitmap.isValid()) keep(Status::InvalidParameter);
}

cairo_pattern_t* TextureBrush::buildPattern() const {
  if (!bitmap_.isValid()) return nullptr;
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(bitmap_.surface());
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, interpolation_ == InterpolationMode::NearestNeighbor
                                        ? CAIRO_FILTER_NEAREST
                                        : CAIRO_FILTER_BILINEAR);
  applyTransform(pattern);
  return pattern;
}

}  // namespace brevia::gfx
