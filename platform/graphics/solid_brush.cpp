#include "platform/graphics/solid_brush.h"

#include "platform/graphics/cairo_util.h"

namespace brevia::gfx {

cairo_pattern_t* SolidBrush::buildPattern() const {
  return cairo_pattern_create_rgba(redOf(colour_) / 255.0, greenOf(colour_) / 255.0,
                                   blueOf(colour_) / 255.0, alphaOf(colour_) / 255.0);
}

}  // namespace brevia::gfx
