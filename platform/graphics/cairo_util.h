#pragma once
// Small helpers between the layer's types and cairo. Internal to platform/graphics.

#include <cairo.h>

#include "platform/graphics/graphics_types.h"
#include "platform/graphics/matrix.h"

namespace brevia::gfx::detail {

inline cairo_matrix_t toCairo(const Matrix& m) {
  cairo_matrix_t c;
  cairo_matrix_init(&c, m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), m.dy());
  return c;
}

inline void setSourceArgb(cairo_t* cr, Argb colour) {
  cairo_set_source_rgba(cr, redOf(colour) / 255.0, greenOf(colour) / 255.0, blueOf(colour) / 255.0,
                        alphaOf(colour) / 255.0);
}

inline void addStop(cairo_pattern_t* pattern, double offset, Argb colour) {
  cairo_pattern_add_color_stop_rgba(pattern, offset, redOf(colour) / 255.0, greenOf(colour) / 255.0,
                                    blueOf(colour) / 255.0, alphaOf(colour) / 255.0);
}

inline Status fromCairo(cairo_status_t status) {
  switch (status) {
    case CAIRO_STATUS_SUCCESS:
      return Status::Ok;
    case CAIRO_STATUS_NO_MEMORY:
      return Status::OutOfMemory;
    case CAIRO_STATUS_INVALID_MATRIX:
    case CAIRO_STATUS_INVALID_STRIDE:
    case CAIRO_STATUS_INVALID_SIZE:
    case CAIRO_STATUS_INVALID_FORMAT:
      return Status::InvalidParameter;
    default:
      return Status::GenericError;
  }
}

// Premultiplies a straight ARGB colour into the layout of an ARGB32 pixel.
inline uint32_t premultiply(Argb colour) {
  uint32_t a = alphaOf(colour);
  auto mul = [a](uint32_t c) {
    uint32_t t = c * a + 0x80;
    return (t + (t >> 8)) >> 8;
  };
  return (a << 24) | (mul(redOf(colour)) << 16) | (mul(greenOf(colour)) << 8) | mul(blueOf(colour));
}

}  // namespace brevia::gfx::detail
