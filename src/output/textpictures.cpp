#include "output/textpictures.h"

#include "output/bookpackage.h"
#include "output/packagefile.h"
#include "output/poster.h"

#include "swf/swfmovie.h"

#include "fsutil/fsutil.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

#include <cmath>

namespace lw {

bool MovieHoldsPicture(const QByteArray &movie, qsizetype minBytes) {
  swf::MovieReadOptions options;
  const swf::MovieReader reader(swf::Bytes(movie.begin(), movie.end()), options);
  if (!reader.ok()) return false;
  swf::TagWalker tags = reader.Tags();
  swf::MovieTag tag;
  qsizetype bytes = 0;
  while (tags.Next(tag)) {
    // DefineBits, DefineBitsLossless, DefineBitsJPEG2, 3, Lossless2, JPEG4.
    if (tag.code == 6 || tag.code == 20 || tag.code == 21 || tag.code == 35 || tag.code == 36 || tag.code == 90)
      bytes += static_cast<qsizetype>(tag.length);
    if (bytes >= minBytes) return true;
  }
  return false;
}

QString TextPictureName(int n) { return QStringLiteral("source/pictures/%1.jpg").arg(n); }

qint64 WriteTextPictures(const TBookObj &book, const std::vector<PageWords> &words, const QString &root,
                         QStringList &pictures) {
  if (book.width < 1 || book.height < 1) return 0;
  const QSize size(kTextPictureWidth,
                   std::max(1, static_cast<int>(std::lround(double(kTextPictureWidth) * book.height / book.width))));
  // A book written again over its folder (the preview) keeps no old picture.
  if (QDir(root + "source/pictures").exists()) DeleteFolderTree(root + "source/pictures");
  qint64 written = 0;
  for (size_t i = 0; i < book.pageList.size() && i < size_t(pictures.size()); ++i) {
    const TPageObj &page = *book.pageList[i];
    if (page.fileType != kPageSwf || !pictures[qsizetype(i)].isEmpty()) continue;
    if (i < words.size() && !words[i].words.empty()) {
      QFile movie(page.filePath);
      if (!movie.open(QIODevice::ReadOnly) || !MovieHoldsPicture(movie.readAll())) continue;
    }
    const QImage picture = DrawPosterPage(page, size);
    if (picture.isNull()) continue;
    const QString name = TextPictureName(static_cast<int>(i) + 1);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "JPEG", kTextPictureJpegQuality))
      throw PackageError(("Cannot encode " + root + name + ": JPEG").toStdString());
    QDir().mkpath(root + "source/pictures");
    if (const QString problem = WritePackageFile(root + name, jpeg); !problem.isEmpty())
      throw PackageError(problem.toStdString());
    written += jpeg.size();
    pictures[qsizetype(i)] = name;
  }
  return written;
}

}  // namespace lw
