#include "pdf2swf/vectormovie.h"

#include "pdf2swf/geometry.h"
#include "pdf2swf/jpegencode.h"
#include "swf/swfvector.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>

namespace lw::pdf2swf {

namespace {

using swf::Bytes;

constexpr double kTwips = 20.0;
// Curve tolerance of page paths (twips) and of glyph outlines (font units).
constexpr double kPathTolerance = 0.5;
constexpr double kGlyphTolerance = 2.0;  // 1/512 em
// A shape is closed and a new one begun after this many edges.
constexpr std::size_t kEdgesPerShape = 20000;

swf::Rgba ToRgba(const QColor &c) {
  return swf::Rgba{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                   static_cast<std::uint8_t>(c.blue()), static_cast<std::uint8_t>(c.alpha())};
}

swf::Matrix ToMatrix(const QTransform &t) {
  swf::Matrix m;
  m.hasScale = true;
  m.scaleX = swf::ToFixed16(t.m11());
  m.scaleY = swf::ToFixed16(t.m22());
  m.hasRotate = t.m12() != 0 || t.m21() != 0;
  m.rotateSkew0 = swf::ToFixed16(t.m12());
  m.rotateSkew1 = swf::ToFixed16(t.m21());
  m.translateX = static_cast<std::int32_t>(std::lround(std::clamp(t.dx(), -1e9, 1e9)));
  m.translateY = static_cast<std::int32_t>(std::lround(std::clamp(t.dy(), -1e9, 1e9)));
  return m;
}

const QTransform kToTwips = QTransform::fromScale(kTwips, kTwips);

// Writes a path's subpaths; `close` ends every subpath at its start.
void WritePath(swf::ShapeBuilder &shape, const QPainterPath &path, bool close, double tolerance) {
  bool open = false;
  QPointF start, at;
  auto finish = [&] {
    if (open && close && at != start) shape.LineTo(start.x(), start.y());
    open = false;
  };
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    if (e.isMoveTo()) {
      finish();
      shape.MoveTo(e.x, e.y);
      start = at = QPointF(e.x, e.y);
      open = true;
    } else if (e.isLineTo()) {
      if (!open) {
        shape.MoveTo(at.x(), at.y());
        start = at;
        open = true;
      }
      shape.LineTo(e.x, e.y);
      at = QPointF(e.x, e.y);
    } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
      const QPainterPath::Element c2 = path.elementAt(i + 1), to = path.elementAt(i + 2);
      shape.CubicTo(e.x, e.y, c2.x, c2.y, to.x, to.y, tolerance);
      at = QPointF(to.x, to.y);
      i += 2;
    }
  }
  finish();
}

swf::FillStyle PaintStyle(const Paint &paint) {
  swf::FillStyle f;
  if (paint.kind == Paint::Solid) {
    f.color = ToRgba(paint.color);
    return f;
  }
  f.kind = paint.kind == Paint::Linear ? swf::FillStyle::Linear
                                       : std::abs(paint.focal) > 1e-3 ? swf::FillStyle::Focal
                                                                      : swf::FillStyle::Radial;
  f.focal = std::clamp(paint.focal, -0.98, 0.98);
  // The gradient square is -16384..16384 twips.
  f.matrix = ToMatrix(QTransform::fromScale(1 / 16384.0, 1 / 16384.0) * paint.gradient * kToTwips);
  int last = -1;
  for (const GradientStop &s : paint.stops) {
    const int ratio = std::clamp(static_cast<int>(std::lround(s.at * 255)), std::max(last, 0), 255);
    QColor c = s.color;
    c.setAlphaF(c.alphaF() * paint.color.alphaF());
    f.stops.push_back(swf::GradientStop{static_cast<std::uint8_t>(ratio), ToRgba(c)});
    last = ratio;
    if (f.stops.size() == 15) break;
  }
  if (f.stops.empty()) f.stops.push_back({0, ToRgba(paint.color)});
  return f;
}

swf::BlendMode ToSwfBlend(Blend b) {
  switch (b) {
    case Blend::Normal: break;
    case Blend::Multiply: return swf::BlendMode::Multiply;
    case Blend::Screen: return swf::BlendMode::Screen;
    case Blend::Lighten: return swf::BlendMode::Lighten;
    case Blend::Darken: return swf::BlendMode::Darken;
    case Blend::Difference: return swf::BlendMode::Difference;
    case Blend::Overlay: return swf::BlendMode::Overlay;
    case Blend::HardLight: return swf::BlendMode::HardLight;
  }
  return swf::BlendMode::Normal;
}

struct Writer {
  Writer(const PageModel &p, const VectorOptions &o) : page(p), options(o) {}

  const PageModel &page;
  VectorOptions options;
  Bytes tags;
  std::uint16_t nextId = 1;
  std::uint16_t depth = 1;
  std::vector<int> fontIds;
  std::vector<std::vector<int>> glyphIndex;  // font -> model glyph -> movie glyph
  std::vector<QRectF> glyphBounds;           // per font: union of outlines (em)
  std::vector<int> bitmapIds;
  QString error;

  // The group being written: its tags and the first depth it uses.
  Bytes group;
  std::unique_ptr<swf::ShapeBuilder> shape;
  // The blend mode of the pending shape or text and, when it is not
  // Normal, the area its items cover: a blended character is composited as
  // a whole, so items in it must not overlap one another.
  Blend blend = Blend::Normal;
  QRectF blendedArea;

  // Places a finished character at the next depth, blended as its items are.
  void Place(std::uint16_t id) {
    if (blend == Blend::Normal)
      swf::AppendTag(group, swf::kTagPlaceObject2, swf::PlaceObject2ClipBody(depth++, id, 0));
    else
      swf::AppendTag(group, swf::kTagPlaceObject3, swf::PlaceObject3BlendBody(depth++, id, ToSwfBlend(blend)));
  }

  std::uint16_t NewId() { return nextId++; }

  bool Fonts() {
    for (const PageFont &font : page.fonts) {
      // Codes ascending and unique: the character where known, else a
      // private-use one.
      std::vector<int> order(font.glyphs.size());
      std::vector<std::uint16_t> codes(font.glyphs.size());
      std::set<unsigned> used;
      for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
        const unsigned u = font.glyphs[i].unicode;
        if (u > 0 && u < 0xFFFF && used.insert(u).second) codes[i] = static_cast<std::uint16_t>(u);
      }
      unsigned pua = 0xE000;
      for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
        if (codes[i]) continue;
        while (used.count(pua)) ++pua;
        codes[i] = static_cast<std::uint16_t>(pua);
        used.insert(pua);
      }
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
      std::sort(order.begin(), order.end(), [&](int a, int b) { return codes[a] < codes[b]; });
      std::vector<swf::FontGlyph> glyphs;
      std::vector<int> index(font.glyphs.size());
      QRectF bounds;
      const QTransform toUnits = QTransform::fromScale(swf::kFont2Em, swf::kFont2Em);
      for (std::size_t k = 0; k < order.size(); ++k) {
        const FontGlyph &g = font.glyphs[order[k]];
        swf::ShapeBuilder s(false);
        WritePath(s, toUnits.map(g.outline), true, kGlyphTolerance);
        glyphs.push_back(swf::FontGlyph{s.Finish(), codes[order[k]]});
        index[order[k]] = static_cast<int>(k);
        bounds = bounds.united(g.outline.boundingRect());
      }
      const std::uint16_t id = NewId();
      const Bytes body = swf::DefineFontBody(id, font.name.toStdString(), glyphs);
      if (body.empty() && !glyphs.empty()) {
        error = QStringLiteral("font %1 cannot be embedded").arg(font.name);
        return false;
      }
      if (!body.empty()) swf::AppendTag(tags, swf::kTagDefineFont2, body, true);
      fontIds.push_back(id);
      glyphIndex.push_back(index);
      glyphBounds.push_back(bounds);
    }
    return true;
  }

  bool Bitmaps() {
    for (const PageImage &img : page.images) {
      const std::uint16_t id = NewId();
      Bytes body;
      if (!img.jpeg.isEmpty()) {
        body = swf::DefineBitsJpeg2Body(id, Bytes(img.jpeg.begin(), img.jpeg.end()));
        swf::AppendTag(tags, swf::kTagDefineBitsJpeg2, body, true);
      } else {
        const bool alpha = img.pixels.hasAlphaChannel();
        Bytes jpeg;
        if (!EncodeJpeg(img.pixels.convertToFormat(QImage::Format_RGB32), options.quality, &jpeg)) {
          error = QStringLiteral("an image could not be encoded");
          return false;
        }
        if (alpha) {
          Bytes plane(static_cast<std::size_t>(img.pixels.width()) * img.pixels.height());
          const QImage argb = img.pixels.convertToFormat(QImage::Format_ARGB32);
          for (int y = 0; y < argb.height(); ++y) {
            const auto *px = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            for (int x = 0; x < argb.width(); ++x) plane[static_cast<std::size_t>(y) * argb.width() + x] = static_cast<std::uint8_t>(qAlpha(px[x]));
          }
          body = swf::DefineBitsJpeg3Body(id, jpeg, plane);
          if (body.empty()) {
            error = QStringLiteral("an image mask could not be compressed");
            return false;
          }
          swf::AppendTag(tags, swf::kTagDefineBitsJpeg3, body, true);
        } else {
          swf::AppendTag(tags, swf::kTagDefineBitsJpeg2, swf::DefineBitsJpeg2Body(id, jpeg), true);
        }
      }
      bitmapIds.push_back(id);
    }
    return true;
  }

  swf::ShapeBuilder &Shape() {
    if (!shape) {
      FlushText();  // painted before the shape
      shape = std::make_unique<swf::ShapeBuilder>(true);
    }
    return *shape;
  }

  void FlushShape() {
    if (!shape) return;
    if (!shape->empty()) {
      const std::uint16_t id = NewId();
      swf::AppendTag(group, swf::kTagDefineShape4, swf::DefineShape4Body(id, *shape), true);
      Place(id);
    }
    shape.reset();
    blendedArea = QRectF();
  }

  void AddFill(const PageItem &item) {
    const QPainterPath twips = EvenOddEquivalent(kToTwips.map(item.path), kPathTolerance);
    if (twips.isEmpty()) return;
    swf::ShapeBuilder &s = Shape();
    s.BeginLayer({PaintStyle(item.paint)}, {});
    s.SetStyle(0, 1, 0);
    WritePath(s, twips, true, kPathTolerance);
  }

  void AddStroke(const PageItem &item) {
    swf::LineStyle l;
    l.width = static_cast<std::uint16_t>(std::clamp<long>(std::lround(item.stroke.width * kTwips), 1, 65535));
    l.color = ToRgba(item.paint.color);
    l.cap = item.stroke.cap == StrokeStyle::Round    ? swf::LineStyle::RoundCap
            : item.stroke.cap == StrokeStyle::Square ? swf::LineStyle::SquareCap
                                                     : swf::LineStyle::NoCap;
    l.join = item.stroke.join == StrokeStyle::RoundJoin ? swf::LineStyle::RoundJoin
             : item.stroke.join == StrokeStyle::Bevel   ? swf::LineStyle::BevelJoin
                                                        : swf::LineStyle::MiterJoin;
    l.miterLimit = item.stroke.miterLimit;
    swf::ShapeBuilder &s = Shape();
    s.BeginLayer({}, {l});
    s.SetStyle(0, 0, 1);
    WritePath(s, kToTwips.map(item.path), false, kPathTolerance);
  }

  void AddImage(const PageItem &item) {
    const PageImage &img = page.images[item.image];
    swf::FillStyle f;
    f.kind = swf::FillStyle::Bitmap;
    f.bitmapId = static_cast<std::uint16_t>(bitmapIds[item.image]);
    f.smooth = item.smooth;
    const QTransform m = item.imageMatrix * kToTwips;
    f.matrix = ToMatrix(m);
    QPainterPath area;
    area.addPolygon(m.map(QPolygonF(QRectF(0, 0, img.width, img.height))));
    area.closeSubpath();
    swf::ShapeBuilder &s = Shape();
    s.BeginLayer({f}, {});
    s.SetStyle(0, 1, 0);
    WritePath(s, area, true, kPathTolerance);
  }

  // Text is gathered for as long as runs of one colour follow one another
  // under the same linear map, into one DefineText2 per cell of a grid over
  // the page: a page's lines become a few dozen characters instead of one
  // per run, and a player that shows part of a page (a leaf in a turn) can
  // leave out the cells it does not show. Glyphs of one colour may be drawn
  // in any order, so regrouping them by cell changes no pixel.
  static constexpr int kTextColumns = 4;
  static constexpr int kTextRows = 6;
  struct TextCell {
    swf::TextBlock block;
    QRectF bounds;  // text space
  };
  struct PendingText {
    QTransform n, inv;  // text space -> twips (linear), and back
    QPointF origin;     // twips, whole numbers
    swf::Rgba color;
    std::map<int, TextCell> cells;
    std::vector<int> order;  // cells in the order they were begun
  };
  std::optional<PendingText> text;

  int TextCellAt(QPointF point) const {
    const double w = page.size.width(), h = page.size.height();
    const int col = std::clamp(static_cast<int>(std::floor(point.x() / w * kTextColumns)), 0, kTextColumns - 1);
    const int row = std::clamp(static_cast<int>(std::floor(point.y() / h * kTextRows)), 0, kTextRows - 1);
    return row * kTextColumns + col;
  }

  void FlushText() {
    if (!text) return;
    PendingText t = std::move(*text);
    text.reset();
    blendedArea = QRectF();
    const QTransform toMovie(t.n.m11(), t.n.m12(), t.n.m21(), t.n.m22(), t.origin.x(), t.origin.y());
    for (const int key : t.order) {
      TextCell &cell = t.cells[key];
      if (cell.block.runs.empty()) continue;
      // The bounds are the character's, in the movie's twips: a runtime
      // takes them as they are to measure and cull the text.
      const QRectF box = toMovie.mapRect(cell.bounds);
      cell.block.bounds = swf::Rect{static_cast<std::int32_t>(std::floor(box.left())) - 20,
                                    static_cast<std::int32_t>(std::ceil(box.right())) + 20,
                                    static_cast<std::int32_t>(std::floor(box.top())) - 20,
                                    static_cast<std::int32_t>(std::ceil(box.bottom())) + 20};
      cell.block.matrix = ToMatrix(toMovie);
      const Bytes body = swf::DefineText2Body(NewId(), cell.block);
      if (body.empty()) continue;
      swf::AppendTag(group, swf::kTagDefineText2, body, true);
      Place(static_cast<std::uint16_t>(nextId - 1));
    }
  }

  static bool SameLinear(const QTransform &a, const QTransform &b) {
    // Within 0.3 %: the difference a rounded text height leaves.
    return std::abs(a.m11() - b.m11()) < 3e-3 && std::abs(a.m12() - b.m12()) < 3e-3 &&
           std::abs(a.m21() - b.m21()) < 3e-3 && std::abs(a.m22() - b.m22()) < 3e-3;
  }

  void AddText(const PageItem &item) {
    FlushShape();
    if (item.font < 0 || item.font >= static_cast<int>(fontIds.size())) return;
    const QTransform a = item.glyphMatrix * kToTwips;  // em -> twips
    const double size = std::sqrt(std::abs(a.determinant()));
    if (!(size > 0)) return;
    const auto height = static_cast<std::uint16_t>(std::clamp<long>(std::lround(size), 1, 65535));
    // Text space (em = height units) -> twips, without translation.
    const QTransform n(a.m11() / height, a.m12() / height, a.m21() / height, a.m22() / height, 0, 0);
    bool invertible = false;
    static_cast<void>(n.inverted(&invertible));
    if (!invertible) return;
    const swf::Rgba color = ToRgba(item.paint.color);
    const QRectF em = glyphBounds[item.font];
    // Adds `run` to its cell (glyphs in text space with their bounds).
    auto keep = [&](swf::TextRun &run, int key, const QRectF &bounds) {
      if (run.glyphs.empty()) return;
      auto [at, fresh] = text->cells.try_emplace(key);
      if (fresh) text->order.push_back(key);
      at->second.block.runs.push_back(std::move(run));
      at->second.bounds = at->second.bounds.united(bounds);
      run = swf::TextRun{};
    };
    std::size_t i = 0;
    while (i < item.glyphs.size()) {
      if (text && (!SameLinear(text->n, n) || !(text->color == color))) FlushText();
      if (!text) {
        const QPointF t = item.glyphs[i].origin * kTwips;
        text.emplace();
        text->n = n;
        text->inv = n.inverted();
        text->origin = QPointF(std::round(t.x()), std::round(t.y()));
        text->color = color;
      }
      swf::TextRun run;
      QRectF bounds;
      int key = -1;
      bool placed = false;
      for (; i < item.glyphs.size(); ++i) {
        const QPointF p = text->inv.map(item.glyphs[i].origin * kTwips - text->origin);
        if (std::abs(p.x()) > 32000 || std::abs(p.y()) > 32000) break;
        const int cell = TextCellAt(item.glyphs[i].origin);
        if (cell != key) {
          keep(run, key, bounds);
          bounds = QRectF();
          key = cell;
          run.fontId = static_cast<std::uint16_t>(fontIds[item.font]);
          run.height = height;
          run.color = color;
        }
        const swf::PlacedGlyph g{static_cast<std::uint16_t>(glyphIndex[item.font][item.glyphs[i].glyph]),
                                 static_cast<std::int32_t>(std::lround(p.x())),
                                 static_cast<std::int32_t>(std::lround(p.y()))};
        run.glyphs.push_back(g);
        placed = true;
        bounds = bounds.united(QRectF(g.x + em.left() * height, g.y + em.top() * height, em.width() * height,
                                      em.height() * height));
      }
      keep(run, key, bounds);
      if (placed) continue;
      // The glyph is too far from this text's origin: a text of its own.
      if (!text->order.empty()) {
        FlushText();
        continue;
      }
      text.reset();
      ++i;
    }
  }

  // The clips that matter for an item: rectangles around it are left out.
  std::vector<int> ClipChain(const PageItem &item) const {
    std::vector<int> chain;
    const QRectF box = PaintedBounds(page, item);
    for (int c = item.clip; c >= 0; c = page.clips[c].parent) {
      QRectF r;
      if (IsRectangle(page.clips[c].path, &r) && r.contains(box)) continue;
      chain.push_back(c);
    }
    return chain;
  }

  std::map<std::vector<int>, QPainterPath> clipCache;

  QPainterPath ClipArea(const std::vector<int> &chain) {
    const auto hit = clipCache.find(chain);
    if (hit != clipCache.end()) return hit->second;
    QPainterPath area;
    bool first = true;
    for (const int c : chain) {
      QPainterPath p = EvenOddEquivalent(kToTwips.map(page.clips[c].path), kPathTolerance);
      if (first) {
        area = p;
        first = false;
      } else {
        area = area.intersected(p);
        area.setFillRule(Qt::OddEvenFill);
      }
    }
    clipCache[chain] = area;
    return area;
  }

  // Writes the finished group, under its clip when it has one.
  void EndGroup(const std::vector<int> &chain, std::uint16_t firstDepth) {
    FlushText();
    FlushShape();
    if (!chain.empty() && depth > firstDepth + 1) {
      const QPainterPath area = ClipArea(chain);
      swf::ShapeBuilder s(true);
      swf::FillStyle f;
      s.BeginLayer({f}, {});
      s.SetStyle(0, 1, 0);
      WritePath(s, area, true, kPathTolerance);
      if (!s.empty()) {
        const std::uint16_t id = NewId();
        swf::AppendTag(tags, swf::kTagDefineShape4, swf::DefineShape4Body(id, s), true);
        swf::AppendTag(tags, swf::kTagPlaceObject2,
                       swf::PlaceObject2ClipBody(firstDepth, id, static_cast<std::uint16_t>(depth - 1)));
      }
    }
    tags.insert(tags.end(), group.begin(), group.end());
    group.clear();
  }

  bool Items() {
    std::vector<int> chain;
    bool started = false;
    std::uint16_t firstDepth = depth;
    for (const PageItem &item : page.items) {
      if (depth > 65000) {
        error = QStringLiteral("too many layers");
        return false;
      }
      std::vector<int> c = ClipChain(item);
      if (!started || c != chain) {
        if (started) EndGroup(chain, firstDepth);
        chain = c;
        started = true;
        firstDepth = depth;
        if (!chain.empty()) ++depth;  // the clipping layer's own depth
      }
      if (!chain.empty() && ClipArea(chain).isEmpty()) continue;
      if (item.kind == PageItem::Text && (item.font < 0 || item.font >= static_cast<int>(fontIds.size()))) continue;
      if (item.blend != blend) {
        FlushText();
        FlushShape();
        blend = item.blend;
      }
      if (blend != Blend::Normal) {
        // Text and shapes are separate characters: end the other kind first,
        // so the area below describes the pending one alone.
        if (item.kind == PageItem::Text) FlushShape();
        else FlushText();
        const QRectF box = PaintedBounds(page, item);
        if (blendedArea.intersects(box)) {
          FlushText();
          FlushShape();
        }
        blendedArea = blendedArea.united(box);
      }
      if (shape && shape->edgeCount() > kEdgesPerShape) FlushShape();
      switch (item.kind) {
        case PageItem::Fill: AddFill(item); break;
        case PageItem::Stroke: AddStroke(item); break;
        case PageItem::Image: AddImage(item); break;
        case PageItem::Text: AddText(item); break;
      }
    }
    if (started) EndGroup(chain, firstDepth);
    return true;
  }
};

}  // namespace

int MergeLeaderDots(PageModel *page) {
  int merged = 0;
  // Made glyphs by font, glyph and step (em / 4096).
  std::map<std::tuple<int, int, long, long>, int> made;
  for (PageItem &item : page->items) {
    const std::size_t n = item.glyphs.size();
    if (item.kind != PageItem::Text || item.font < 0 || item.font >= static_cast<int>(page->fonts.size()) ||
        n < static_cast<std::size_t>(kLeaderGroup))
      continue;
    bool invertible = false;
    const QTransform toEm = QTransform(item.glyphMatrix.m11(), item.glyphMatrix.m12(), item.glyphMatrix.m21(),
                                       item.glyphMatrix.m22(), 0, 0)
                                .inverted(&invertible);
    if (!invertible) continue;
    std::vector<FontGlyph> &glyphs = page->fonts[item.font].glyphs;
    std::vector<PlacedGlyph> out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
      const PlacedGlyph &first = item.glyphs[i];
      std::size_t j = i + 1;
      const QPointF step = j < n ? item.glyphs[j].origin - first.origin : QPointF();
      auto even = [&](std::size_t k) {
        const QPointF d = item.glyphs[k].origin - item.glyphs[k - 1].origin - step;
        return item.glyphs[k].glyph == first.glyph && std::abs(d.x()) < 0.01 && std::abs(d.y()) < 0.01;
      };
      while (j < n && even(j)) ++j;
      const std::size_t run = j - i;
      const bool small = first.glyph >= 0 && first.glyph < static_cast<int>(glyphs.size()) &&
                         glyphs[first.glyph].outline.boundingRect().width() <= 0.4;
      if (run < static_cast<std::size_t>(kLeaderGroup) || !small || std::hypot(step.x(), step.y()) < 0.01) {
        out.insert(out.end(), item.glyphs.begin() + i, item.glyphs.begin() + j);
        i = j;
        continue;
      }
      const QPointF stepEm = toEm.map(step);
      const auto key = std::make_tuple(item.font, first.glyph, std::lround(stepEm.x() * 4096), std::lround(stepEm.y() * 4096));
      auto at = made.find(key);
      if (at == made.end()) {
        FontGlyph group;
        for (int k = 0; k < kLeaderGroup; ++k)
          group.outline.addPath(glyphs[first.glyph].outline.translated(stepEm * k));
        glyphs.push_back(group);
        at = made.emplace(key, static_cast<int>(glyphs.size()) - 1).first;
      }
      const std::size_t whole = run / kLeaderGroup * kLeaderGroup;
      for (std::size_t k = 0; k < whole; k += kLeaderGroup) out.push_back(PlacedGlyph{at->second, item.glyphs[i + k].origin});
      out.insert(out.end(), item.glyphs.begin() + i + whole, item.glyphs.begin() + j);
      merged += static_cast<int>(whole);
      i = j;
    }
    item.glyphs = std::move(out);
  }
  return merged;
}

swf::Bytes VectorPageMovie(PageModel page, const VectorOptions &options, QString *error) {
  MergeLeaderDots(&page);
  QString scratch;
  if (!error) error = &scratch;
  const double w = page.size.width() * kTwips, h = page.size.height() * kTwips;
  if (!(w >= 1) || !(h >= 1) || w > 0x3FFFFFFF || h > 0x3FFFFFFF) {
    *error = QStringLiteral("page without a size");
    return {};
  }
  Writer out(page, options);
  swf::AppendTag(out.tags, swf::kTagFileAttributes, swf::FileAttributesBody(swf::kAttrActionScript3));
  swf::AppendTag(out.tags, swf::kTagSetBackgroundColor, swf::SetBackgroundColorBody(0xFF, 0xFF, 0xFF));
  if (!out.Fonts() || !out.Bitmaps() || !out.Items()) {
    *error = out.error;
    return {};
  }
  swf::AppendTag(out.tags, swf::kTagShowFrame, {});
  swf::AppendTag(out.tags, swf::kTagEnd, {});
  swf::MovieHeader header;
  header.frameSize = swf::Rect{0, static_cast<std::int32_t>(std::lround(w)), 0, static_cast<std::int32_t>(std::lround(h))};
  header.compress = options.compress;
  swf::Bytes movie = swf::AssembleMovie(header, out.tags);
  if (movie.empty()) *error = QStringLiteral("movie too large");
  return movie;
}

}  // namespace lw::pdf2swf
