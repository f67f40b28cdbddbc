// The one place that knows Poppler's core drawing interface: reads a page's
// drawing operations into a PageModel. Nothing of Poppler shows here.
#pragma once

#include "pdf2swf/pagemodel.h"

#include <QByteArray>

#include <QImage>
#include <QString>

#include <chrono>
#include <memory>

namespace lw::pdf2swf {

// A page's budget: reading stops as soon as the page goes over any of these,
// before the model grows further, and the page falls back with the reason.
struct ReadLimits {
  int maxPaths = 5000;        // painted paths (fills, strokes, shadings)
  std::size_t maxEdges = 50000;  // their segments
  int maxImages = 400;
  std::size_t maxItems = 20000;      // items of the model (paths, text runs, images)
  std::size_t maxClips = 5000;       // clip paths
  std::size_t maxClipEdges = 50000;  // their segments
  int maxClipDepth = 64;             // clips within clips
  double maxPatternCells = 2000;     // cells of one tiling pattern
  // When reading stops ("took too long"); none by default.
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// The budget of a page drawn as a bitmap by Splash.
struct RenderLimits {
  std::size_t maxPathEdges = 100000;     // segments of one path
  std::size_t maxEdges = 2000000;        // segments of all paths
  double maxPatternCells = 1000000;      // cells of one tiling pattern
  std::size_t maxMeshParts = 100000;     // triangles or patches of one mesh shading
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// A page drawn as a bitmap, or why it could not be.
struct RenderedPage {
  QImage image;    // Format_RGB32; null when the page could not be drawn
  FallbackReason reason = FallbackReason::None;  // why not, when `image` is null
};

class PdfPages {
 public:
  // Opens a document held in `data`, which must outlive the object. Returns
  // null when it is not a PDF, is damaged beyond repair or needs a password.
  static std::unique_ptr<PdfPages> Open(const QByteArray &data);
  virtual ~PdfPages() = default;

  virtual int count() const = 0;
  // Reads page `index` (from 0), rotated as it is shown. Never throws; a
  // page that cannot be read or drawn faithfully as vectors comes back with
  // `fallback` saying why (and its items may be incomplete).
  // A page over its budget, out of time or out of memory comes back with
  // `fallback` saying so.
  virtual PageModel Read(int index, const ReadLimits &limits) = 0;
  // Draws page `index` (from 0) as Splash draws it for Poppler's Qt
  // interface (antialiased, on white) at `dpi`. Never throws; a page that
  // goes over `limits`, runs out of memory or cannot be drawn comes back
  // with a null image and the reason.
  virtual RenderedPage Render(int index, double dpi, const RenderLimits &limits) = 0;
};

}  // namespace lw::pdf2swf
