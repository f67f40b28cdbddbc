#include "output/autobooksize.h"

#include "model/booksizes.h"
#include "output/imageconvert.h"
#include "output/pagethumbnail.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace lw {

QSize LimitBookSize(int w, int h) {
  if (w <= kAutoSizeLimit && h <= kAutoSizeLimit) return {w, h};
  const double s = w < h ? double(h) / kAutoSizeLimit : double(w) / kAutoSizeLimit;
  // nearbyint rounds halves to even under the default rounding mode.
  return {static_cast<int>(std::nearbyint(w / s)), static_cast<int>(std::nearbyint(h / s))};
}

QSize AutoBookSizeFor(const TFileObj &first) {
  if (first.fileType == kFilePdf) {
    QFile file(first.filePath);
    const PdfThumbnailer pdf(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    const QSizeF points = pdf.pageSize(1);
    if (points.isEmpty()) return PdfBookSize();
    return LimitBookSize(std::max(1, static_cast<int>(std::lround(points.width()))),
                         std::max(1, static_cast<int>(std::lround(points.height()))));
  }
  int w = 0, h = 0;
  GetImageFileSize(first.filePath, w, h);
  return LimitBookSize(w, h);
}

}  // namespace lw
