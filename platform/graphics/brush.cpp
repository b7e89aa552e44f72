#include "platform/graphics/brush.h"

#include "platform/graphics/cairo_util.h"

namespace brevia::gfx {

Brush::~Brush() { invalidate(); }

Brush& Brush::operator=(const Brush& other) {
  if (this != &other) {
    StatusHolder::operator=(other);
    invalidate();
  }
  return *this;
}

void Brush::invalidate() const {
  if (pattern_) cairo_pattern_destroy(pattern_);
  pattern_ = nullptr;
}

cairo_pattern_t* Brush::pattern() const {
  if (pattern_) return pattern_;
  cairo_pattern_t* built = buildPattern();
  if (!built) return nullptr;
  cairo_status_t status = cairo_pattern_status(built);
  if (status != CAIRO_STATUS_SUCCESS) {
    keep(detail::fromCairo(status));
    cairo_pattern_destroy(built);
    return nullptr;
  }
  pattern_ = built;
  return pattern_;
}

Status GradientBrush::setTransform(const Matrix& matrix) {
  if (!matrix.isInvertible()) return keep(Status::InvalidParameter);
  transform_ = matrix;
  invalidate();
  return Status::Ok;
}

Status GradientBrush::multiplyTransform(const Matrix& matrix, MatrixOrder order) {
  Matrix result = transform_;
  Status status = result.multiply(matrix, order);
  if (status != Status::Ok) return keep(status);
  return setTransform(result);
}

Status GradientBrush::resetTransform() {
  transform_.reset();
  invalidate();
  return Status::Ok;
}

void GradientBrush::applyTransform(cairo_pattern_t* pattern) const {
  if (transform_.isIdentity()) return;
  Matrix inverse = transform_;
  if (inverse.invert() != Status::Ok) return;
  cairo_matrix_t m = detail::toCairo(inverse);
  cairo_pattern_set_matrix(pattern, &m);
}

}  // namespace brevia::gfx
