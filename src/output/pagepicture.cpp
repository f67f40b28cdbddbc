#include "output/pagepicture.h"

#include "model/sidefiles.h"

#include "output/pagethumbnail.h"
#include "swf/swfmovie.h"
#include "swf/swfreader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace lw {
namespace {

QByteArray readFile(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

// The stage of `movie` in twips; empty when the movie cannot be read.
QSizeF stageOf(const swf::Bytes &movie) {
  const swf::MovieReader reader(movie);
  const swf::Rect &f = reader.head().frame;
  if (!reader.ok() || f.xMax <= f.xMin || f.yMax <= f.yMin) return {};
  return QSizeF(f.xMax - f.xMin, f.yMax - f.yMin);
}

// `bytes` decoded and scaled to `stage` fitted into `box`: stretched to the
// stage's proportions, as the player stretches a page's picture.
QImage stretched(const QByteArray &bytes, QSizeF stage, QSize box) {
  if (bytes.isEmpty() || stage.isEmpty()) return {};
  const double f = std::min(box.width() / stage.width(), box.height() / stage.height());
  const QSize size(std::max(1, static_cast<int>(std::lround(stage.width() * f))),
                   std::max(1, static_cast<int>(std::lround(stage.height() * f))));
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer);
  // A thumbnail is decoded small where the codec can (JPEG), which is fast;
  // a larger picture whole and scaled smoothly, as the player scales it (the
  // codec's own scaling lies half a pixel off).
  const QSize full = reader.size();
  if (full.width() >= 4 * size.width() && full.height() >= 4 * size.height()) reader.setScaledSize(size);
  const QImage image = reader.read();
  if (image.isNull() || image.size() == size) return image;
  return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

namespace {

QImage pictureOf(const PageFiles &files, QSize box, const PdfOpener &openPdf, QSizeF *stageOut) {
  if (box.isEmpty()) return {};
  if (!files.movie.isEmpty()) {
    const QByteArray bytes = readFile(files.movie);
    const swf::Bytes movie(bytes.begin(), bytes.end());
    const QSizeF stage = stageOf(movie);
    if (stageOut) *stageOut = stage;
    if (const auto bitmap = swf::ExtractPageBitmap(movie)) {
      const QByteArray jpeg(reinterpret_cast<const char *>(bitmap->jpeg.data()),
                            static_cast<qsizetype>(bitmap->jpeg.size()));
      if (QImage picture = stretched(jpeg, stage, box); !picture.isNull()) return picture;
    }
    const QString beside = PagePictureFile(files.movie);
    if (QImage picture = stretched(readFile(beside), stage, box); !picture.isNull()) return picture;
    if (stageOut) *stageOut = QSizeF();
  }
  if (files.sourcePage > 0) {
    const PdfThumbnailer *pdf = openPdf ? openPdf(files.source) : nullptr;
    return pdf ? pdf->render(files.sourcePage, box) : QImage();
  }
  return files.source.isEmpty() ? QImage() : ImageThumbnail(readFile(files.source), box);
}

}  // namespace

PageFiles PageFilesOf(const TPageObj &page) {
  if (page.fileType != kPageSwf) return {{}, page.filePath, 0};
  return {page.filePath, page.sourcePath, page.sourcePath.isEmpty() ? 0 : page.sourcePage};
}

QImage DrawPagePicture(const PageFiles &files, QSize box, const PdfOpener &openPdf, QSizeF *stage) {
  if (stage) *stage = QSizeF();
  QImage picture = pictureOf(files, box, openPdf, stage);
  if (stage && !picture.isNull() && stage->isEmpty()) *stage = picture.size();
  return picture;
}

}  // namespace lw
