#include "pdf2swf/convertpage.h"

#include "pdf2swf/pageside.h"
#include "pdf2swf/pdfpages.h"
#include "pdf2swf/vectormovie.h"
#include "swf/swfcheck.h"

#include <poppler-qt6.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <new>

namespace lw::pdf2swf {

namespace {

// A vector page larger than this is compared with its bitmap page.
constexpr std::size_t kVectorCompareBytes = 150 * 1024;

// A vector run's page that falls back to a bitmap is drawn this much finer
// than the run's resolution: 200 dpi at the default keeps it sharp at twice
// the size a book usually shows it (a fitted page is about 0.7 to 1.1
// pixels per point; two times that needs up to 160 dpi).
constexpr double kFallbackSharpness = 4.0 / 3.0;

std::chrono::steady_clock::time_point Deadline(const Options &options) {
  return std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                std::chrono::duration<double>(options.pageSeconds));
}

// The resolution that gives a page of `size` points at most kMaxPagePixels
// on its longer side, `wanted` when it is small enough.
double BoundedDpi(const QSizeF &size, double wanted) {
  const double longest = std::max(size.width(), size.height());
  return longest > 0 ? std::min(wanted, kMaxPagePixels * 72.0 / longest) : wanted;
}

// The stage of `image` drawn from a page of `size`: turned when the page
// was drawn turned (a rotated page).
QSizeF StageOf(const QImage &image, QSizeF size) {
  if (!image.isNull() && (image.width() > image.height()) != (size.width() > size.height()) &&
      std::abs(size.width() - size.height()) > 0.5)
    size.transpose();
  return size;
}

// A bitmap page drawn by Poppler's Qt interface, for a document the vector
// reader could not open. Empty when it cannot be drawn or encoded.
swf::Bytes UnbudgetedBitmapPage(Poppler::Document &doc, int index, const Options &options, double wantedDpi) {
  const std::unique_ptr<Poppler::Page> page = doc.page(index);
  if (!page) return {};
  const QSizeF size = page->pageSizeF();
  const double dpi = BoundedDpi(size, wantedDpi);
  const QImage image = page->renderToImage(dpi, dpi);
  return PageMovieFromImage(image, StageOf(image, size), options.quality, options.compress);
}

// A bitmap page drawn by `pages` within its own budget. Empty, with
// `reason`, when it goes over it, runs out of memory or cannot be encoded.
swf::Bytes BitmapPage(PdfPages &pages, const QSizeF &size, int index, const Options &options, double wantedDpi,
                      FallbackReason *reason) {
  RenderLimits limits;
  limits.deadline = Deadline(options);
  const RenderedPage rendered = pages.Render(index, BoundedDpi(size, wantedDpi), limits);
  if (rendered.image.isNull()) {
    *reason = rendered.reason;
    return {};
  }
  swf::Bytes movie = PageMovieFromImage(rendered.image, StageOf(rendered.image, size), options.quality,
                                        options.compress);
  if (movie.empty()) *reason = FallbackReason::NotEncoded;
  return movie;
}

// A hand-written PDF of one page of `size` points with grey words across
// its middle saying it could not be drawn.
QByteArray PlainPagePdf(double w, double h) {
  const double em = std::max(1.0, w / 22);
  const QByteArray content = QStringLiteral("0.45 g BT /F1 %1 Tf %2 %3 Td (This page could not be drawn.) Tj ET")
                                 .arg(em)
                                 .arg(std::max(0.0, (w - 13.6 * em) / 2))
                                 .arg(h / 2)
                                 .toLatin1();
  const QByteArray objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      QStringLiteral("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %1 %2] /Resources << /Font << /F1 4 0 R >> >> "
                     "/Contents 5 0 R >>")
          .arg(w)
          .arg(h)
          .toLatin1(),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
      "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream",
  };
  QByteArray pdf = "%PDF-1.4\n";
  QByteArray xref = "xref\n0 6\n0000000000 65535 f \n";
  for (int i = 0; i < 5; ++i) {
    xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
    pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const qsizetype at = pdf.size();
  pdf += xref + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(at) + "\n%%EOF\n";
  return pdf;
}

// A page that could not be drawn within its budget: grey words saying so on
// white, the page's size. Its picture in `picture`. Empty only when even
// that cannot be encoded.
swf::Bytes PlainPage(QSizeF size, const Options &options, QImage *picture) {
  if (!(size.width() >= 1 && size.height() >= 1)) size = QSizeF(612, 792);
  size = size.boundedTo(QSizeF(14400, 14400));
  const double w = size.width(), h = size.height();
  const QByteArray pdf = PlainPagePdf(w, h);
  QImage image;
  if (const std::unique_ptr<PdfPages> plain = PdfPages::Open(pdf)) {
    RenderLimits limits;
    limits.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    image = plain->Render(0, std::min(72.0, kMaxPagePixels * 72.0 / std::max(w, h)), limits).image;
  }
  if (image.isNull()) {
    image = QImage(std::max(1, static_cast<int>(w)), std::max(1, static_cast<int>(h)), QImage::Format_RGB32);
    image.fill(Qt::white);
  }
  *picture = image;
  return PageMovieFromImage(image, size, options.quality, options.compress);
}

// The page as a checked vector movie, or empty with the reason it is not.
swf::Bytes VectorPage(PdfPages *pages, int index, const Options &options, PageResult *result) {
  if (!pages) {
    result->reason = FallbackReason::NotReadable;
    return {};
  }
  try {
    ReadLimits limits;
    limits.deadline = Deadline(options);
    PageModel model = pages->Read(index, limits);
    if (model.fallback != FallbackReason::None) {
      result->reason = model.fallback;
      return {};
    }
    QString error;
    // Vector movies are always deflated: their shape and glyph records
    // shrink by a third to a half (a JPEG page would not).
    swf::Bytes movie = VectorPageMovie(std::move(model), VectorOptions{options.quality, true}, &error);
    if (movie.empty()) {
      result->reason = FallbackReason::WriterError;
      result->detail = error;
      return {};
    }
    const swf::CheckResult check = swf::CheckMovie(movie);
    if (!check.ok) {
      result->reason = FallbackReason::CheckFailed;
      result->detail = QString::fromStdString(check.error);
      return {};
    }
    return movie;
  } catch (const std::bad_alloc &) {
    result->reason = FallbackReason::OutOfMemory;
    return {};
  }
}

}  // namespace

QString PageKindText(PageKind kind) {
  switch (kind) {
    case PageKind::Vector: return QStringLiteral("vector");
    case PageKind::Bitmap: return QStringLiteral("bitmap");
    case PageKind::Plain: return QStringLiteral("plain");
  }
  return {};
}

QString PageResult::ReportReason() const {
  QString text = FallbackText(reason);
  if (!detail.isEmpty()) text += ": " + detail;
  if (bitmapReason != FallbackReason::None)
    text = (text.isEmpty() ? QString() : text + "; ") + "bitmap: " + FallbackText(bitmapReason);
  return text;
}

PageResult ConvertPage(const PageSources &sources, int index, const Options &options,
                       const std::vector<PageHeading> &headings, bool wantPicture) {
  PageResult result;
  const std::unique_ptr<Poppler::Page> page = sources.doc ? sources.doc->page(index) : nullptr;
  const QSizeF size = page ? page->pageSizeF() : QSizeF();
  if (!options.bitmap) {
    result.kind = PageKind::Vector;
    result.movie = VectorPage(sources.pages, index, options, &result);
  }
  QImage plainPicture;
  if (result.movie.empty() || result.movie.size() > kVectorCompareBytes) {
    const double dpi = options.bitmap ? options.dpi : std::min(1200.0, options.dpi * kFallbackSharpness);
    swf::Bytes bitmap;
    FallbackReason bitmapWhy = FallbackReason::None;
    try {
      if (sources.pages && !page)
        bitmapWhy = FallbackReason::NoSuchPage;
      else if (sources.pages)
        bitmap = BitmapPage(*sources.pages, size, index, options, dpi, &bitmapWhy);
      else if (sources.doc)
        bitmap = UnbudgetedBitmapPage(*sources.doc, index, options, dpi);
    } catch (const std::bad_alloc &) {
      bitmap.clear();
      bitmapWhy = FallbackReason::OutOfMemory;
    }
    const bool usable = !bitmap.empty() && swf::CheckMovie(bitmap).ok;
    if (result.movie.empty() || (usable && bitmap.size() < result.movie.size())) {
      if (!result.movie.empty()) result.reason = FallbackReason::LargerThanBitmap;
      result.movie = usable ? std::move(bitmap) : swf::Bytes{};
      result.kind = PageKind::Bitmap;
    }
    if (result.movie.empty() && bitmapWhy != FallbackReason::None) {
      // Over its budget even as a bitmap: a page that says so.
      result.movie = PlainPage(size, options, &plainPicture);
      result.kind = PageKind::Plain;
      result.bitmapReason = bitmapWhy;
    }
  }
  if (result.movie.empty() || !page) return result;
  try {
    result.side = ReadPageSide(*page, sources.pageCount, headings, result.kind != PageKind::Plain);
    result.sideRead = true;
    if (wantPicture) result.picture = PagePicture(*page, plainPicture);
  } catch (const std::bad_alloc &) {
    result.sideRead = false;
    result.outOfMemory = true;
  }
  return result;
}

}  // namespace lw::pdf2swf
