// The one place that knows Poppler's core drawing interface: reads a page's
// drawing operations into a PageModel. Nothing of Poppler shows here.
#pragma once

#include "pdf2swf/pagemodel.h"

#include <QByteArray>

#include <memory>

namespace lw::pdf2swf {

struct ReadLimits {
  int maxPaths = 5000;        // painted paths (fills, strokes, shadings)
  std::size_t maxEdges = 50000;  // their segments
  int maxImages = 400;
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
  virtual PageModel Read(int index, const ReadLimits &limits) = 0;
};

}  // namespace lw::pdf2swf
