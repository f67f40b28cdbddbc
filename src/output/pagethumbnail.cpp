#include "pagethumbnail.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <poppler-qt6.h>

#include <algorithm>
#include <cmath>

namespace lw {
namespace {

// `size` scaled by one factor to fit `box`; at least 1 x 1.
QSize FittedSize(QSizeF size, QSize box) {
  const double f = std::min(box.width() / size.width(), box.height() / size.height());
  return QSize(std::max(1, int(std::floor(size.width() * f))),
               std::max(1, int(std::floor(size.height() * f))));
}

// `image` on white, scaled smoothly to exactly `size`.
QImage OnWhite(const QImage &image, QSize size) {
  QImage out(size, QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(QRect(QPoint(0, 0), size), image);
  return out;
}

}  // namespace

PdfThumbnailer::PdfThumbnailer(const QByteArray &pdf) {
  // A damaged PDF is the caller's to report (isValid); Poppler's own
  // complaints would only reach the terminal.
  static const bool quiet = [] {
    Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
    return true;
  }();
  (void)quiet;
  doc_ = Poppler::Document::loadFromData(pdf);
  if (!doc_ || doc_->isLocked()) {
    doc_.reset();
    return;
  }
  doc_->setRenderHint(Poppler::Document::Antialiasing, true);
  doc_->setRenderHint(Poppler::Document::TextAntialiasing, true);
}

PdfThumbnailer::~PdfThumbnailer() = default;

bool PdfThumbnailer::isValid() const { return doc_ != nullptr; }

int PdfThumbnailer::pageCount() const { return doc_ ? doc_->numPages() : 0; }

QSizeF PdfThumbnailer::pageSize(int number) const {
  if (!doc_ || number < 1 || number > doc_->numPages()) return {};
  const std::unique_ptr<Poppler::Page> page = doc_->page(number - 1);
  if (!page) return {};
  const QSizeF points = page->pageSizeF();  // rotation applied
  return points.width() > 0 && points.height() > 0 ? points : QSizeF();
}

QImage PdfThumbnailer::render(int number, QSize box) const {
  if (!doc_ || box.isEmpty() || number < 1 || number > doc_->numPages()) return {};
  const std::unique_ptr<Poppler::Page> page = doc_->page(number - 1);
  if (!page) return {};
  const QSizeF points = page->pageSizeF();  // rotation applied
  if (points.width() <= 0 || points.height() <= 0) return {};
  const QSize size = FittedSize(points, box);
  // Rendered at the resolution that gives `size`, then fitted exactly (the
  // page's pixel size is rounded by Poppler).
  const double dpi = 72.0 * std::min(size.width() / points.width(), size.height() / points.height());
  const QImage image = page->renderToImage(dpi, dpi);
  if (image.isNull()) return {};
  return OnWhite(image, size);
}

QImage ImageThumbnail(const QByteArray &bytes, QSize box) {
  if (box.isEmpty() || bytes.isEmpty()) return {};
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  const QSize full = reader.size();
  if (full.isValid() && !full.isEmpty()) {
    QSize size = FittedSize(reader.transformation() & QImageIOHandler::TransformationRotate90
                                ? full.transposed() : full, box);
    // The codec decodes straight to the small size where it can (JPEG).
    reader.setScaledSize(reader.transformation() & QImageIOHandler::TransformationRotate90
                             ? size.transposed() : size);
  }
  const QImage image = reader.read();
  if (image.isNull()) return {};
  return OnWhite(image, FittedSize(image.size(), box));
}

}  // namespace lw
