#pragma once
// Matrix: a 3x2 affine transform in row-vector form. A point maps as
//   x' = m11·x + m21·y + dx,   y' = m12·x + m22·y + dy.
// Elements are single-precision, as the drawing code keeps its transforms.

#include "platform/graphics/graphics_types.h"

namespace brevia::gfx {

class Matrix : public StatusHolder {
 public:
  Matrix() = default;
  Matrix(float m11, float m12, float m21, float m22, float dx, float dy)
      : m_{m11, m12, m21, m22, dx, dy} {}

  float m11() const { return m_[0]; }
  float m12() const { return m_[1]; }
  float m21() const { return m_[2]; }
  float m22() const { return m_[3]; }
  float dx() const { return m_[4]; }
  float dy() const { return m_[5]; }
  // The six elements in the order m11 m12 m21 m22 dx dy.
  void getElements(float out[6]) const;
  void setElements(float m11, float m12, float m21, float m22, float dx, float dy);
  void reset() { *this = Matrix(); }

  // Prepend: other applies first, then this (this = other × this).
  // Append: this applies first, then other (this = this × other).
  Status multiply(const Matrix& other, MatrixOrder order = MatrixOrder::Prepend);
  Status translate(float offsetX, float offsetY, MatrixOrder order = MatrixOrder::Prepend);
  Status scale(float scaleX, float scaleY, MatrixOrder order = MatrixOrder::Prepend);
  Status rotate(float degrees, MatrixOrder order = MatrixOrder::Prepend);
  // InvalidParameter, and the matrix unchanged, when it has no inverse.
  Status invert();

  PointF transformPoint(PointF p) const {
    return {m_[0] * p.x + m_[2] * p.y + m_[4], m_[1] * p.x + m_[3] * p.y + m_[5]};
  }
  void transformPoints(PointF* points, int count) const;
  // Without the translation.
  void transformVectors(PointF* vectors, int count) const;

  double determinant() const { return double(m_[0]) * m_[3] - double(m_[1]) * m_[2]; }
  bool isIdentity() const;
  bool isInvertible() const;
  // True when every element is a finite number.
  bool isFinite() const;
  // The largest and smallest factor by which the matrix stretches a unit vector.
  void scaleFactors(double& largest, double& smallest) const;

  friend bool operator==(const Matrix& a, const Matrix& b) {
    for (int i = 0; i < 6; ++i)
      if (a.m_[i] != b.m_[i]) return false;
    return true;
  }

 private:
  float m_[6] = {1, 0, 0, 1, 0, 0};
};

}  // namespace brevia::gfx
