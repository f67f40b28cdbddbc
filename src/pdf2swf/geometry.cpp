#include "pdf2swf/geometry.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace lw::pdf2swf {

namespace {

// The subpaths of `path`, each as its own path.
std::vector<QPainterPath> Contours(const QPainterPath &path) {
  std::vector<QPainterPath> out;
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    if (e.isMoveTo()) {
      out.emplace_back();
      out.back().moveTo(e.x, e.y);
    } else if (e.isLineTo()) {
      if (out.empty()) out.emplace_back();
      out.back().lineTo(e.x, e.y);
    } else if (e.isCurveTo()) {
      const QPainterPath::Element c2 = path.elementAt(i + 1), to = path.elementAt(i + 2);
      if (out.empty()) out.emplace_back();
      out.back().cubicTo(e.x, e.y, c2.x, c2.y, to.x, to.y);
      i += 2;
    }
  }
  return out;
}

double SignedArea(const QPolygonF &p) {
  double a = 0;
  for (int i = 0, n = static_cast<int>(p.size()); i < n; ++i) {
    const QPointF &u = p[i], &v = p[(i + 1) % n];
    a += u.x() * v.y() - v.x() * u.y();
  }
  return a / 2;
}

bool SegmentsCross(const QPointF &a, const QPointF &b, const QPointF &c, const QPointF &d) {
  auto orient = [](const QPointF &p, const QPointF &q, const QPointF &r) {
    return (q.x() - p.x()) * (r.y() - p.y()) - (q.y() - p.y()) * (r.x() - p.x());
  };
  const double d1 = orient(c, d, a), d2 = orient(c, d, b), d3 = orient(a, b, c), d4 = orient(a, b, d);
  return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Whether two closed polygons (or one with itself when a == b) have
// crossing edges. Touching does not count.
bool PolygonsCross(const QPolygonF &a, const QPolygonF &b, bool self) {
  const int na = static_cast<int>(a.size()), nb = static_cast<int>(b.size());
  for (int i = 0; i < na; ++i) {
    const QPointF &p = a[i], &q = a[(i + 1) % na];
    const QRectF ri = QRectF(p, q).normalized();
    for (int j = self ? i + 2 : 0; j < nb; ++j) {
      if (self && i == 0 && j == nb - 1) continue;
      const QPointF &r = b[j], &s = b[(j + 1) % nb];
      if (std::max(r.x(), s.x()) < ri.left() || std::min(r.x(), s.x()) > ri.right() ||
          std::max(r.y(), s.y()) < ri.top() || std::min(r.y(), s.y()) > ri.bottom())
        continue;
      if (SegmentsCross(p, q, r, s)) return true;
    }
  }
  return false;
}

double FlatnessOrOne(double flatness) { return flatness > 0 ? flatness : 0.5; }

QPainterPath Merged(const QPainterPath &path, double flatness) {
  // Qt flattens curves at half a unit; scale so that is `flatness`.
  const double s = 0.5 / FlatnessOrOne(flatness);
  QPainterPath scaled = QTransform::fromScale(s, s).map(path);
  scaled.setFillRule(Qt::WindingFill);
  QPainterPath simple = scaled.simplified();
  simple = QTransform::fromScale(1 / s, 1 / s).map(simple);
  simple.setFillRule(Qt::OddEvenFill);
  return simple;
}

}  // namespace

QPainterPath EvenOddEquivalent(const QPainterPath &path, double flatness) {
  if (path.fillRule() == Qt::OddEvenFill) return path;
  const std::vector<QPainterPath> contours = Contours(path);
  std::vector<QPolygonF> polys;
  std::vector<QRectF> boxes;
  std::size_t edges = 0;
  // Qt flattens curves at about half a unit: compare the contours at a scale
  // where that is four times `flatness` (a crossing shallower than that
  // does not show), or small paths (glyphs in em units) become a
  // few coarse chords that seem to cross where the curves do not.
  const double s = 0.5 / (4 * FlatnessOrOne(flatness));
  const QTransform fine = QTransform::fromScale(s, s);
  for (const QPainterPath &c : contours) {
    polys.push_back(c.toFillPolygon(fine));
    if (!polys.back().isEmpty() && polys.back().isClosed()) polys.back().removeLast();
    boxes.push_back(polys.back().boundingRect());
    edges += polys.back().size();
  }
  // Too many edges to compare pairwise: merge.
  if (edges > 6000) return Merged(path, flatness);
  const std::size_t n = contours.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (polys[i].size() > 3 && PolygonsCross(polys[i], polys[i], true)) return Merged(path, flatness);
    for (std::size_t j = i + 1; j < n; ++j)
      if (boxes[i].intersects(boxes[j]) && PolygonsCross(polys[i], polys[j], false))
        return Merged(path, flatness);
  }
  std::vector<int> sign(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double a = SignedArea(polys[i]);
    sign[i] = a > 0 ? 1 : a < 0 ? -1 : 0;
  }
  QPainterPath out;
  out.setFillRule(Qt::OddEvenFill);
  for (std::size_t i = 0; i < n; ++i) {
    if (sign[i] == 0 || polys[i].isEmpty()) continue;
    int outside = 0;
    const QPointF probe = polys[i].first();
    for (std::size_t j = 0; j < n; ++j) {
      if (j == i || sign[j] == 0 || !boxes[j].contains(boxes[i])) continue;
      if (polys[j].containsPoint(probe, Qt::OddEvenFill)) outside += sign[j];
    }
    const int inside = outside + sign[i];
    if ((inside != 0) != (outside != 0)) out.addPath(contours[i]);
  }
  return out;
}

QPainterPath DashPath(const QPainterPath &path, const std::vector<double> &pattern, double phase) {
  double total = 0;
  for (const double d : pattern) {
    if (!(d >= 0)) return path;
    total += d;
  }
  if (pattern.empty() || !(total > 0)) return path;
  QPainterPath out;
  const std::size_t n = pattern.size();
  for (const QPolygonF &poly : path.toSubpathPolygons()) {
    // Where in the pattern this subpath starts.
    double into = std::fmod(std::max(0.0, phase), total);
    std::size_t k = 0;
    while (into >= pattern[k]) {
      into -= pattern[k];
      k = (k + 1) % n;
    }
    double left = pattern[k] - into;  // of the current dash or gap
    bool on = k % 2 == 0;
    bool drawing = false;
    for (int i = 0; i + 1 < poly.size(); ++i) {
      QPointF a = poly[i];
      const QPointF b = poly[i + 1];
      double len = std::hypot(b.x() - a.x(), b.y() - a.y());
      if (on && !drawing) {
        out.moveTo(a);
        drawing = true;
      }
      while (len > left) {
        const double t = left / len;
        const QPointF m = a + (b - a) * t;
        if (on) {
          out.lineTo(m);
          drawing = false;
        }
        len -= left;
        a = m;
        k = (k + 1) % n;
        left = pattern[k];
        on = k % 2 == 0;
        if (on && len > 0) {
          out.moveTo(m);
          drawing = true;
        }
      }
      left -= len;
      if (on) {
        if (!drawing) {
          out.moveTo(a);
          drawing = true;
        }
        out.lineTo(b);
      }
    }
  }
  return out;
}

bool IsRectangle(const QPainterPath &path, QRectF *rect) {
  const int n = path.elementCount();
  if (n != 4 && n != 5) return false;
  QPointF p[5];
  for (int i = 0; i < n; ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    if (i == 0 ? !e.isMoveTo() : !e.isLineTo()) return false;
    p[i] = QPointF(e.x, e.y);
  }
  if (n == 5 && p[4] != p[0]) return false;
  bool ok = true;
  for (int i = 0; i < 4 && ok; ++i) {
    const QPointF &a = p[i], &b = p[(i + 1) % 4];
    ok = a.x() == b.x() || a.y() == b.y();
  }
  // Axis-aligned sides around two corners apart in both directions.
  ok = ok && p[0].x() != p[2].x() && p[0].y() != p[2].y();
  if (!ok) return false;
  if (rect) *rect = QRectF(p[0], p[2]).normalized();
  return true;
}

QRectF PaintedBounds(const PageModel &page, const PageItem &item) {
  switch (item.kind) {
    case PageItem::Fill:
      return item.path.boundingRect();
    case PageItem::Stroke: {
      const double w = item.stroke.width * std::max(1.0, item.stroke.miterLimit);
      return item.path.boundingRect().adjusted(-w, -w, w, w);
    }
    case PageItem::Image: {
      if (item.image < 0 || item.image >= static_cast<int>(page.images.size())) return {};
      const PageImage &img = page.images[item.image];
      return item.imageMatrix.mapRect(QRectF(0, 0, img.width, img.height));
    }
    case PageItem::Text: {
      if (item.font < 0 || item.font >= static_cast<int>(page.fonts.size())) return {};
      const std::vector<FontGlyph> &glyphs = page.fonts[item.font].glyphs;
      QRectF r;
      for (const PlacedGlyph &g : item.glyphs) {
        if (g.glyph < 0 || g.glyph >= static_cast<int>(glyphs.size())) continue;
        r = r.united(item.glyphMatrix.mapRect(glyphs[g.glyph].outline.boundingRect()).translated(g.origin));
      }
      return r;
    }
  }
  return {};
}

}  // namespace lw::pdf2swf
