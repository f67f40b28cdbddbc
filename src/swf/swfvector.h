// Vector records for page movies: shapes with layered styles (DefineShape4),
// embedded glyph fonts (DefineFont2), glyph runs (DefineText2), bitmaps with
// alpha (DefineBitsJPEG3), placement with clipping layers (PlaceObject2) and
// placement with a blend mode (PlaceObject3).
// Coordinates come in as doubles in twips and are rounded here, each point
// to its nearest twip, so rounding never accumulates along a path.
#pragma once

#include "swf/swfwriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lw::swf {

// Units of a glyph's em square: DefineFont2 (which page movies use: its
// coordinates take fewer bits) and DefineFont3.
inline constexpr double kFont2Em = 1024.0;
inline constexpr double kFont3Em = 20480.0;
// Largest edge delta an edge record holds, in twips.
inline constexpr std::int32_t kMaxEdgeDelta = 65535;

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba &o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

struct GradientStop {
  std::uint8_t ratio = 0;  // 0..255 along the gradient
  Rgba color;
};

struct FillStyle {
  enum Kind { Solid, Linear, Radial, Focal, Bitmap } kind = Solid;
  Rgba color;                       // Solid
  Matrix matrix;                    // gradient square or bitmap pixels -> shape twips
  std::vector<GradientStop> stops;  // Linear/Radial/Focal: 1..15 stops, ratios ascending
  double focal = 0;                 // Focal: -1..1 along the gradient's x axis
  std::uint16_t bitmapId = 0;       // Bitmap
  bool smooth = true;               // Bitmap: smoothed (else nearest pixel)
};

struct LineStyle {
  std::uint16_t width = 20;  // twips
  Rgba color;
  enum Cap { RoundCap = 0, NoCap = 1, SquareCap = 2 } cap = RoundCap;
  enum Join { RoundJoin = 0, BevelJoin = 1, MiterJoin = 2 } join = RoundJoin;
  double miterLimit = 10;  // MiterJoin only; stored as 8.8 fixed point
};

// Writes shape records. For a styled shape, each BeginLayer starts a layer
// with its own styles; layers paint in the order they were begun, which is
// how overlapping PDF paths keep their painting order inside one shape.
// Within a layer fills are even-odd.
class ShapeBuilder {
 public:
  // withStyles: SHAPEWITHSTYLE for DefineShape4; else a glyph SHAPE with one
  // implicit fill (style 1) and no line styles.
  explicit ShapeBuilder(bool withStyles);

  // Starts a layer with these styles (at most 65534 of each).
  void BeginLayer(const std::vector<FillStyle> &fills, const std::vector<LineStyle> &lines);
  // Style indices (1-based, 0 = none) taken by the next MoveTo.
  void SetStyle(int fill0, int fill1, int line);
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void QuadTo(double cx, double cy, double x, double y);
  // A cubic as quadratics within `tolerance` twips of it.
  void CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y,
               double tolerance);

  // Number of edge records written so far.
  std::size_t edgeCount() const { return edges_; }
  bool empty() const { return edges_ == 0; }
  // Bounds of all points written (controls included), in twips; widened by
  // half the widest line for ShapeBounds. Zero rect when empty.
  Rect edgeBounds() const;
  Rect shapeBounds() const;

  // The finished record bytes (styles of the first layer, then records and
  // the end record). Call once.
  Bytes Finish();

 private:
  void StyleRecord(bool move);
  void Edge(std::int32_t x, std::int32_t y);
  void CurveEdge(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y);
  void Grow(std::int32_t x, std::int32_t y);

  bool withStyles_;
  bool firstLayer_ = true;
  Bytes head_;
  BitWriter bits_;
  int fillBits_ = 0, lineBits_ = 0;
  int fill0_ = 0, fill1_ = 0, line_ = 0;
  bool styleDirty_ = false;
  std::int32_t x_ = 0, y_ = 0;  // current point, twips
  std::size_t edges_ = 0;
  bool haveBounds_ = false;
  std::int32_t minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
  int widestLine_ = 0;
};

// Appends FILLSTYLEARRAY / LINESTYLEARRAY (LINESTYLE2) records.
void AppendFillStyles(Bytes &out, const std::vector<FillStyle> &fills);
void AppendLineStyles(Bytes &out, const std::vector<LineStyle> &lines);

// DefineShape4 body for a finished styled shape.
Bytes DefineShape4Body(std::uint16_t id, ShapeBuilder &shape);

// One glyph of an embedded font: its outline (a finished glyph SHAPE, in
// 1/1024 em for DefineFont2 or 1/20480 em for DefineFont3, y down, origin on
// the baseline) and its character.
struct FontGlyph {
  Bytes shape;
  std::uint16_t code = 0;
};

// DefineFont2 or DefineFont3 body (the two have one layout; the tag says
// the em) without layout; glyphs in the given order, whose codes must be
// ascending and unique. Empty for no glyphs or more than 65535.
Bytes DefineFontBody(std::uint16_t id, const std::string &name,
                     const std::vector<FontGlyph> &glyphs);

// One glyph placed in a text: index into its font and position in the text's
// own coordinates (twips).
struct PlacedGlyph {
  std::uint16_t index = 0;
  std::int32_t x = 0, y = 0;
};

// A DefineText2 of glyphs from one font, in one colour and height (twips),
// drawn through `matrix`. Glyph positions must fit 16 bits (±32767 twips);
// returns an empty vector otherwise or for no glyphs.
struct TextRun {
  std::uint16_t fontId = 0;
  std::uint16_t height = 0;
  Rgba color;
  Matrix matrix;
  Rect bounds;  // in text coordinates
  std::vector<PlacedGlyph> glyphs;
};
Bytes DefineText2Body(std::uint16_t id, const TextRun &run);

// A DefineText2 holding several runs (fonts, colours, heights) under one
// matrix: a page's lines of text in one character. Each run's `matrix` is
// ignored; `bounds` covers them all. The same limits as for one run; an
// empty vector when a position is out of range or there are no glyphs.
struct TextBlock {
  Matrix matrix;
  Rect bounds;  // in text coordinates
  std::vector<TextRun> runs;
};
Bytes DefineText2Body(std::uint16_t id, const TextBlock &block);

// DefineBitsJPEG3: a JPEG and an alpha plane of width*height bytes
// (deflated here). Empty when compression fails.
Bytes DefineBitsJpeg3Body(std::uint16_t id, const Bytes &jpeg, const Bytes &alpha);

// PlaceObject2 placing `characterId` at `depth`; a non-zero `clipDepth`
// makes it a clipping layer over the depths above it up to clipDepth.
Bytes PlaceObject2ClipBody(std::uint16_t depth, std::uint16_t characterId,
                           std::uint16_t clipDepth);

// The blend modes a display object can be drawn with, by their PlaceObject3
// value (2 Layer, 8 Add, 9 Subtract, 10 Invert, 11 Alpha, 12 Erase exist in
// the format too but page movies do not use them).
enum class BlendMode : std::uint8_t {
  Normal = 1,
  Multiply = 3,
  Screen = 4,
  Lighten = 5,
  Darken = 6,
  Difference = 7,
  Overlay = 13,
  HardLight = 14,
};

// PlaceObject3 placing `characterId` at `depth` with no transform, drawn
// with `blend` against what lies below it (HasBlendMode set even for
// Normal). It has no failure case.
Bytes PlaceObject3BlendBody(std::uint16_t depth, std::uint16_t characterId, BlendMode blend);

}  // namespace lw::swf
