// One page of a conversion: its movie (vector, bitmap or plain), why it is
// not a vector page, and what its side file holds.
#pragma once

#include "model/sidefiles.h"
#include "pdf2swf/fallback.h"
#include "pdf2swf/pdf2swf.h"
#include "swf/swfwriter.h"

#include <QImage>
#include <QString>

#include <vector>

namespace Poppler {
class Document;
}

namespace lw::pdf2swf {

class PdfPages;

enum class PageKind { Vector, Bitmap, Plain };

// "vector", "bitmap" or "plain", as the report gives it. Never fails.
QString PageKindText(PageKind kind);

struct PageResult {
  swf::Bytes movie;  // checked; empty when the page could not be written at all
  PageKind kind = PageKind::Bitmap;
  // Why the page is not a vector page (None for one, and for a bitmap run's
  // pages); `detail` adds the writer's or the checker's words.
  FallbackReason reason = FallbackReason::None;
  QString detail;
  // A plain page: why its bitmap could not be drawn either.
  FallbackReason bitmapReason = FallbackReason::None;
  PageWords side;          // for the page's side file
  bool sideRead = false;   // false: the page could not be read for it
  bool outOfMemory = false;  // reading it ran out of memory
  QImage picture;  // the page's picture, when it was asked for and could be drawn

  // The report's reason: "soft mask", "writer: <detail>", "too many paths;
  // bitmap: too many segments", or empty for a vector page.
  QString ReportReason() const;
};

// What one worker converts its pages with: its own documents, opened on the
// same bytes. `pages` may be null (the vector reader could not open them).
struct PageSources {
  Poppler::Document *doc = nullptr;
  PdfPages *pages = nullptr;
  int pageCount = 0;
};

// Converts page `index` (from 0): read as vectors (unless options.bitmap)
// within its budget and --page-time, written and checked; a page that falls
// back, or comes out over 150 KB and larger than its bitmap page, becomes a
// bitmap page drawn 4/3 finer than options.dpi (at most kMaxPagePixels on
// its longer side); a page whose bitmap goes over its own budget becomes a
// plain page saying it could not be drawn. Reads the page's side file data
// (its words only when it is not a plain page) with `headings`, and its
// picture when `wantPicture`. Never throws; returns an empty movie when the
// page could not be rendered at all.
PageResult ConvertPage(const PageSources &sources, int index, const Options &options,
                       const std::vector<PageHeading> &headings, bool wantPicture);

}  // namespace lw::pdf2swf
