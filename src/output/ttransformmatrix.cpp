#include "output/ttransformmatrix.h"

#include <cassert>
#include <cmath>
#include <numbers>

namespace lw {
namespace {

float f32(double v) { return static_cast<float>(v); }

}  // namespace

float &TMatrixElements::operator[](int i) {
  assert(i >= 0 && i < 6);
  float *const fields[] = {&m11, &m12, &m21, &m22, &dx, &dy};
  return *fields[i];
}

float TMatrixElements::operator[](int i) const {
  return const_cast<TMatrixElements &>(*this)[i];
}

TTransformMatrix::TTransformMatrix(float m11, float m12, float m21, float m22, float dx, float dy)
    : FElements{m11, m12, m21, m22, dx, dy} {}

void TTransformMatrix::Reset() { FElements = TMatrixElements{}; }

void TTransformMatrix::MultiplyLinear(const TMatrixElements &e) {
  const double m11 = FElements.m11, m12 = FElements.m12;
  const double m21 = FElements.m21, m22 = FElements.m22;
  FElements.m11 = f32(double(e.m11) * m11 + double(e.m12) * m21);
  FElements.m12 = f32(double(e.m11) * m12 + double(e.m12) * m22);
  FElements.m21 = f32(double(e.m21) * m11 + double(e.m22) * m21);
  FElements.m22 = f32(double(e.m21) * m12 + double(e.m22) * m22);
}

void TTransformMatrix::Multiply(const TTransformMatrix &matrix) {
  const TMatrixElements &a = matrix.FElements;
  Translate(a.dx, a.dy);
  MultiplyLinear(a);
}

void TTransformMatrix::Translate(float offsetX, float offsetY) {
  const TMatrixElements e = FElements;
  FElements.dx = f32(double(offsetX) * e.m11 + double(offsetY) * e.m21 + e.dx);
  FElements.dy = f32(double(offsetX) * e.m12 + double(offsetY) * e.m22 + e.dy);
}

void TTransformMatrix::Scale(float scaleX, float scaleY) {
  TMatrixElements op;
  op.m11 = scaleX;
  op.m22 = scaleY;
  MultiplyLinear(op);
}

void TTransformMatrix::Rotate(float angle) {
  const float r = f32(double(angle) * std::numbers::pi / 180.0);
  const float c = f32(std::cos(double(r)));
  const float s = f32(std::sin(double(r)));
  TMatrixElements op;
  op.m11 = c;
  op.m12 = s;
  op.m21 = -s;
  op.m22 = c;
  MultiplyLinear(op);
}

void TTransformMatrix::RotateAt(float angle, float centerX, float centerY) {
  Translate(centerX, centerY);
  Rotate(angle);
  Translate(-centerX, -centerY);
}

void TTransformMatrix::Shear(float shearX, float shearY) {
  TMatrixElements op;
  op.m12 = shearY;
  op.m21 = shearX;
  MultiplyLinear(op);
}

double TTransformMatrix::Determinant() const {
  return double(FElements.m11) * FElements.m22 - double(FElements.m12) * FElements.m21;
}

void TTransformMatrix::Invert() {
  const double det = Determinant();
  if (std::trunc(det * 1000000.0) == 0.0)
    throw MatrixError("Not invertible transformation matrix.");
  const double k = 1.0 / det;
  const TMatrixElements e = FElements;
  TMatrixElements out;
  out.m11 = f32(k * e.m22);
  out.m12 = f32(-k * e.m12);
  out.m21 = f32(-k * e.m21);
  out.m22 = f32(k * e.m11);
  out.dx = f32(-double(e.dx) * out.m11 - double(e.dy) * out.m21);
  out.dy = f32(-double(e.dx) * out.m12 - double(e.dy) * out.m22);
  FElements = out;
}

bool TTransformMatrix::IsInvertible() const {
  // Ties to even, as the default floating-point rounding mode does.
  return std::nearbyint(Determinant() * 1000.0) != 0.0;
}

bool TTransformMatrix::IsIdentity() const {
  const TMatrixElements &e = FElements;
  return e.m11 == 1.0f && e.m12 == 0.0f && e.m21 == 0.0f && e.m22 == 1.0f && e.dx == 0.0f &&
         e.dy == 0.0f;
}

void TTransformMatrix::GetTransformSize(int width, int height, float &fx, float &fy,
                                        float &fwidth, float &fheight) const {
  const TMatrixElements &e = FElements;
  const float corners[3][2] = {{float(width), 0.0f},
                               {0.0f, float(height)},
                               {float(width), float(height)}};
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (const auto &corner : corners) {
    const double x = corner[0], y = corner[1];
    const float px = f32(x * e.m11 + y * e.m21);
    const float py = f32(x * e.m12 + y * e.m22);
    if (px < minX)
      minX = px;
    else if (px > maxX)
      maxX = px;
    if (py < minY)
      minY = py;
    else if (py > maxY)
      maxY = py;
  }
  fwidth = f32(double(maxX) - minX);
  fheight = f32(double(maxY) - minY);
  fx = f32(double(minX) + e.dx);
  fy = f32(double(minY) + e.dy);
}

TRect TTransformMatrix::GetTransformRect(int width, int height) const {
  float fx = 0, fy = 0, fw = 0, fh = 0;
  GetTransformSize(width, height, fx, fy, fw, fh);
  // Edges far outside the int range saturate instead of overflowing.
  auto truncToInt = [](double v) {
    v = std::trunc(v);
    if (!(v > -2147483648.0)) return -2147483647 - 1;
    if (v > 2147483647.0) return 2147483647;
    return static_cast<int>(v);
  };
  TRect r;
  r.Left = truncToInt(fx);
  r.Top = truncToInt(fy);
  r.Right = truncToInt(double(fx) + fw + 0.999999);
  r.Bottom = truncToInt(double(fy) + fh + 0.999999);
  return r;
}

}  // namespace lw
