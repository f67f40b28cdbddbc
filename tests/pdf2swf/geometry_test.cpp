// Geometry done before writing: nonzero fills resolved for even-odd
// filling, dashes, rectangles.

#include "pdf2swf/geometry.h"

#include <gtest/gtest.h>

using namespace lw::pdf2swf;

namespace {

QPainterPath Square(double x, double y, double s, bool clockwise) {
  QPainterPath p;
  p.moveTo(x, y);
  if (clockwise) {
    p.lineTo(x + s, y);
    p.lineTo(x + s, y + s);
    p.lineTo(x, y + s);
  } else {
    p.lineTo(x, y + s);
    p.lineTo(x + s, y + s);
    p.lineTo(x + s, y);
  }
  p.closeSubpath();
  return p;
}

// Whether both paths cover the same sample points (each under its own rule).
void ExpectSameCover(const QPainterPath &a, const QPainterPath &b) {
  for (double y = -5; y <= 45; y += 0.7)
    for (double x = -5; x <= 45; x += 0.7)
      ASSERT_EQ(a.contains(QPointF(x, y)), b.contains(QPointF(x, y))) << x << "," << y;
}

}  // namespace

TEST(VectorGeometry, NonzeroNestedContoursKeepTheirCover) {
  // Same direction: nonzero fills the inner square too, so only the outer stays.
  QPainterPath same = Square(0, 0, 40, true);
  same.addPath(Square(10, 10, 20, true));
  same.setFillRule(Qt::WindingFill);
  const QPainterPath eoSame = EvenOddEquivalent(same, 0.1);
  EXPECT_EQ(eoSame.fillRule(), Qt::OddEvenFill);
  EXPECT_EQ(eoSame.elementCount(), 5);
  ExpectSameCover(same, eoSame);

  // Opposite direction: a hole, both contours stay.
  QPainterPath hole = Square(0, 0, 40, true);
  hole.addPath(Square(10, 10, 20, false));
  hole.setFillRule(Qt::WindingFill);
  const QPainterPath eoHole = EvenOddEquivalent(hole, 0.1);
  EXPECT_EQ(eoHole.elementCount(), 10);
  ExpectSameCover(hole, eoHole);

  // Three deep, all one way: only the outermost matters.
  QPainterPath three = same;
  three.addPath(Square(15, 15, 10, true));
  three.setFillRule(Qt::WindingFill);
  ExpectSameCover(three, EvenOddEquivalent(three, 0.1));
}

TEST(VectorGeometry, NonzeroCrossingContoursAreMerged) {
  QPainterPath cross = Square(0, 0, 25, true);
  cross.addPath(Square(15, 15, 25, true));
  cross.setFillRule(Qt::WindingFill);
  const QPainterPath eo = EvenOddEquivalent(cross, 0.1);
  EXPECT_EQ(eo.fillRule(), Qt::OddEvenFill);
  ExpectSameCover(cross, eo);
  // A self-crossing star fills its centre under nonzero.
  QPainterPath star;
  star.moveTo(20, 0);
  star.lineTo(32, 38);
  star.lineTo(0, 14);
  star.lineTo(40, 14);
  star.lineTo(8, 38);
  star.closeSubpath();
  star.setFillRule(Qt::WindingFill);
  const QPainterPath eoStar = EvenOddEquivalent(star, 0.1);
  EXPECT_TRUE(eoStar.contains(QPointF(20, 20)));
  ExpectSameCover(star, eoStar);
}

TEST(VectorGeometry, SmallCurvedContoursThatDoNotCrossKeepTheirCurves) {
  // The outline of a serif "e" in em units, as the PDF reader gets it from a
  // Type 1 font: the eye and the outer contour, apart by 0.02 em at the
  // crossbar. Flattened as coarsely as Qt does at this scale, their chords
  // seemed to cross, and the glyph was merged into hundreds of straight
  // edges (a text page's fonts were three times their size).
  QPainterPath e;
  e.moveTo(0.111861, 0.252131);
  e.cubicTo(0.117898, 0.400923, 0.202060, 0.426136, 0.236151, 0.426136);
  e.cubicTo(0.339134, 0.426136, 0.349077, 0.290838, 0.349077, 0.252131);
  e.lineTo(0.111861, 0.252131);
  e.moveTo(0.111151, 0.230824);
  e.lineTo(0.389915, 0.230824);
  e.cubicTo(0.411932, 0.230824, 0.415128, 0.230824, 0.415128, 0.252131);
  e.cubicTo(0.415128, 0.350852, 0.361151, 0.448153, 0.236151, 0.448153);
  e.cubicTo(0.120028, 0.448153, 0.028054, 0.345170, 0.028054, 0.220170);
  e.cubicTo(0.028054, 0.085938, 0.133168, -0.011009, 0.247869, -0.011009);
  e.cubicTo(0.370028, -0.011009, 0.415128, 0.100142, 0.415128, 0.118963);
  e.cubicTo(0.415128, 0.128906, 0.406960, 0.131037, 0.401989, 0.131037);
  e.cubicTo(0.393111, 0.131037, 0.390980, 0.125000, 0.388849, 0.116832);
  e.cubicTo(0.354048, 0.013849, 0.263849, 0.013849, 0.253906, 0.013849);
  e.cubicTo(0.203835, 0.013849, 0.164062, 0.044034, 0.140980, 0.080966);
  e.cubicTo(0.111151, 0.128906, 0.111151, 0.194957, 0.111151, 0.230824);
  e.closeSubpath();
  e.setFillRule(Qt::WindingFill);
  const QPainterPath eo = EvenOddEquivalent(e, 1.0 / 4096);
  int curves = 0, lines = 0;
  for (int i = 0; i < eo.elementCount(); ++i) {
    curves += eo.elementAt(i).isCurveTo();
    lines += eo.elementAt(i).isLineTo();
  }
  EXPECT_EQ(curves, 12);
  EXPECT_LE(lines, 4);
  EXPECT_TRUE(eo.contains(QPointF(0.23, 0.44)));    // the bowl's top
  EXPECT_FALSE(eo.contains(QPointF(0.23, 0.33)));   // the eye
  EXPECT_TRUE(eo.contains(QPointF(0.23, 0.24)));    // the crossbar
}

TEST(VectorGeometry, DashesSplitThePath) {
  QPainterPath line;
  line.moveTo(0, 0);
  line.lineTo(10, 0);
  const QPainterPath dashed = DashPath(line, {3, 2}, 0);
  // 0-3, 5-8, then 10 starts the next dash at the end: two dashes.
  ASSERT_EQ(dashed.elementCount(), 4);
  EXPECT_EQ(dashed.elementAt(0).x, 0);
  EXPECT_EQ(dashed.elementAt(1).x, 3);
  EXPECT_EQ(dashed.elementAt(2).x, 5);
  EXPECT_EQ(dashed.elementAt(3).x, 8);
  // A phase of 4 starts inside the first gap.
  const QPainterPath phased = DashPath(line, {3, 2}, 4);
  ASSERT_GE(phased.elementCount(), 2);
  EXPECT_EQ(phased.elementAt(0).x, 1);
  EXPECT_EQ(phased.elementAt(1).x, 4);
  // Dashes run on round corners.
  QPainterPath corner;
  corner.moveTo(0, 0);
  corner.lineTo(4, 0);
  corner.lineTo(4, 4);
  const QPainterPath c = DashPath(corner, {6, 1}, 0);
  ASSERT_EQ(c.elementCount(), 5);  // 0,0 -> 4,0 -> 4,2 ; then 4,3 -> 4,4
  EXPECT_EQ(c.elementAt(2).y, 2);
  // Unusable patterns leave the path as it is.
  EXPECT_EQ(DashPath(line, {}, 0), line);
  EXPECT_EQ(DashPath(line, {0, 0}, 0), line);
  EXPECT_EQ(DashPath(line, {-1, 2}, 0), line);
}

TEST(VectorGeometry, RecognisesRectangles) {
  QRectF r;
  EXPECT_TRUE(IsRectangle(Square(1, 2, 3, true), &r));
  EXPECT_EQ(r, QRectF(1, 2, 3, 3));
  QPainterPath slanted;
  slanted.moveTo(0, 0);
  slanted.lineTo(4, 1);
  slanted.lineTo(4, 4);
  slanted.lineTo(0, 4);
  slanted.closeSubpath();
  EXPECT_FALSE(IsRectangle(slanted, &r));
}
