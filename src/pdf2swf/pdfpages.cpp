// Poppler's core interface (private headers) behind PdfPages. Drawing goes
// through a SplashOutputDev subclass that overrides every painting call: it
// paints nothing itself but keeps Splash's font handling, which gives glyph
// outlines for every kind of font the same way the bitmap renderer sees them.

#include "pdf2swf/pdfpages.h"

#include "pdf2swf/bitmapdevice.h"
#include "pdf2swf/blendgroups.h"
#include "pdf2swf/geometry.h"
#include "pdf2swf/popplerimages.h"

#include <Annot.h>
#include <Gfx.h>
#include <GfxFont.h>
#include <GfxState.h>
#include <GlobalParams.h>
#include <Object.h>
#include <PDFDoc.h>
#include <SplashOutputDev.h>
#include <Stream.h>
#include <splash/SplashBitmap.h>
#include <splash/SplashFont.h>
#include <splash/SplashPath.h>

#include <QPainterPathStroker>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>
#include <map>
#include <mutex>
#include <tuple>

namespace lw::pdf2swf {

namespace {

// Device units per point while reading. Glyph outlines come from FreeType
// in 1/64 device pixel, so a finer device keeps small glyphs exact.
constexpr double kScale = 4.0;

QColor ToColor(const GfxRGB &rgb, double alpha) {
  return QColor::fromRgbF(static_cast<float>(std::clamp(colToDbl(rgb.r), 0.0, 1.0)),
                          static_cast<float>(std::clamp(colToDbl(rgb.g), 0.0, 1.0)),
                          static_cast<float>(std::clamp(colToDbl(rgb.b), 0.0, 1.0)),
                          static_cast<float>(std::clamp(alpha, 0.0, 1.0)));
}

QTransform Ctm(const GfxState *state) {
  const double *m = state->getCTM();
  return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]) * QTransform::fromScale(1 / kScale, 1 / kScale);
}

// A GfxPath in user space.
QPainterPath UserPath(const GfxPath *path, bool closeAll, std::size_t *segments) {
  QPainterPath out;
  for (int s = 0; s < path->getNumSubpaths(); ++s) {
    const GfxSubpath *sub = path->getSubpath(s);
    const int n = sub->getNumPoints();
    if (n < 1) continue;
    out.moveTo(sub->getX(0), sub->getY(0));
    for (int i = 1; i < n;) {
      if (sub->getCurve(i) && i + 2 < n) {
        out.cubicTo(sub->getX(i), sub->getY(i), sub->getX(i + 1), sub->getY(i + 1), sub->getX(i + 2),
                    sub->getY(i + 2));
        i += 3;
      } else {
        out.lineTo(sub->getX(i), sub->getY(i));
        ++i;
      }
      if (segments) ++*segments;
    }
    if (sub->isClosed() || closeAll) out.closeSubpath();
  }
  return out;
}

// Whether the linear part of `t` keeps shapes (a scaled rotation or
// reflection); its scale in `scale`.
bool IsSimilarity(const QTransform &t, double *scale) {
  const double sx = std::hypot(t.m11(), t.m12()), sy = std::hypot(t.m21(), t.m22());
  const double dot = t.m11() * t.m21() + t.m12() * t.m22();
  *scale = std::sqrt(std::abs(t.determinant()));
  return sx > 0 && sy > 0 && std::abs(sx - sy) <= 0.01 * std::max(sx, sy) && std::abs(dot) <= 0.01 * sx * sy;
}

// The page model's blend mode for a PDF one; false for the modes the movie
// player cannot draw (ColorDodge, ColorBurn, SoftLight, Exclusion and the
// non-separable ones).
bool ToBlend(GfxBlendMode mode, Blend *out) {
  switch (mode) {
    case gfxBlendNormal: *out = Blend::Normal; return true;
    case gfxBlendMultiply: *out = Blend::Multiply; return true;
    case gfxBlendScreen: *out = Blend::Screen; return true;
    case gfxBlendLighten: *out = Blend::Lighten; return true;
    case gfxBlendDarken: *out = Blend::Darken; return true;
    case gfxBlendDifference: *out = Blend::Difference; return true;
    case gfxBlendOverlay: *out = Blend::Overlay; return true;
    case gfxBlendHardLight: *out = Blend::HardLight; return true;
    default: return false;
  }
}

// A radial shading from circle (x0, y0, r0) to circle (x1, y1, r1) as the
// format's focal gradient over the circle around (x1, y1) of radius `r`:
// its stops and focal point and, for a shading that does not extend past
// its circles, the radius it paints within (`outer`) and the one it leaves
// out (`hole`), -1 for none.
struct RadialFit {
  std::vector<GradientStop> stops;
  double focal = 0, r = 0, outer = -1, hole = -1;
};

// Fits the shading into `fit`. Returns None, or the reason the format
// cannot draw it.
FallbackReason FitRadial(double x0, double y0, double r0, double x1, double y1, double r1, bool extend0,
                         bool extend1, const std::vector<GradientStop> &stops, RadialFit *fit) {
  const double d = std::hypot(x1 - x0, y1 - y0);
  fit->r = r1;
  if (d < 1e-6 * std::max(1.0, r1)) {
    // Concentric: stops at their radius over the larger circle.
    const bool outward = r1 >= r0;
    fit->r = std::max(r0, r1);
    if (!(fit->r > 0)) return FallbackReason::DegenerateShading;
    for (GradientStop s : stops) {
      const double rad = r0 + s.at * (r1 - r0);
      s.at = rad / fit->r;
      fit->stops.push_back(s);
    }
    if (!outward) std::reverse(fit->stops.begin(), fit->stops.end());
    const bool extendOuter = outward ? extend1 : extend0;
    const bool extendInner = outward ? extend0 : extend1;
    if (!extendOuter) fit->outer = fit->r;
    if (!extendInner && std::min(r0, r1) > 0) fit->hole = std::min(r0, r1);
    return FallbackReason::None;
  }
  if (r0 < 1e-9 && d < 0.98 * r1) {
    fit->stops = stops;
    fit->focal = d / r1;
    if (!extend1) fit->outer = r1;
    return FallbackReason::None;
  }
  return FallbackReason::RadialBetweenCircles;
}

// Glyph outlines of a document by font object and character code.
using GlyphKey = std::tuple<int, int, CharCode>;
using GlyphCache = std::map<GlyphKey, FontGlyph>;

class ModelDev : public SplashOutputDev {
 public:
  ModelDev(PageModel *model, const ReadLimits &limits, GlyphCache *glyphCache)
      : SplashOutputDev(splashModeMono1, 4, false, paper_, true), model_(model), limits_(limits),
        glyphCache_(glyphCache) {
    setFreeTypeHinting(false, false);
    setFontAntialias(false);
    setVectorAntialias(false);
  }

  ~ModelDev() override = default;

  bool aborted() const { return model_->fallback != FallbackReason::None; }

  // Throws PageStop once the page fell back, went over its budget or ran out
  // of time. Every drawing call begins with it, so the model never grows
  // past a page that is already lost.
  void Check() {
    if (model_->items.size() > limits_.maxItems)
      Fallback(FallbackReason::TooManyItems);
    else if (std::chrono::steady_clock::now() > limits_.deadline)
      Fallback(FallbackReason::TookTooLong);
    if (aborted()) throw PageStop{};
  }

  // Tiling patterns are drawn cell by cell by Gfx (false); a pattern of more
  // cells than the budget stops the page before the first one.
  bool useTilingPatternFill() override { return true; }
  bool tilingPatternFill(GfxState *, Gfx *, Catalog *, GfxTilingPattern *, const double *, int x0, int y0,
                         int x1, int y1, double, double) override {
    Check();
    const double cells = (static_cast<double>(x1) - x0) * (static_cast<double>(y1) - y0);
    if (!(cells >= 0 && cells <= limits_.maxPatternCells)) Fallback(FallbackReason::TilingCells);
    Check();
    return false;
  }
  bool useShadedFills(int type) override { return type >= 1 && type <= 7; }
  bool interpretType3Chars() override { return true; }
  bool useDrawForm() override { return false; }

  void startPage(int pageNum, GfxState *state, XRef *xref) override {
    SplashOutputDev::startPage(pageNum, state, xref);
    model_->size = QSizeF(state->getPageWidth() / kScale, state->getPageHeight() / kScale);
  }

  void saveState(GfxState *state) override {
    Check();  // every form and pattern cell begins here
    SplashOutputDev::saveState(state);
    clipStack_.push_back(clip_);
  }
  void restoreState(GfxState *state) override {
    SplashOutputDev::restoreState(state);
    if (!clipStack_.empty()) {
      clip_ = clipStack_.back();
      clipStack_.pop_back();
    }
  }

  void updateBlendMode(GfxState *state) override {
    Blend blend;
    if (!ToBlend(state->getBlendMode(), &blend)) Fallback(FallbackReason::BlendMode);
  }
  void setSoftMask(GfxState *, const double *, bool, Function *, GfxColor *) override { Fallback(FallbackReason::SoftMask); }
  void clearSoftMask(GfxState *) override {}
  void setSoftMaskFromImageMask(GfxState *, Object *, Stream *, int, int, bool, bool, double *) override {
    Fallback(FallbackReason::PatternImageMask);
  }
  void unsetSoftMaskFromImageMask(GfxState *, double *) override {}
  bool checkTransparencyGroup(GfxState *, bool) override { return true; }
  void beginTransparencyGroup(GfxState *, const double *, GfxColorSpace *, bool isolated, bool knockout,
                              bool forSoftMask) override {
    if (knockout) Fallback(FallbackReason::KnockoutGroup);
    if (forSoftMask) Fallback(FallbackReason::SoftMask);
    Check();
    blends_.BeginGroup(isolated);
  }
  void endTransparencyGroup(GfxState *) override { blends_.EndGroup(); }
  // A group's items are written onto the page as they come, which is the
  // same picture when the group itself is painted normally and opaquely,
  // and for a blend mode when its items may take the group's mode one by
  // one (BlendGroups::PaintGroup).
  void paintTransparencyGroup(GfxState *state, const double *) override {
    if (state->getFillOpacity() < 0.999) Fallback(FallbackReason::GroupOpacity);
    Blend blend = Blend::Normal;
    if (!ToBlend(state->getBlendMode(), &blend)) Fallback(FallbackReason::BlendMode);
    if (blend != Blend::Normal && !aborted()) blends_.PaintGroup(blend);
  }

  // ----- paths

  void stroke(GfxState *state) override {
    Check();
    Count(SegmentCount(state->getPath()));
    const QPainterPath user = UserPath(state->getPath(), false, nullptr);
    const QTransform ctm = Ctm(state);
    GfxRGB rgb;
    state->getStrokeRGB(&rgb);
    const QColor color = ToColor(rgb, state->getStrokeOpacity());
    double dashStart = 0;
    std::vector<double> dash = state->getLineDash(&dashStart);
    double scale = 1;
    const bool uniform = IsSimilarity(ctm, &scale);
    const double width = state->getLineWidth();
    if (!uniform) {
      // The pen changes its shape with the page: paint its outline.
      const double penWidth = width > 0 ? width : 1 / scale;
      AddFill(state, StrokeOutline(state, dash.empty() ? user : DashPath(user, dash, dashStart), penWidth, ctm),
              color);
      return;
    }
    QPainterPath device = ctm.map(user);
    if (!dash.empty()) {
      for (double &d : dash) d *= scale;
      device = DashPath(device, dash, dashStart * scale);
    }
    PageItem item;
    item.kind = PageItem::Stroke;
    item.clip = clip_;
    item.blend = BlendOf(state);
    item.path = device;
    item.paint.color = color;
    item.stroke.width = std::max(width * scale, 0.05);
    const int cap = state->getLineCap(), join = state->getLineJoin();
    item.stroke.cap = cap == 1 ? StrokeStyle::Round : cap == 2 ? StrokeStyle::Square : StrokeStyle::Butt;
    item.stroke.join = join == 1 ? StrokeStyle::RoundJoin : join == 2 ? StrokeStyle::Bevel : StrokeStyle::Miter;
    item.stroke.miterLimit = state->getMiterLimit();
    if (BlendGroups::NeedsBackdrop(item.blend))
      blends_.Painted(model_->items.size(), item, PaintedBounds(*model_, item), false);
    model_->items.push_back(std::move(item));
  }

  void fill(GfxState *state) override { DoFill(state, false); }
  void eoFill(GfxState *state) override { DoFill(state, true); }

  void clip(GfxState *state) override { AddClip(state, false); }
  void eoClip(GfxState *state) override { AddClip(state, true); }
  void clipToStrokePath(GfxState *state) override {
    Check();
    CountClip(SegmentCount(state->getPath()));
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(state->getLineWidth(), 0.01));
    QPainterPath outline = Ctm(state).map(stroker.createStroke(UserPath(state->getPath(), false, nullptr)));
    outline.setFillRule(Qt::WindingFill);
    PushClip(outline);
  }

  // ----- shadings

  bool functionShadedFill(GfxState *, GfxFunctionShading *) override { return Fallback(FallbackReason::FunctionShading); }
  bool gouraudTriangleShadedFill(GfxState *, GfxGouraudTriangleShading *) override {
    return Fallback(FallbackReason::MeshShading);
  }
  bool patchMeshShadedFill(GfxState *, GfxPatchMeshShading *) override { return Fallback(FallbackReason::MeshShading); }

  bool axialShadedFill(GfxState *state, GfxAxialShading *shading, double, double) override {
    Check();
    double x0, y0, x1, y1;
    shading->getCoords(&x0, &y0, &x1, &y1);
    const double dx = x1 - x0, dy = y1 - y0;
    if (std::hypot(dx, dy) < 1e-9) return Fallback(FallbackReason::DegenerateShading);
    Paint paint;
    paint.kind = Paint::Linear;
    if (!Stops(state, shading, &paint.stops)) return true;
    // Gradient x -1..1 runs from point 0 to point 1; y across, in user space.
    const QTransform toUser(dx / 2, dy / 2, -dy / 2, dx / 2, (x0 + x1) / 2, (y0 + y1) / 2);
    const QTransform ctm = Ctm(state);
    paint.gradient = toUser * ctm;
    QPainterPath area = ShadingArea(state);
    if (!shading->getExtend0() || !shading->getExtend1()) {
      const double far = 1e4;
      QPainterPath band;
      const double a = shading->getExtend0() ? -far : -1, b = shading->getExtend1() ? far : 1;
      band.addPolygon(paint.gradient.map(QPolygonF({QPointF(a, -far), QPointF(b, -far), QPointF(b, far), QPointF(a, far)})));
      band.closeSubpath();
      area = Scaled(area).intersected(Scaled(band));
      area = Unscaled(area);
    }
    AddPaint(state, area, paint);
    return true;
  }

  bool radialShadedFill(GfxState *state, GfxRadialShading *shading, double, double) override {
    Check();
    double x0, y0, r0, x1, y1, r1;
    shading->getCoords(&x0, &y0, &r0, &x1, &y1, &r1);
    Paint paint;
    paint.kind = Paint::Radial;
    std::vector<GradientStop> stops;
    if (!Stops(state, shading, &stops)) return true;
    RadialFit fit;
    const FallbackReason unfit = FitRadial(x0, y0, r0, x1, y1, r1, shading->getExtend0(), shading->getExtend1(),
                                           stops, &fit);
    if (unfit != FallbackReason::None) return Fallback(unfit);
    paint.stops = fit.stops;
    paint.focal = fit.focal;
    const double d = std::hypot(x1 - x0, y1 - y0);
    const double cx = x1, cy = y1, r = fit.r, outer = fit.outer, hole = fit.hole;
    // Unit circle -> circle (cx, cy, r), x axis towards the focal point.
    double ux = 1, uy = 0;
    if (d > 0) {
      ux = (x0 - x1) / d;
      uy = (y0 - y1) / d;
    }
    const QTransform toUser(ux * r, uy * r, -uy * r, ux * r, cx, cy);
    paint.gradient = toUser * Ctm(state);
    // The painted area: the clip's box or the outer disc, less the hole. The
    // item's clip cuts it to the clip itself.
    auto disc = [&](double radius) {
      QPainterPath p;
      p.addEllipse(QPointF(cx, cy), radius, radius);
      return Ctm(state).map(p);
    };
    QPainterPath area;
    if (outer > 0) {
      area = disc(outer);
    } else {
      area.addRect(ShadingArea(state).boundingRect().united(hole > 0 ? disc(hole).boundingRect() : QRectF()));
    }
    if (hole > 0) {
      area.addPath(disc(hole));
      area.setFillRule(Qt::OddEvenFill);
    }
    AddPaint(state, area, paint);
    return true;
  }

  // ----- text

  void beginTextObject(GfxState *) override {}
  void endTextObject(GfxState *) override {}
  bool beginType3Char(GfxState *, double, double, double, double, CharCode, const Unicode *, int) override {
    return false;  // let the glyph's own drawing come through as paths and images
  }
  void endType3Char(GfxState *) override {}
  void type3D0(GfxState *, double, double) override {}
  void type3D1(GfxState *, double, double, double, double, double, double) override {}

  void drawChar(GfxState *state, double x, double y, double, double, double originX, double originY,
                CharCode code, int, const Unicode *u, int uLen) override {
    Check();
    const int render = state->getRender() & 7;
    if (render == 3 || render == 7) {
      if (render == 7) Fallback(FallbackReason::TextAsClip);
      return;
    }
    if (render >= 4) {
      Fallback(FallbackReason::TextAsClip);
      return;
    }
    if (render != 0) {
      Fallback(FallbackReason::OutlinedText);
      return;
    }
    const std::shared_ptr<GfxFont> &gfxFont = state->getFont();
    if (!gfxFont) return;
    if (gfxFont->getType() == fontType3) return;
    double m[4];
    state->getFontTransMat(&m[0], &m[1], &m[2], &m[3]);
    const auto fontState = std::make_tuple(gfxFont.get(), m[0], m[1], m[2], m[3], state->getHorizScaling());
    if (fontState != lastFontState_) {
      doUpdateFont(state);
      lastFontState_ = fontState;
    }
    SplashFont *font = getCurrentFont();
    if (!font) return;
    const SplashCoord *mat = font->getMatrix();
    // Em (y up) -> device with y up: (ex, ey) -> (ex*m0 + ey*m2, ex*m1 + ey*m3).
    const double det = mat[0] * mat[3] - mat[1] * mat[2];
    if (!(std::abs(det) > 1e-12)) return;

    int fontIndex = -1;
    const int glyph = GlyphOf(state, gfxFont, font, det, code, u, uLen, &fontIndex);
    if (glyph < 0) return;  // blank glyph
    double ox, oy;
    state->transform(x - originX, y - originY, &ox, &oy);
    GfxRGB rgb;
    state->getFillRGB(&rgb);
    const QColor color = ToColor(rgb, state->getFillOpacity());
    // Em, y down -> points, y down. Splash's matrix has y up on both sides:
    // (ex, ey) -> (ex*m0 + ey*m2, ex*m1 + ey*m3).
    const QTransform glyphMatrix(mat[0] / kScale, -mat[1] / kScale, -mat[2] / kScale, mat[3] / kScale, 0, 0);
    const Blend blend = BlendOf(state);
    // A run never reaches into a group from before it.
    const std::size_t floor = blends_.GroupStart();
    PageItem *run = model_->items.size() <= floor ? nullptr : &model_->items.back();
    if (!run || run->kind != PageItem::Text || run->font != fontIndex || run->clip != clip_ || run->blend != blend ||
        run->paint.color != color || run->glyphMatrix != glyphMatrix || run->glyphs.size() >= 2000) {
      PageItem item;
      item.kind = PageItem::Text;
      item.clip = clip_;
      item.blend = blend;
      item.font = fontIndex;
      item.paint.color = color;
      item.glyphMatrix = glyphMatrix;
      model_->items.push_back(std::move(item));
      run = &model_->items.back();
    }
    const QPointF origin(ox / kScale, oy / kScale);
    if (BlendGroups::NeedsBackdrop(blend))
      blends_.Painted(model_->items.size() - 1, *run,
              glyphMatrix.mapRect(model_->fonts[fontIndex].glyphs[glyph].outline.boundingRect()).translated(origin),
              false);
    run->glyphs.push_back(PlacedGlyph{glyph, origin});
  }

  // ----- images

  void drawImageMask(GfxState *state, Object *, Stream *str, int width, int height, bool invert, bool interpolate,
                     bool inlineImg) override {
    Check();
    if (!Sizes(width, height)) return;
    QImage mask = ReadMask(str, width, height, invert, inlineImg);
    if (mask.isNull()) return;
    GfxRGB rgb;
    state->getFillRGB(&rgb);
    const QColor c = ToColor(rgb, state->getFillOpacity());
    QImage img(width, height, QImage::Format_ARGB32);
    for (int yy = 0; yy < height; ++yy) {
      const uchar *m = mask.constScanLine(yy);
      auto *out = reinterpret_cast<QRgb *>(img.scanLine(yy));
      for (int xx = 0; xx < width; ++xx) out[xx] = qRgba(c.red(), c.green(), c.blue(), m[xx] * c.alpha() / 255);
    }
    AddImage(state, {}, img, interpolate);
  }

  void drawImage(GfxState *state, Object *, Stream *str, int width, int height, GfxImageColorMap *colorMap,
                 bool interpolate, const int *maskColors, bool inlineImg) override {
    Check();
    if (!Sizes(width, height)) return;
    const double alpha = state->getFillOpacity();
    if (!maskColors && alpha >= 0.999 && !inlineImg && AddJpegAsIs(state, str, width, height, colorMap, interpolate))
      return;
    QImage img = ReadColour(str, width, height, colorMap, inlineImg);
    if (img.isNull()) return;
    if (maskColors) img = WithoutKeyedColours(img, str, colorMap, maskColors);
    if (alpha < 0.999) img = WithAlpha(img, {}, alpha);
    AddImage(state, {}, img, interpolate);
  }

  void drawMaskedImage(GfxState *state, Object *, Stream *str, int width, int height, GfxImageColorMap *colorMap,
                       bool interpolate, Stream *maskStr, int maskWidth, int maskHeight, bool maskInvert,
                       bool) override {
    Check();
    if (!Sizes(width, height) || !Sizes(maskWidth, maskHeight)) return;
    QImage img = ReadColour(str, width, height, colorMap, false);
    QImage mask = ReadMask(maskStr, maskWidth, maskHeight, maskInvert, false);
    if (img.isNull() || mask.isNull()) return;
    AddImage(state, {}, WithAlpha(img, mask, state->getFillOpacity()), interpolate);
  }

  void drawSoftMaskedImage(GfxState *state, Object *, Stream *str, int width, int height,
                           GfxImageColorMap *colorMap, bool interpolate, Stream *maskStr, int maskWidth,
                           int maskHeight, GfxImageColorMap *maskColorMap, bool) override {
    Check();
    if (!Sizes(width, height) || !Sizes(maskWidth, maskHeight)) return;
    if (colorMap->getMatteColor()) {
      Fallback(FallbackReason::MattedImage);
      return;
    }
    QImage img = ReadColour(str, width, height, colorMap, false);
    QImage mask(maskWidth, maskHeight, QImage::Format_Grayscale8);
    ImageStream is(maskStr, maskWidth, maskColorMap->getNumPixelComps(), maskColorMap->getBits());
    is.reset();
    for (int yy = 0; yy < maskHeight; ++yy) {
      unsigned char *line = is.getLine();
      if (!line) {
        mask = QImage();
        break;
      }
      maskColorMap->getGrayLine(line, mask.scanLine(yy), maskWidth);
    }
    is.close();
    if (img.isNull() || mask.isNull()) return;
    AddImage(state, {}, WithAlpha(img, mask, state->getFillOpacity()), interpolate);
  }

 private:
  // The outline of `user` stroked with the state's pen of `width` (user
  // space), mapped by `ctm`: what a pen that changes its shape with the page
  // paints.
  static QPainterPath StrokeOutline(GfxState *state, const QPainterPath &user, double width, const QTransform &ctm) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(state->getLineCap() == 1 ? Qt::RoundCap : state->getLineCap() == 2 ? Qt::SquareCap : Qt::FlatCap);
    stroker.setJoinStyle(state->getLineJoin() == 1 ? Qt::RoundJoin : state->getLineJoin() == 2 ? Qt::BevelJoin : Qt::MiterJoin);
    stroker.setMiterLimit(state->getMiterLimit());
    QPainterPath outline = ctm.map(stroker.createStroke(user));
    outline.setFillRule(Qt::WindingFill);
    return outline;
  }

  // A DCT image of gray or RGB with a plain decode whose JPEG data the player
  // decodes as it is: added with that data. False for any other image.
  bool AddJpegAsIs(GfxState *state, Stream *str, int width, int height, GfxImageColorMap *colorMap,
                   bool interpolate) {
    if (str->getKind() != strDCT) return false;
    const int comps = colorMap->getNumPixelComps();
    const GfxColorSpaceMode mode = colorMap->getColorSpace()->getMode();
    bool plainDecode = true;
    for (int i = 0; i < comps; ++i)
      plainDecode = plainDecode && colorMap->getDecodeLow(i) == 0 && colorMap->getDecodeHigh(i) == 1;
    if (plainDecode && ((mode == csDeviceGray && comps == 1) || (mode == csDeviceRGB && comps == 3))) {
      Stream *raw = str->getNextStream();
      if (raw) {
        raw->reset();
        const QByteArray jpeg = ReadAll(raw, 64u << 20);
        raw->close();
        int w = 0, h = 0;
        if (UsableJpeg(jpeg, comps, &w, &h) && w == width && h == height) {
          AddImage(state, jpeg, QImage(), interpolate, w, h);
          return true;
        }
      }
    }
    return false;
  }

  // Colour-key masking: `img` with the pixels whose every component lies in
  // its range of `maskColors` made transparent.
  static QImage WithoutKeyedColours(QImage img, Stream *str, GfxImageColorMap *colorMap, const int *maskColors) {
    const int width = img.width(), height = img.height();
    const int comps = colorMap->getNumPixelComps();
    ImageStream is(str, width, comps, colorMap->getBits());
    str->reset();
    is.reset();
    img = img.convertToFormat(QImage::Format_ARGB32);
    for (int yy = 0; yy < height; ++yy) {
      unsigned char *line = is.getLine();
      if (!line) break;
      auto *out = reinterpret_cast<QRgb *>(img.scanLine(yy));
      for (int xx = 0; xx < width; ++xx) {
        bool hidden = true;
        for (int c = 0; c < comps && hidden; ++c) {
          const int v = line[xx * comps + c];
          hidden = v >= maskColors[2 * c] && v <= maskColors[2 * c + 1];
        }
        if (hidden) out[xx] = 0;
      }
    }
    is.close();
    return img;
  }

  // The index of glyph `code` of `gfxFont` in its page font (made on first
  // use, in `fontIndex`), its outline read once per document; -1 for a
  // blank glyph.
  int GlyphOf(GfxState *state, const std::shared_ptr<GfxFont> &gfxFont, SplashFont *font, double det,
              CharCode code, const Unicode *u, int uLen, int *fontIndex) {
    const SplashCoord *mat = font->getMatrix();
    const Ref *ref = gfxFont->getID();
    const auto key = std::make_tuple(ref->num, ref->gen, gfxFont.get());
    auto f = fonts_.find(key);
    if (f == fonts_.end()) {
      PageFont pf;
      pf.name = gfxFont->getName() ? QString::fromStdString(*gfxFont->getName()) : QString();
      model_->fonts.push_back(pf);
      f = fonts_.emplace(key, FontEntry{static_cast<int>(model_->fonts.size()) - 1, {}}).first;
    }
    FontEntry &entry = f->second;
    int glyph = -1;
    const auto g = entry.glyphs.find(code);
    if (g != entry.glyphs.end()) {
      glyph = g->second;
    } else {
      // A glyph's outline in em units is the same on every page: it is
      // read and resolved for even-odd filling once per document.
      const GlyphKey glyphKey{ref->num, ref->gen, code};
      GlyphCache *cache = ref->num >= 0 ? glyphCache_ : nullptr;
      const FontGlyph *cached = nullptr;
      if (cache) {
        const auto hit = cache->find(glyphKey);
        if (hit != cache->end()) cached = &hit->second;
      }
      FontGlyph fg;
      if (cached) {
        fg = *cached;
      } else {
        QPainterPath outline;
        if (SplashPath *path = font->getGlyphPath(static_cast<int>(code))) {
          outline = EmOutline(path, state->getCTM(), mat, det);
          delete path;
        }
        if (!outline.isEmpty()) {
          outline.setFillRule(Qt::WindingFill);
          fg.outline = EvenOddEquivalent(outline, 1.0 / 4096);
          fg.unicode = uLen > 0 ? u[0] : 0;
        }
        if (cache) cache->emplace(glyphKey, fg);
      }
      if (!fg.outline.isEmpty()) {
        PageFont &pf = model_->fonts[entry.index];
        pf.glyphs.push_back(fg);
        glyph = static_cast<int>(pf.glyphs.size()) - 1;
      }
      entry.glyphs.emplace(code, glyph);
    }
    *fontIndex = entry.index;
    return glyph;
  }

  struct FontEntry {
    int index;
    std::map<CharCode, int> glyphs;
  };

  bool Fallback(FallbackReason why) {
    if (model_->fallback == FallbackReason::None) model_->fallback = why;
    return true;
  }

  // The blend mode of what is painted now; a mode the movie cannot draw
  // makes the page a fallback.
  Blend BlendOf(GfxState *state) {
    Blend blend = Blend::Normal;
    if (!ToBlend(state->getBlendMode(), &blend)) {
      Fallback(FallbackReason::BlendMode);
      return Blend::Normal;
    }
    if (blend != Blend::Normal) blends_.Blended();
    return blend;
  }

  // Counts a painted path of `segments` before it is made; throws PageStop
  // when the page goes over its budget.
  void Count(std::size_t segments) {
    ++model_->paths;
    model_->edges += segments;
    if (model_->paths > limits_.maxPaths || model_->edges > limits_.maxEdges) Fallback(FallbackReason::TooManyPaths);
    Check();
  }

  bool Sizes(int w, int h) {
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > (64ll << 20)) {
      Fallback(FallbackReason::ImageTooLarge);
      return false;
    }
    if (++images_ > limits_.maxImages) {
      Fallback(FallbackReason::TooManyImages);
      return false;
    }
    return true;
  }

  static QPainterPath Scaled(const QPainterPath &p) { return QTransform::fromScale(20, 20).map(p); }
  static QPainterPath Unscaled(const QPainterPath &p) { return QTransform::fromScale(0.05, 0.05).map(p); }

  void DoFill(GfxState *state, bool evenOdd) {
    Check();
    Count(SegmentCount(state->getPath()));
    QPainterPath path = Ctm(state).map(UserPath(state->getPath(), true, nullptr));
    path.setFillRule(evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    GfxRGB rgb;
    state->getFillRGB(&rgb);
    AddFill(state, path, ToColor(rgb, state->getFillOpacity()));
  }

  void AddFill(GfxState *state, const QPainterPath &path, const QColor &color) {
    Paint paint;
    paint.color = color;
    AddPaint(state, path, paint);
  }

  void AddPaint(GfxState *state, const QPainterPath &path, const Paint &paint) {
    PageItem item;
    item.kind = PageItem::Fill;
    item.clip = clip_;
    item.blend = BlendOf(state);
    item.path = path;
    item.paint = paint;
    bool opaque = paint.color.alpha() == 255;
    for (const GradientStop &s : paint.stops) opaque = opaque && s.color.alpha() == 255;
    QRectF rect;
    blends_.Painted(model_->items.size(), item, path.boundingRect(), opaque && IsRectangle(path, &rect));
    model_->items.push_back(std::move(item));
  }

  void AddClip(GfxState *state, bool evenOdd) {
    Check();
    CountClip(SegmentCount(state->getPath()));
    QPainterPath path = Ctm(state).map(UserPath(state->getPath(), true, nullptr));
    path.setFillRule(evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    PushClip(path);
  }

  // Counts a clip path of `segments` before it is made; throws PageStop
  // when the page goes over its budget.
  void CountClip(std::size_t segments) {
    clipEdges_ += segments;
    if (model_->clips.size() >= limits_.maxClips || clipEdges_ > limits_.maxClipEdges)
      Fallback(FallbackReason::TooManyClips);
    else if (clip_ >= 0 && clipDepths_[static_cast<std::size_t>(clip_)] >= limits_.maxClipDepth)
      Fallback(FallbackReason::ClipsTooDeep);
    Check();
  }

  void PushClip(const QPainterPath &path) {
    clipDepths_.push_back(clip_ >= 0 ? clipDepths_[static_cast<std::size_t>(clip_)] + 1 : 1);
    model_->clips.push_back(ClipNode{path, clip_});
    clip_ = static_cast<int>(model_->clips.size()) - 1;
  }

  // The area a shading paints: the current clip's bounds, or the page.
  QPainterPath ShadingArea(GfxState *state) {
    double x0, y0, x1, y1;
    state->getClipBBox(&x0, &y0, &x1, &y1);
    QRectF box = QRectF(QPointF(x0, y0) / kScale, QPointF(x1, y1) / kScale).normalized();
    box = box.intersected(QRectF(QPointF(0, 0), model_->size).adjusted(-1, -1, 1, 1));
    QPainterPath p;
    p.addRect(box);
    return p;
  }

  bool Stops(GfxState *, GfxUnivariateShading *shading, std::vector<GradientStop> *stops) {
    const double t0 = shading->getDomain0(), t1 = shading->getDomain1();
    constexpr int kStops = 15;
    for (int i = 0; i < kStops; ++i) {
      const double at = static_cast<double>(i) / (kStops - 1);
      GfxColor c;
      if (!shading->getColor(t0 + at * (t1 - t0), &c)) {
        Fallback(FallbackReason::ShadingColour);
        return false;
      }
      GfxRGB rgb;
      shading->getColorSpace()->getRGB(&c, &rgb);
      stops->push_back(GradientStop{at, ToColor(rgb, 1.0)});
    }
    return true;
  }

  // Splash gives outlines in user space around the glyph origin; `mat` maps
  // em (y up) to device space.
  static QPainterPath EmOutline(SplashPath *path, const double *ctm, const SplashCoord *mat, double det) {
    // User -> device by the CTM's linear part, device -> em by the inverse
    // of mat; then y flipped to point down.
    // Splash's font matrix maps em (y up) into device space with y up, so
    // the device point's y is flipped before it is taken back into em.
    const double i0 = mat[3] / det, i1 = -mat[1] / det, i2 = -mat[2] / det, i3 = mat[0] / det;
    auto em = [&](double ux, double uy) {
      const double dx = ux * ctm[0] + uy * ctm[2], dy = -(ux * ctm[1] + uy * ctm[3]);
      return QPointF(dx * i0 + dy * i2, -(dx * i1 + dy * i3));
    };
    QPainterPath out;
    const int n = path->getLength();
    for (int i = 0; i < n;) {
      double x, y;
      unsigned char flag;
      path->getPoint(i, &x, &y, &flag);
      if (flag & splashPathFirst) {
        if (i > 0) out.closeSubpath();
        out.moveTo(em(x, y));
        ++i;
        continue;
      }
      if ((flag & splashPathCurve) && i + 2 < n) {
        double x2, y2, x3, y3;
        unsigned char f2, f3;
        path->getPoint(i + 1, &x2, &y2, &f2);
        path->getPoint(i + 2, &x3, &y3, &f3);
        out.cubicTo(em(x, y), em(x2, y2), em(x3, y3));
        i += 3;
        continue;
      }
      out.lineTo(em(x, y));
      ++i;
    }
    out.closeSubpath();
    return out;
  }

  void AddImage(GfxState *state, const QByteArray &jpeg, QImage img, bool interpolate, int w = 0, int h = 0) {
    PageImage pi;
    if (!jpeg.isEmpty()) {
      pi.jpeg = jpeg;
      pi.width = w;
      pi.height = h;
    } else {
      const int srcW = img.width(), srcH = img.height();
      if (srcW > kMaxImageSide || srcH > kMaxImageSide)
        img = img.scaled(QSize(kMaxImageSide, kMaxImageSide), Qt::KeepAspectRatio, Qt::SmoothTransformation);
      pi.width = img.width();
      pi.height = img.height();
      pi.pixels = img;
      w = srcW;
      h = srcH;
    }
    // Unit square -> page, image rows top first: pixel (u, v) -> (u/w, 1 - v/h).
    const QTransform unitFromPixel(1.0 / pi.width, 0, 0, -1.0 / pi.height, 0, 1);
    model_->images.push_back(std::move(pi));
    PageItem item;
    item.kind = PageItem::Image;
    item.clip = clip_;
    item.blend = BlendOf(state);
    item.image = static_cast<int>(model_->images.size()) - 1;
    item.imageMatrix = unitFromPixel * Ctm(state);
    // Nearest pixels for images blown up well past their resolution, as
    // the bitmap renderer does unless the PDF asks for smoothing.
    const QTransform &m = item.imageMatrix;
    const double pxSize = std::sqrt(std::abs(m.determinant()));
    item.smooth = interpolate || pxSize < 4.0;
    const PageImage &placed = model_->images.back();
    const bool opaque = !placed.jpeg.isEmpty() || !placed.pixels.hasAlphaChannel();
    blends_.Painted(model_->items.size(), item, m.mapRect(QRectF(0, 0, placed.width, placed.height)),
            opaque && m.m12() == 0 && m.m21() == 0);
    model_->items.push_back(std::move(item));
  }

  static inline SplashColor paper_ = {0xFF, 0xFF, 0xFF, 0xFF};
  PageModel *model_;
  ReadLimits limits_;
  GlyphCache *glyphCache_;
  int clip_ = -1;
  std::vector<int> clipStack_;
  std::vector<int> clipDepths_;  // of each clip of the model, 1 for a clip of the page
  std::size_t clipEdges_ = 0;
  BlendGroups blends_{model_};
  int images_ = 0;
  std::tuple<GfxFont *, double, double, double, double, double> lastFontState_{};
  std::map<std::tuple<int, int, GfxFont *>, FontEntry> fonts_;
};

bool AbortCheck(void *data) { return static_cast<ModelDev *>(data)->aborted(); }

class PopplerPages : public PdfPages {
 public:
  PopplerPages() : params_(nullptr) {}

  bool Load(const QByteArray &data) {
    data_ = &data;
    auto *stream = new MemStream(data.constData(), 0, data.size(), Object(objNull));
    doc_ = std::make_unique<PDFDoc>(stream);
    return doc_->isOk() && doc_->getNumPages() > 0;
  }

  int count() const override { return doc_->getNumPages(); }

  PageModel Read(int index, const ReadLimits &limits) override {
    PageModel model;
    if (index < 0 || index >= count()) {
      model.fallback = FallbackReason::NoSuchPage;
      return model;
    }
    try {
      ModelDev dev(&model, limits, &glyphs_);
      dev.startDoc(doc_.get());
      DrawPage(doc_.get(), index + 1, &dev, 72.0 * kScale, AbortCheck, &dev);
    } catch (const PageStop &) {
      Recover();
    } catch (const std::bad_alloc &) {
      model.fallback = FallbackReason::OutOfMemory;
      Recover();
    }
    if (model.fallback != FallbackReason::None) {
      // A page that falls back is not written as vectors: free it at once.
      const FallbackReason why = model.fallback;
      model = PageModel{};
      model.fallback = why;
      return model;
    }
    if (!(model.size.width() > 0) || !(model.size.height() > 0)) model.fallback = FallbackReason::NoPageSize;
    return model;
  }

  RenderedPage Render(int index, double dpi, const RenderLimits &limits) override {
    if (index < 0 || index >= count()) return RenderedPage{QImage(), FallbackReason::NoSuchPage};
    bool unwound = false;
    RenderedPage out = DrawBitmap(doc_.get(), index + 1, dpi, limits, &unwound);
    if (unwound) Recover();
    return out;
  }

 private:
  // After drawing was left by unwinding out of Poppler, the document is
  // opened again rather than trusted: the next page starts afresh.
  void Recover() {
    auto *stream = new MemStream(data_->constData(), 0, data_->size(), Object(objNull));
    auto doc = std::make_unique<PDFDoc>(stream);
    if (doc->isOk()) doc_ = std::move(doc);
  }

  GlobalParamsIniter params_;
  const QByteArray *data_ = nullptr;
  std::unique_ptr<PDFDoc> doc_;
  GlyphCache glyphs_;
};

}  // namespace

std::unique_ptr<PdfPages> PdfPages::Open(const QByteArray &data) {
  auto pages = std::make_unique<PopplerPages>();
  if (!pages->Load(data)) return nullptr;
  return pages;
}

}  // namespace lw::pdf2swf
