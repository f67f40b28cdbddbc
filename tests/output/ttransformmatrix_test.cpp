#include "output/ttransformmatrix.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lw;

namespace {

// Where the matrix sends the point (x, y).
std::pair<double, double> Map(const TTransformMatrix &m, double x, double y) {
  const TMatrixElements e = m.Elements();
  return {x * e.m11 + y * e.m21 + e.dx, x * e.m12 + y * e.m22 + e.dy};
}

// Within a few float32 steps of `expected`.
void ExpectNear(double actual, double expected) {
  EXPECT_NEAR(actual, expected, 4e-6 * std::max(1.0, std::fabs(expected)));
}

}  // namespace

TEST(TTransformMatrix, IdentityAndElements) {
  TTransformMatrix m;
  EXPECT_TRUE(m.IsIdentity());
  m.Translate(0, 0);
  EXPECT_TRUE(m.IsIdentity());
  m.Rotate(360);  // the sine of 2*pi in float32 is not exactly 0
  EXPECT_FALSE(m.IsIdentity());
  m.Reset();
  EXPECT_TRUE(m.IsIdentity());

  // Elements in their fixed order, by name and by index.
  m.SetElements(TTransformMatrix(1, 2, 3, 4, 5, 6).Elements());
  const TMatrixElements e = m.Elements();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(e[i], float(i + 1));
  EXPECT_EQ(e.dx, m.OffsetX());
  EXPECT_EQ(e.dy, m.OffsetY());
}

TEST(TTransformMatrix, OperationsArePrepended) {
  TTransformMatrix m;
  m.Scale(2, 3);
  m.Translate(10, 0);  // applied to the point first, then scaled
  auto [x, y] = Map(m, 1, 1);
  EXPECT_EQ(x, 22);
  EXPECT_EQ(y, 3);

  TTransformMatrix a;
  a.Translate(5, 7);
  TTransformMatrix b;
  b.Scale(2, 2);
  b.Multiply(a);  // same as prepending the translation
  std::tie(x, y) = Map(b, 1, 1);
  EXPECT_EQ(x, 12);
  EXPECT_EQ(y, 16);

  TTransformMatrix r;
  r.Rotate(90);  // (1, 0) turns to (0, 1): clockwise with y pointing down
  std::tie(x, y) = Map(r, 1, 0);
  ExpectNear(x, 0);
  ExpectNear(y, 1);

  TTransformMatrix at;
  at.RotateAt(90, 10, 10);
  std::tie(x, y) = Map(at, 10, 10);
  ExpectNear(x, 10);
  ExpectNear(y, 10);
  std::tie(x, y) = Map(at, 11, 10);
  ExpectNear(x, 10);
  ExpectNear(y, 11);

  TTransformMatrix s;
  s.Shear(2, 0);  // x' = x + 2y
  std::tie(x, y) = Map(s, 1, 1);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 1);
  s.Reset();
  s.Shear(0, 3);  // y' = 3x + y
  std::tie(x, y) = Map(s, 1, 1);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 4);
}

TEST(TTransformMatrix, StoresFloat32) {
  TTransformMatrix m;
  m.Scale(0.1f, 1);
  m.Scale(3, 1);
  // 0.1f * 3 computed in double and rounded once to float.
  EXPECT_EQ(m.Elements().m11, static_cast<float>(double(0.1f) * 3.0));
  m.Translate(1e-9f, 0);
  EXPECT_EQ(m.Elements().dx, static_cast<float>(double(1e-9f) * m.Elements().m11));
}

TEST(TTransformMatrix, TransformRect) {
  TTransformMatrix m;
  m.Scale(0.5f, 0.5f);
  EXPECT_EQ(m.GetTransformRect(100, 50), (TRect{0, 0, 50, 25}));
  m.Reset();
  m.Scale(0.333f, 0.333f);
  EXPECT_EQ(m.GetTransformRect(100, 50), (TRect{0, 0, 34, 17}));
  m.Reset();
  m.Rotate(90);
  EXPECT_EQ(m.GetTransformRect(100, 50), (TRect{-50, 0, 0, 100}));
  m.Reset();
  m.Translate(3.5f, -2.5f);
  m.Scale(2, 2);
  float fx, fy, fw, fh;
  m.GetTransformSize(10, 20, fx, fy, fw, fh);
  EXPECT_EQ(fx, 3.5f);
  EXPECT_EQ(fy, -2.5f);
  EXPECT_EQ(fw, 20.0f);
  EXPECT_EQ(fh, 40.0f);
  EXPECT_EQ(m.GetTransformRect(10, 20), (TRect{3, -2, 24, 38}));
  // A fraction of at most 0.000001 is dropped, a larger one rounds up.
  m.Reset();
  m.Scale(1.0000005f, 1.00001f);
  EXPECT_EQ(m.GetTransformRect(1, 1), (TRect{0, 0, 1, 2}));
}

TEST(TTransformMatrix, Invert) {
  TTransformMatrix m;
  m.Scale(2, 4);
  m.Invert();
  EXPECT_EQ(m.Elements(), (TMatrixElements{0.5f, 0, 0, 0.25f, 0, 0}));

  TTransformMatrix t;
  t.Translate(10, 20);
  t.Rotate(30);
  t.Scale(2, 3);
  TTransformMatrix inv(t);
  inv.Invert();
  auto [x, y] = Map(t, 7, -3);
  auto [bx, by] = Map(inv, x, y);
  ExpectNear(bx, 7);
  ExpectNear(by, -3);

  TTransformMatrix tiny;
  tiny.Scale(0.0001f, 0.0001f);  // det 1e-8
  const TMatrixElements before = tiny.Elements();
  try {
    tiny.Invert();
    FAIL() << "no error";
  } catch (const MatrixError &e) {
    EXPECT_STREQ(e.what(), "Not invertible transformation matrix.");
  }
  EXPECT_EQ(tiny.Elements(), before);
  EXPECT_FALSE(tiny.IsInvertible());

  TTransformMatrix small;  // det 0.0002: reported not invertible, yet inverts
  small.Scale(0.01f, 0.02f);
  EXPECT_FALSE(small.IsInvertible());
  EXPECT_NO_THROW(small.Invert());
  ExpectNear(small.Elements().m11, 100);
  ExpectNear(small.Elements().m22, 50);
  EXPECT_TRUE(small.IsInvertible());

  TTransformMatrix singular(1, 2, 2, 4, 0, 0);
  EXPECT_THROW(singular.Invert(), MatrixError);
  EXPECT_TRUE(TTransformMatrix().IsInvertible());
}
