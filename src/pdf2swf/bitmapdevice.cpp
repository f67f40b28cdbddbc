#include "pdf2swf/bitmapdevice.h"

#include <Annot.h>
#include <Gfx.h>
#include <GfxState.h>
#include <PDFDoc.h>
#include <SplashOutputDev.h>
#include <splash/SplashBitmap.h>

#include <chrono>
#include <memory>
#include <new>

namespace lw::pdf2swf {

std::size_t SegmentCount(const GfxPath *path) {
  std::size_t segments = 0;
  for (int s = 0; s < path->getNumSubpaths(); ++s) {
    const GfxSubpath *sub = path->getSubpath(s);
    const int n = sub->getNumPoints();
    for (int i = 1; i < n; ++segments) i += sub->getCurve(i) && i + 2 < n ? 3 : 1;
  }
  return segments;
}

void DrawPage(PDFDoc *doc, int pageNum, OutputDev *out, double dpi, bool (*abortCheck)(void *), void *data) {
  Page *page = doc->getPage(pageNum);
  if (!page) return;
  if (!out->checkPageSlice(page, dpi, dpi, 0, false, true, -1, -1, -1, -1, false, abortCheck, data)) return;
  const std::unique_ptr<Gfx> gfx(
      page->createGfx(out, dpi, dpi, 0, false, true, -1, -1, -1, -1, false, abortCheck, data));
  Object contents = page->getContents();
  if (!contents.isNull()) {
    gfx->saveState();
    gfx->display(&contents);
    gfx->restoreState();
  } else {
    out->dump();  // an empty page still sets up the device
  }
  Annots *annots = page->getAnnots();
  if (annots && !annots->getAnnots().empty()) {
    for (Annot *annot : annots->getAnnots()) annot->draw(gfx.get(), false);
    out->dump();
  }
}

namespace {

// Splash drawing for bitmap pages, as Poppler's Qt interface sets it up,
// within a budget: every drawing call checks it first and throws PageStop,
// with `reason` set, once the page is over it. Splash itself gives up the
// process when an allocation fails, so paths too long for it never reach it.
class BitmapDev : public SplashOutputDev {
 public:
  explicit BitmapDev(const RenderLimits &limits)
      : SplashOutputDev(splashModeXBGR8, 4, false, paper_, true), limits_(limits) {
    setFontAntialias(true);
    setVectorAntialias(true);
    setFreeTypeHinting(false, false);
  }

  FallbackReason reason = FallbackReason::None;

  void Check() {
    if (reason == FallbackReason::None && std::chrono::steady_clock::now() > limits_.deadline)
      reason = FallbackReason::TookTooLong;
    if (reason != FallbackReason::None) throw PageStop{};
  }
  void Count(const GfxState *state) {
    const std::size_t n = SegmentCount(state->getPath());
    edges_ += n;
    if (n > limits_.maxPathEdges || edges_ > limits_.maxEdges) reason = FallbackReason::TooManySegments;
    Check();
  }

  void saveState(GfxState *state) override {
    Check();
    SplashOutputDev::saveState(state);
  }
  void stroke(GfxState *state) override {
    Count(state);
    SplashOutputDev::stroke(state);
  }
  void fill(GfxState *state) override {
    Count(state);
    SplashOutputDev::fill(state);
  }
  void eoFill(GfxState *state) override {
    Count(state);
    SplashOutputDev::eoFill(state);
  }
  void clip(GfxState *state) override {
    Count(state);
    SplashOutputDev::clip(state);
  }
  void eoClip(GfxState *state) override {
    Count(state);
    SplashOutputDev::eoClip(state);
  }
  void clipToStrokePath(GfxState *state) override {
    Count(state);
    SplashOutputDev::clipToStrokePath(state);
  }
  void drawChar(GfxState *state, double x, double y, double dx, double dy, double originX, double originY,
                CharCode code, int nBytes, const Unicode *u, int uLen) override {
    Check();
    SplashOutputDev::drawChar(state, x, y, dx, dy, originX, originY, code, nBytes, u, uLen);
  }
  bool tilingPatternFill(GfxState *state, Gfx *gfx, Catalog *cat, GfxTilingPattern *tPat, const double *mat,
                         int x0, int y0, int x1, int y1, double xStep, double yStep) override {
    Check();
    const double cells = (static_cast<double>(x1) - x0) * (static_cast<double>(y1) - y0);
    if (!(cells >= 0 && cells <= limits_.maxPatternCells)) reason = FallbackReason::TilingCells;
    Check();
    return SplashOutputDev::tilingPatternFill(state, gfx, cat, tPat, mat, x0, y0, x1, y1, xStep, yStep);
  }
  bool axialShadedFill(GfxState *state, GfxAxialShading *shading, double tMin, double tMax) override {
    Check();
    return SplashOutputDev::axialShadedFill(state, shading, tMin, tMax);
  }
  bool radialShadedFill(GfxState *state, GfxRadialShading *shading, double tMin, double tMax) override {
    Check();
    return SplashOutputDev::radialShadedFill(state, shading, tMin, tMax);
  }
  bool functionShadedFill(GfxState *state, GfxFunctionShading *shading) override {
    Check();
    return SplashOutputDev::functionShadedFill(state, shading);
  }
  // Splash draws a whole mesh in one call: its size is checked first.
  bool gouraudTriangleShadedFill(GfxState *state, GfxGouraudTriangleShading *shading) override {
    Check();
    if (static_cast<std::size_t>(shading->getNTriangles()) > limits_.maxMeshParts)
      reason = FallbackReason::MeshTriangles;
    Check();
    return SplashOutputDev::gouraudTriangleShadedFill(state, shading);
  }
  bool patchMeshShadedFill(GfxState *state, GfxPatchMeshShading *shading) override {
    Check();
    if (static_cast<std::size_t>(shading->getNPatches()) > limits_.maxMeshParts)
      reason = FallbackReason::MeshPatches;
    Check();
    return SplashOutputDev::patchMeshShadedFill(state, shading);
  }
  void drawImage(GfxState *state, Object *ref, Stream *str, int width, int height, GfxImageColorMap *colorMap,
                 bool interpolate, const int *maskColors, bool inlineImg) override {
    Check();
    SplashOutputDev::drawImage(state, ref, str, width, height, colorMap, interpolate, maskColors, inlineImg);
  }
  void drawImageMask(GfxState *state, Object *ref, Stream *str, int width, int height, bool invert,
                     bool interpolate, bool inlineImg) override {
    Check();
    SplashOutputDev::drawImageMask(state, ref, str, width, height, invert, interpolate, inlineImg);
  }
  void beginTransparencyGroup(GfxState *state, const double *bbox, GfxColorSpace *blendingColorSpace,
                              bool isolated, bool knockout, bool forSoftMask) override {
    Check();
    SplashOutputDev::beginTransparencyGroup(state, bbox, blendingColorSpace, isolated, knockout, forSoftMask);
  }

 private:
  static inline SplashColor paper_ = {0xFF, 0xFF, 0xFF, 0xFF};
  RenderLimits limits_;
  std::size_t edges_ = 0;
};

bool BitmapAbortCheck(void *data) {
  auto *dev = static_cast<BitmapDev *>(data);
  return dev->reason != FallbackReason::None;
}

}  // namespace

RenderedPage DrawBitmap(PDFDoc *doc, int pageNum, double dpi, const RenderLimits &limits, bool *unwound) {
  RenderedPage out;
  *unwound = false;
  std::unique_ptr<BitmapDev> dev;
  try {
    dev = std::make_unique<BitmapDev>(limits);
    dev->startDoc(doc);
    DrawPage(doc, pageNum, dev.get(), dpi, BitmapAbortCheck, dev.get());
    SplashBitmap *bitmap = dev->getBitmap();
    if (dev->reason != FallbackReason::None) {
      out.reason = dev->reason;
    } else if (!bitmap || bitmap->getWidth() <= 0 || bitmap->getHeight() <= 0 || !bitmap->getDataPtr()) {
      out.reason = FallbackReason::NothingDrawn;
    } else {
      // XBGR8 is B, G, R, X in memory: QImage's RGB32 on little-endian machines.
      out.image = QImage(bitmap->getDataPtr(), bitmap->getWidth(), bitmap->getHeight(), bitmap->getRowSize(),
                         QImage::Format_RGB32)
                      .copy();
      if (out.image.isNull()) out.reason = FallbackReason::OutOfMemory;
    }
  } catch (const PageStop &) {
    out.reason = dev ? dev->reason : FallbackReason::None;
    *unwound = true;
  } catch (const std::bad_alloc &) {
    out.reason = FallbackReason::OutOfMemory;
    *unwound = true;
  }
  if (out.reason == FallbackReason::None && out.image.isNull()) out.reason = FallbackReason::NotDrawn;
  return out;
}

}  // namespace lw::pdf2swf
