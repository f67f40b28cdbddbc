// What a PDF page is made of, as the vector movie writer needs it: painted
// paths, glyph runs, images and the clips over them, in painting order. All
// coordinates are page points with y growing downwards (the page's top-left
// corner is 0,0). Filled by the PDF reader (pdfpages.h), read by the movie
// writer (vectormovie.h); neither side sees the other's library.
#pragma once

#include "pdf2swf/fallback.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <vector>

namespace lw::pdf2swf {

struct GradientStop {
  double at = 0;  // 0..1 along the gradient
  QColor color;
};

struct Paint {
  enum Kind { Solid, Linear, Radial } kind = Solid;
  QColor color = Qt::black;        // Solid, alpha included
  std::vector<GradientStop> stops;  // Linear, Radial: at most 15, ascending
  // Gradient space -> page points. Linear: x from -1 (first stop) to 1 (last
  // stop). Radial: the unit circle is the last stop, the centre the first.
  QTransform gradient;
  double focal = 0;  // Radial: the first stop's place on the x axis, -1..1
};

struct StrokeStyle {
  double width = 1;  // points
  enum Cap { Butt, Round, Square } cap = Butt;
  enum Join { Miter, RoundJoin, Bevel } join = Miter;
  double miterLimit = 10;
};

struct PlacedGlyph {
  int glyph = 0;    // index into the font's glyphs
  QPointF origin;   // page points
};

// How an item is composited with what lies below it (the page white
// included): the PDF blend modes the movie player draws.
enum class Blend { Normal, Multiply, Screen, Lighten, Darken, Difference, Overlay, HardLight };

struct PageItem {
  enum Kind { Fill, Stroke, Text, Image } kind = Fill;
  int clip = -1;  // index into PageModel::clips, -1 = the whole page
  Blend blend = Blend::Normal;
  // Fill: the area with its fill rule. Stroke: the centre line (dashes
  // already applied), painted with `stroke`.
  QPainterPath path;
  Paint paint;  // Fill, Stroke (solid only), Text (solid only)
  StrokeStyle stroke;
  // Text: glyphs of one font in one colour, all under `glyphMatrix` (the
  // linear map from em units, y down, to page points).
  int font = -1;
  QTransform glyphMatrix;
  std::vector<PlacedGlyph> glyphs;
  // Image: `image` index, drawn through `imageMatrix` (pixels -> points).
  int image = -1;
  QTransform imageMatrix;
  bool smooth = true;
};

// A clip is the intersection of its own area with its parent's.
struct ClipNode {
  QPainterPath path;  // with its fill rule
  int parent = -1;
};

struct FontGlyph {
  QPainterPath outline;  // em units (1.0 = one em), y down, origin on the baseline
  unsigned unicode = 0;  // 0 = unknown
};

struct PageFont {
  QString name;
  std::vector<FontGlyph> glyphs;
};

struct PageImage {
  QByteArray jpeg;  // the PDF's own JPEG data when it can be used as it is
  QImage pixels;    // otherwise: Format_RGB32, or Format_ARGB32 when it has alpha
  int width = 0, height = 0;
};

struct PageModel {
  QSizeF size;  // points
  std::vector<PageItem> items;
  std::vector<ClipNode> clips;
  std::vector<PageFont> fonts;
  std::vector<PageImage> images;
  int paths = 0;          // painted paths
  std::size_t edges = 0;  // their segments
  // Why the page cannot be drawn faithfully as vectors; None when it can.
  FallbackReason fallback = FallbackReason::None;
};

}  // namespace lw::pdf2swf
