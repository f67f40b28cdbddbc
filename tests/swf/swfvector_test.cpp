// Vector records written byte for byte, the cubic-to-quadratic bound, long
// edges split, and the movie checker refusing malformed movies (blended
// placements among them).

#include "swf/swfcheck.h"
#include "swf/swfvector.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lw::swf;

namespace {

// A one-frame movie of the given tags between the usual header tags.
Bytes Movie(const Bytes &definitions) {
  Bytes tags;
  AppendTag(tags, kTagFileAttributes, FileAttributesBody(kAttrActionScript3));
  tags.insert(tags.end(), definitions.begin(), definitions.end());
  AppendTag(tags, kTagShowFrame, {});
  AppendTag(tags, kTagEnd, {});
  MovieHeader h;
  h.frameSize = {0, 2000, 0, 2000};
  return AssembleMovie(h, tags);
}

Bytes SquareShape(std::uint16_t id) {
  ShapeBuilder s(true);
  FillStyle red;
  red.color = {255, 0, 0, 255};
  s.BeginLayer({red}, {});
  s.SetStyle(0, 1, 0);
  s.MoveTo(0, 0);
  s.LineTo(100, 0);
  s.LineTo(100, 100);
  s.LineTo(0, 100);
  s.LineTo(0, 0);
  return DefineShape4Body(id, s);
}

}  // namespace

TEST(SwfVectorRecords, GlyphShapeBytes) {
  ShapeBuilder g(false);
  g.MoveTo(0, 0);
  g.LineTo(10, 0);
  g.QuadTo(10, 10, 0, 10);
  // 0001 0000 (1 fill bit, 0 line bits)
  // style change 0 0 0 1 1 1, move width 00001, x 0, y 0, fill0 0, fill1 1
  // straight 1 1 0011 0 0 01010 (dx 10)
  // curve 1 0 0011 00000 01010 10110 00000 (control 0,10; anchor -10,0)
  // end 000000, padded:
  // 0001 1100 | 0010 0011 | 1001 1000 | 1010 1000 | 1100 0000 | 1010 1011 | 0000 0000 | 0000 0000
  const Bytes out = g.Finish();
  EXPECT_EQ(out, (Bytes{0x10, 0x1C, 0x23, 0x98, 0xA8, 0xC0, 0xAB, 0x00, 0x00}));
}

TEST(SwfVectorRecords, FillAndLineStyleBytes) {
  Bytes out;
  FillStyle solid;
  solid.color = {1, 2, 3, 4};
  AppendFillStyles(out, {solid});
  EXPECT_EQ(out, (Bytes{0x01, 0x00, 1, 2, 3, 4}));
  out.clear();
  LineStyle l;
  l.width = 40;
  l.color = {9, 8, 7, 255};
  l.cap = LineStyle::SquareCap;
  l.join = LineStyle::MiterJoin;
  l.miterLimit = 4;
  AppendLineStyles(out, {l});
  // count, width 40, caps 10 join 10 flags 0000 | 00000 0 10, miter 4.0 in 8.8, colour
  EXPECT_EQ(out, (Bytes{0x01, 40, 0, 0xA0, 0x02, 0x00, 0x04, 9, 8, 7, 255}));
}

TEST(SwfVectorRecords, TextRecordBytes) {
  TextRun run;
  run.fontId = 3;
  run.height = 200;
  run.color = {0, 0, 0, 255};
  run.bounds = {0, 100, -200, 0};
  run.glyphs = {{1, 0, 0}, {2, 120, 0}};
  const Bytes body = DefineText2Body(7, run);
  const Bytes tail(body.end() - 18, body.end());
  // Flags (record, font, colour, x, y), font 3, RGBA, x 0, y 0, height 200,
  // 2 glyphs of 2 + 8 bits: 01 01111000 10 00000000, padded; end of records.
  const Bytes expected{0x8F, 3, 0, 0, 0, 0, 255, 0, 0, 0, 0, 200, 0, 2, 0x5E, 0x20, 0x00, 0x00};
  EXPECT_EQ(tail, expected);
  run.glyphs[1].x = 40000;
  EXPECT_TRUE(DefineText2Body(7, run).empty());
}

TEST(SwfVectorRecords, TextBlockRecordsChangeOnlyWhatChanges) {
  // Two runs in one text: the second changes the font (so the height is
  // written again) but keeps the colour, and starts a new line.
  TextBlock block;
  block.bounds = {0, 100, -200, 300};
  TextRun a;
  a.fontId = 3;
  a.height = 200;
  a.color = {0, 0, 0, 255};
  a.glyphs = {{1, 0, 0}};
  TextRun b = a;
  b.fontId = 4;
  b.glyphs = {{2, 10, 240}};
  block.runs = {a, b};
  const Bytes body = DefineText2Body(9, block);
  const Bytes tail(body.end() - 27, body.end());
  const Bytes expected{
      0x8F, 3, 0, 0, 0, 0, 255, 0, 0, 0, 0, 200, 0, 1, 0x40,  // font, colour, x, y, height; glyph 1 (2 bits), advance 0 (1 bit)
      0x8B, 4, 0, 10, 0, 240, 0, 200, 0, 1, 0x80,             // font, x, y, height; glyph 2
      0x00};
  EXPECT_EQ(tail, expected);
  // A run without glyphs adds nothing; a block without any glyph is refused.
  block.runs.push_back(TextRun{});
  EXPECT_EQ(DefineText2Body(9, block), body);
  block.runs = {TextRun{}};
  EXPECT_TRUE(DefineText2Body(9, block).empty());
}

// PlaceObject3: flags (HasMatrix | HasCharacter), flags 2 (HasBlendMode),
// depth and character (UI16, little end first), an identity MATRIX (no
// scale, no rotation, 0 translation bits: 7 bits padded to one byte), then
// the blend mode byte.
TEST(SwfVectorRecords, PlaceObject3BlendBytes) {
  EXPECT_EQ(PlaceObject3BlendBody(0x0102, 0x0304, BlendMode::Multiply),
            (Bytes{0x06, 0x02, 0x02, 0x01, 0x04, 0x03, 0x00, 0x03}));
  EXPECT_EQ(PlaceObject3BlendBody(7, 300, BlendMode::HardLight),
            (Bytes{0x06, 0x02, 0x07, 0x00, 0x2C, 0x01, 0x00, 0x0E}));
  EXPECT_EQ(PlaceObject3BlendBody(1, 1, BlendMode::Overlay).back(), 13);
}

TEST(SwfVectorGeometry, CubicsBecomeQuadraticsWithinTheBound) {
  // A quarter circle of radius 10000 twips: with a 1-twip tolerance the
  // pieces follow sqrt(3)/36 * |P3 - 3P2 + 3P1 - P0| / n^3 <= 1.
  const double k = 0.5522847498 * 10000;
  ShapeBuilder s(false);
  s.MoveTo(10000, 0);
  s.CubicTo(10000, k, k, 10000, 0, 10000, 1.0);
  const double d = std::hypot(0 - 3 * k + 3 * 10000 - 10000, 10000 - 3 * 10000 + 3 * k - 0);
  const int n = static_cast<int>(std::ceil(std::cbrt(std::sqrt(3.0) / 36.0 * d)));
  EXPECT_EQ(s.edgeCount(), static_cast<std::size_t>(n));
  // A cubic that is an exact quadratic needs one piece.
  ShapeBuilder q(false);
  q.MoveTo(0, 0);
  q.CubicTo(200, 400, 400, 400, 600, 0, 0.1);  // control (300, 600) raised to degree 3
  EXPECT_EQ(q.edgeCount(), 1u);
}

TEST(SwfVectorGeometry, LongEdgesAreSplit) {
  ShapeBuilder s(false);
  s.MoveTo(0, 0);
  s.LineTo(200000, 0);
  EXPECT_EQ(s.edgeCount(), 4u);  // 200000 / 65535 -> 4 pieces
  s.QuadTo(300000, 100000, 200000, 200000);
  EXPECT_GT(s.edgeCount(), 5u);
  const Rect b = s.edgeBounds();
  EXPECT_EQ(b.xMax, 300000 > 250000 ? b.xMax : 0);
  EXPECT_EQ(b.yMax, 200000);
}

TEST(SwfCheck, AcceptsWellFormedVectorMovies) {
  Bytes defs;
  AppendTag(defs, kTagDefineShape4, SquareShape(1), true);
  ShapeBuilder g(false);
  g.MoveTo(0, 0);
  g.LineTo(1000, 0);
  g.LineTo(0, -1000);
  AppendTag(defs, kTagDefineFont3, DefineFontBody(2, "F", {{g.Finish(), 'A'}}), true);
  TextRun run;
  run.fontId = 2;
  run.height = 200;
  run.glyphs = {{0, 0, 0}};
  AppendTag(defs, kTagDefineText2, DefineText2Body(3, run), true);
  AppendTag(defs, kTagPlaceObject2, PlaceObject2ClipBody(1, 1, 2));
  AppendTag(defs, kTagPlaceObject2, PlaceObject2ClipBody(2, 3, 0));
  const CheckResult r = CheckMovie(Movie(defs));
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.shapes, 1);
  EXPECT_EQ(r.fonts, 1);
  EXPECT_EQ(r.texts, 1);
}

// A text's bounds are where a runtime looks for it: bounds that leave its
// glyphs out (bounds in text space, before the text's matrix) are refused.
TEST(SwfCheck, TextBoundsMustHoldTheGlyphs) {
  ShapeBuilder g(false);
  g.MoveTo(0, 0);
  g.LineTo(1000, 0);
  g.LineTo(0, -1000);
  const Bytes glyph = g.Finish();
  TextBlock block;
  block.matrix.translateX = 8000;  // the text stands 400 points right, 300 down
  block.matrix.translateY = 6000;
  TextRun run;
  run.fontId = 1;
  run.height = 240;
  run.glyphs = {{0, 0, 0}, {0, 300, 0}, {0, 600, 0}};
  block.runs = {run};
  auto movieWith = [&](Rect bounds) {
    block.bounds = bounds;
    Bytes defs;
    AppendTag(defs, kTagDefineFont2, DefineFontBody(1, "F", {{glyph, 'A'}}), true);
    AppendTag(defs, kTagDefineText2, DefineText2Body(2, block), true);
    AppendTag(defs, kTagPlaceObject2, PlaceObject2ClipBody(1, 2, 0));
    return Movie(defs);
  };
  const CheckResult placed = CheckMovie(movieWith(Rect{7980, 8860, 5760, 6060}));
  EXPECT_TRUE(placed.ok) << placed.error;
  const CheckResult textSpace = CheckMovie(movieWith(Rect{-20, 860, -240, 60}));
  EXPECT_FALSE(textSpace.ok);
  EXPECT_EQ(textSpace.error.find("outside its text's bounds") != std::string::npos, true) << textSpace.error;
}

TEST(SwfCheck, RefusesMalformedMovies) {
  Bytes defs;
  AppendTag(defs, kTagDefineShape4, SquareShape(1), true);
  AppendTag(defs, kTagPlaceObject2, PlaceObject2ClipBody(1, 1, 0));
  const Bytes good = Movie(defs);
  ASSERT_TRUE(CheckMovie(good).ok);

  Bytes cut(good.begin(), good.end() - 3);  // file shorter than its length field
  EXPECT_FALSE(CheckMovie(cut).ok);

  // A shape whose records run past their tag: its end record cut off.
  Bytes shape = SquareShape(1);
  shape.pop_back();
  Bytes d2;
  AppendTag(d2, kTagDefineShape4, shape, true);
  EXPECT_FALSE(CheckMovie(Movie(d2)).ok);

  // A shape that selects no style is still well formed.
  Bytes d3;
  ShapeBuilder s2(true);
  s2.BeginLayer({}, {});
  s2.SetStyle(0, 1, 0);
  s2.MoveTo(0, 0);
  s2.LineTo(10, 10);
  Bytes noStyles = DefineShape4Body(1, s2);
  AppendTag(d3, kTagDefineShape4, noStyles, true);
  EXPECT_TRUE(CheckMovie(Movie(d3)).ok);
  // The same shape selecting fill 1 of none: the selection's bit widths are
  // zero, so select through a one-fill array shrunk to no fills.
  ShapeBuilder s3(true);
  s3.BeginLayer({FillStyle{}}, {});
  s3.SetStyle(0, 1, 0);
  s3.MoveTo(0, 0);
  s3.LineTo(10, 10);
  Bytes oneFill = DefineShape4Body(1, s3);
  // Body: id (2), two one-byte RECTs of zero width? Find the fill count byte
  // right after the flags byte that follows the two RECTs.
  const std::size_t countAt = 2 + 1 + 1 + 1;  // RECTs of nbits 0 are one byte each
  (void)countAt;
  Bytes d3b;
  for (std::size_t i = 0; i + 5 < oneFill.size(); ++i)
    if (oneFill[i] == 0x01 && oneFill[i + 1] == 0x00 && oneFill[i + 2] == 0 && oneFill[i + 3] == 0 &&
        oneFill[i + 4] == 0 && oneFill[i + 5] == 255) {
      oneFill[i] = 0x00;  // no fills, yet the records select fill 1
      oneFill.erase(oneFill.begin() + i + 1, oneFill.begin() + i + 6);
      break;
    }
  AppendTag(d3b, kTagDefineShape4, oneFill, true);
  EXPECT_FALSE(CheckMovie(Movie(d3b)).ok);

  // Placing a character never defined.
  Bytes d4;
  AppendTag(d4, kTagPlaceObject2, PlaceObject2ClipBody(1, 9, 0));
  EXPECT_FALSE(CheckMovie(Movie(d4)).ok);

  // Text naming glyph 5 of a one-glyph font.
  Bytes d5;
  ShapeBuilder g(false);
  g.MoveTo(0, 0);
  g.LineTo(100, 0);
  AppendTag(d5, kTagDefineFont3, DefineFontBody(2, "F", {{g.Finish(), 'A'}}), true);
  TextRun run;
  run.fontId = 2;
  run.height = 100;
  run.glyphs = {{5, 0, 0}};
  AppendTag(d5, kTagDefineText2, DefineText2Body(3, run), true);
  EXPECT_FALSE(CheckMovie(Movie(d5)).ok);

  // A bitmap wider than the player shows.
  Bytes d6;
  Bytes lossless{0x01, 0x00, 5, 0x01, 0x10, 0x01, 0x00};  // id 1, format 5, 4097 x 1
  AppendTag(d6, kTagDefineBitsLossless2, lossless, true);
  const CheckResult r6 = CheckMovie(Movie(d6));
  EXPECT_FALSE(r6.ok);
  EXPECT_NE(r6.error.find("4096"), std::string::npos) << r6.error;

  // Tags a page movie never holds.
  Bytes d7;
  AppendTag(d7, 12 /* DoAction */, Bytes{0});
  EXPECT_FALSE(CheckMovie(Movie(d7)).ok);
}

// Blended placements under a clipping layer pass; a blend value the format
// does not have, a body cut before its blend byte, and a blend byte too many
// are refused.
TEST(SwfCheck, BlendedPlacements) {
  Bytes defs;
  AppendTag(defs, kTagDefineShape4, SquareShape(1), true);
  AppendTag(defs, kTagDefineShape4, SquareShape(2), true);
  AppendTag(defs, kTagPlaceObject2, PlaceObject2ClipBody(1, 1, 3));
  AppendTag(defs, kTagPlaceObject3, PlaceObject3BlendBody(2, 2, BlendMode::Multiply));
  AppendTag(defs, kTagPlaceObject3, PlaceObject3BlendBody(3, 2, BlendMode::HardLight));
  const CheckResult ok = CheckMovie(Movie(defs));
  EXPECT_TRUE(ok.ok) << ok.error;

  auto placed = [](const Bytes &place) {
    Bytes d;
    AppendTag(d, kTagDefineShape4, SquareShape(1), true);
    AppendTag(d, kTagPlaceObject3, place);
    return CheckMovie(Movie(d));
  };
  Bytes bad = PlaceObject3BlendBody(1, 1, BlendMode::Multiply);
  bad.back() = 15;
  const CheckResult r1 = placed(bad);
  EXPECT_FALSE(r1.ok);
  EXPECT_NE(r1.error.find("blend mode 15"), std::string::npos) << r1.error;
  Bytes cut = PlaceObject3BlendBody(1, 1, BlendMode::Screen);
  cut.pop_back();
  EXPECT_FALSE(placed(cut).ok);
  Bytes extra = PlaceObject3BlendBody(1, 1, BlendMode::Screen);
  extra.push_back(0);
  EXPECT_FALSE(placed(extra).ok);
  EXPECT_TRUE(placed(PlaceObject3BlendBody(1, 1, BlendMode::Darken)).ok);
}
