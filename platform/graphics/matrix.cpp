#include "platform/graphics/matrix.h"

#include <algorithm>
#include <cmath>

namespace brevia::gfx {

namespace {

// Products are formed in double and stored as float, as the single-precision original does.
void product(const float a[6], const float b[6], float out[6]) {
  double r[6];
  r[0] = double(a[0]) * b[0] + double(a[1]) * b[2];
  r[1] = double(a[0]) * b[1] + double(a[1]) * b[3];
  r[2] = double(a[2]) * b[0] + double(a[3]) * b[2];
  r[3] = double(a[2]) * b[1] + double(a[3]) * b[3];
  r[4] = double(a[4]) * b[0] + double(a[5]) * b[2] + b[4];
  r[5] = double(a[4]) * b[1] + double(a[5]) * b[3] + b[5];
  for (int i = 0; i < 6; ++i) out[i] = float(r[i]);
}

bool allFinite(const float m[6]) {
  for (int i = 0; i < 6; ++i)
    if (!std::isfinite(m[i])) return false;
  return true;
}

}  // namespace

void Matrix::getElements(float out[6]) const {
  for (int i = 0; i < 6; ++i) out[i] = m_[i];
}

void Matrix::setElements(float m11, float m12, float m21, float m22, float dx, float dy) {
  m_[0] = m11;
  m_[1] = m12;
  m_[2] = m21;
  m_[3] = m22;
  m_[4] = dx;
  m_[5] = dy;
}

Status Matrix::multiply(const Matrix& other, MatrixOrder order) {
  if (order != MatrixOrder::Prepend && order != MatrixOrder::Append)
    return keep(Status::InvalidParameter);
  float result[6];
  if (order == MatrixOrder::Prepend)
    product(other.m_, m_, result);
  else
    product(m_, other.m_, result);
  // A product that overflowed would poison every later transform; keep the old one instead.
  if (!allFinite(result)) return keep(Status::ValueOverflow);
  for (int i = 0; i < 6; ++i) m_[i] = result[i];
  return Status::Ok;
}

Status Matrix::translate(float offsetX, float offsetY, MatrixOrder order) {
  return multiply(Matrix(1, 0, 0, 1, offsetX, offsetY), order);
}

Status Matrix::scale(float scaleX, float scaleY, MatrixOrder order) {
  return multiply(Matrix(scaleX, 0, 0, scaleY, 0, 0), order);
}

Status Matrix::rotate(float degrees, MatrixOrder order) {
  double radians = double(degrees) * M_PI / 180.0;
  float c = float(std::cos(radians));
  float s = float(std::sin(radians));
  return multiply(Matrix(c, s, -s, c, 0, 0), order);
}

Status Matrix::invert() {
  double det = determinant();
  if (det == 0 || !std::isfinite(det)) return keep(Status::InvalidParameter);
  double r[6];
  r[0] = m_[3] / det;
  r[1] = -m_[1] / det;
  r[2] = -m_[2] / det;
  r[3] = m_[0] / det;
  r[4] = (double(m_[2]) * m_[5] - double(m_[3]) * m_[4]) / det;
  r[5] = (double(m_[1]) * m_[4] - double(m_[0]) * m_[5]) / det;
  float result[6];
  for (int i = 0; i < 6; ++i) result[i] = float(r[i]);
  if (!allFinite(result)) return keep(Status::InvalidParameter);
  for (int i = 0; i < 6; ++i) m_[i] = result[i];
  return Status::Ok;
}

void Matrix::transformPoints(PointF* points, int count) const {
  for (int i = 0; i < count; ++i) points[i] = transformPoint(points[i]);
}

void Matrix::transformVectors(PointF* vectors, int count) const {
  for (int i = 0; i < count; ++i) {
    PointF v = vectors[i];
    vectors[i] = {m_[0] * v.x + m_[2] * v.y, m_[1] * v.x + m_[3] * v.y};
  }
}

bool Matrix::isIdentity() const {
  return m_[0] == 1 && m_[1] == 0 && m_[2] == 0 && m_[3] == 1 && m_[4] == 0 && m_[5] == 0;
}

bool Matrix::isInvertible() const {
  double det = determinant();
  return det != 0 && std::isfinite(det) && isFinite();
}

bool Matrix::isFinite() const { return allFinite(m_); }

void Matrix::scaleFactors(double& largest, double& smallest) const {
  // Singular values of the linear part.
  double a = m_[0], b = m_[1], c = m_[2], d = m_[3];
  double s1 = a * a + b * b + c * c + d * d;
  double det = a * d - b * c;
  double root = std::sqrt(std::max(0.0, s1 * s1 - 4 * det * det));
  largest = std::sqrt(std::max(0.0, (s1 + root) / 2));
  smallest = std::sqrt(std::max(0.0, (s1 - root) / 2));
}

}  // namespace brevia::gfx
