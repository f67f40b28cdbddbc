// A 2-D affine transformation matrix with single-precision elements.
//
// The matrix is the 3 x 3 affine matrix with rows (m11, m12, 0),
// (m21, m22, 0), (dx, dy, 1) applied to row vectors: a point (x, y) maps to
// (x*m11 + y*m21 + dx, x*m12 + y*m22 + dy). Every building operation
// prepends its operand (new = operand x old), so the operand acts on a
// point first. Each formula is evaluated in double precision and rounded to
// float when stored.
#pragma once

#include <stdexcept>

namespace lw {

// Raised by TTransformMatrix::Invert for a matrix without an inverse.
class MatrixError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The six elements in their fixed order; also addressable by index 0..5.
struct TMatrixElements {
  float m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

  // Element `i` (0 m11, 1 m12, 2 m21, 3 m22, 4 dx, 5 dy); `i` outside 0..5
  // is a programming error (checked by assertion only).
  float &operator[](int i);
  float operator[](int i) const;
  bool operator==(const TMatrixElements &) const = default;
};

// An integer rectangle by its edges; Right and Bottom are the far edges.
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TRect &) const = default;
};

class TTransformMatrix {
 public:
  TTransformMatrix() = default;  // identity
  TTransformMatrix(float m11, float m12, float m21, float m22, float dx, float dy);
  TTransformMatrix(const TTransformMatrix &) = default;
  TTransformMatrix &operator=(const TTransformMatrix &) = default;

  void Reset();  // back to the identity
  void Multiply(const TTransformMatrix &matrix);  // prepends `matrix`
  void Translate(float offsetX, float offsetY);
  void Scale(float scaleX, float scaleY);
  void Rotate(float angle);  // degrees; positive turns clockwise when y points down
  void RotateAt(float angle, float centerX, float centerY);
  void Shear(float shearX, float shearY);

  // Replaces the matrix by its inverse. Throws MatrixError("Not invertible
  // transformation matrix.") and leaves the matrix unchanged when
  // |determinant| < 0.000001.
  void Invert();

  // The bounding box of the rectangle (0, 0)-(width, height) after the
  // transformation: origin (fx, fy) and size (fwidth, fheight). Never fails.
  void GetTransformSize(int width, int height, float &fx, float &fy, float &fwidth,
                        float &fheight) const;
  // The same box with its near edges truncated and its far edges rounded
  // up (a fraction of at most 0.000001 dropped). Never fails.
  TRect GetTransformRect(int width, int height) const;

  // True when |determinant| rounds to a non-zero number of thousandths,
  // i.e. |det| > 0.0005: stricter than the test of Invert.
  bool IsInvertible() const;
  // True when the elements are exactly those of the identity.
  bool IsIdentity() const;

  TMatrixElements Elements() const { return FElements; }
  void SetElements(const TMatrixElements &elements) { FElements = elements; }
  float OffsetX() const { return FElements.dx; }
  float OffsetY() const { return FElements.dy; }
  void SetOffsetX(float value) { FElements.dx = value; }
  void SetOffsetY(float value) { FElements.dy = value; }

 private:
  void MultiplyLinear(const TMatrixElements &e);
  double Determinant() const;

  TMatrixElements FElements;
};

}  // namespace lw
