#pragma once
// Brush: what a fill paints with. Subclasses: SolidBrush, LinearGradientBrush,
// RadialGradientBrush, PathGradientBrush. Gradient geometry is given in world coordinates (the
// brush's own transform, when set, applies first).

#include "platform/graphics/graphics_types.h"
#include "platform/graphics/matrix.h"

struct _cairo_pattern;

namespace brevia::gfx {

class Graphics;

class Brush : public StatusHolder {
 public:
  virtual ~Brush();
  // Copies share nothing; the copy builds its own pattern when first used.
  Brush(const Brush& other) : StatusHolder(other) {}
  Brush& operator=(const Brush& other);

 protected:
  Brush() = default;
  // Setters call this so that the next fill rebuilds the pattern.
  void invalidate() const;

 private:
  friend class Graphics;
  // The pattern in brush space, built on first use; null when it cannot be built (the failure is
  // kept as the brush's status).
  _cairo_pattern* pattern() const;
  virtual _cairo_pattern* buildPattern() const = 0;
  // Solid colours do not depend on the world transform.
  virtual bool isSolid() const { return false; }

  mutable _cairo_pattern* pattern_ = nullptr;
};

// Base of the gradient brushes: the brush transform (brush space to world space).
class GradientBrush : public Brush {
 public:
  const Matrix& transform() const { return transform_; }
  // InvalidParameter for a matrix without an inverse (the transform stays).
  Status setTransform(const Matrix& matrix);
  Status multiplyTransform(const Matrix& matrix, MatrixOrder order = MatrixOrder::Prepend);
  Status resetTransform();

 protected:
  GradientBrush() = default;
  // Gives a freshly built pattern the brush transform.
  void applyTransform(_cairo_pattern* pattern) const;

 private:
  Matrix transform_;
};

}  // namespace brevia::gfx
