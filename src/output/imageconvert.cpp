#include "output/imageconvert.h"

#include "model/tbookobj.h"
#include "output/ttransformmatrix.h"

#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

namespace lw {
namespace {

[[noreturn]] void fail(const QString &what) { throw ImageError(what.toStdString()); }

// Decodes `path` by its content (not its name), without colour management
// or orientation changes.
QImage decodeFile(const QString &path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(false);
  QImage image;
  if (!reader.read(&image) || image.isNull())
    fail(QStringLiteral("Cannot read image \"%1\": %2").arg(path, reader.errorString()));
  return image;
}

}  // namespace

QImage ScaleImageToFit(const QImage &image, int width, int height) {
  if (image.isNull()) fail(QStringLiteral("Cannot scale an empty image"));
  if (width < 1 || height < 1)
    fail(QStringLiteral("Cannot fit an image into a box of %1 x %2").arg(width).arg(height));

  const int iw = image.width();
  const int ih = image.height();
  float sx = static_cast<float>(double(width) / iw);
  float sy = static_cast<float>(double(height) / ih);
  const float imageRatio = static_cast<float>(double(iw) / ih);
  const float boxRatio = static_cast<float>(double(width) / height);
  if (imageRatio > boxRatio)
    sy = sx;  // the image is the wider one: its width meets the box
  else
    sx = sy;

  TTransformMatrix matrix;
  matrix.Scale(sx, sy);
  const TRect rect = matrix.GetTransformRect(iw, ih);
  const int outWidth = std::min(rect.Right, width);
  const int outHeight = std::min(rect.Bottom, height);
  if (outWidth < 1 || outHeight < 1)
    fail(QStringLiteral("Cannot fit an image of %1 x %2 into %3 x %4")
             .arg(iw).arg(ih).arg(width).arg(height));

  QImage out(outWidth, outHeight, QImage::Format_RGB32);
  if (out.isNull())
    fail(QStringLiteral("Cannot create an image of %1 x %2").arg(outWidth).arg(outHeight));
  // White shows through where the source is transparent.
  out.fill(Qt::white);
  QPainter painter(&out);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(QRect(rect.Left, rect.Top, outWidth, outHeight), image,
                    QRect(0, 0, iw, ih));
  painter.end();
  return out;
}

QString OutputMimeTypeFor(const QString &sourcePath) {
  const QString ext = ExtensionOfPath(sourcePath).toLower();
  if (ext == QLatin1String(".jpg")) return QStringLiteral("image/jpeg");
  if (ext == QLatin1String(".bmp")) return QStringLiteral("image/bmp");
  return QStringLiteral("image/png");
}

void ConvertImageFile(const QString &source, const QString &target, int width, int height) {
  if (width < 1 || height < 1)
    fail(QStringLiteral("Cannot fit an image into a box of %1 x %2").arg(width).arg(height));
  const QImage image = decodeFile(source);
  // Room for 2x zoom, within the largest bitmap every renderer takes.
  constexpr double kZoomRoom = 2.0;
  constexpr int kLargestSide = 4096;
  const double factor = std::min({kZoomRoom * width / image.width(), kZoomRoom * height / image.height(),
                                  double(kLargestSide) / std::max(image.width(), image.height()), 1.0});
  const QImage scaled = ScaleImageToFit(image, std::max(1, int(std::lround(image.width() * factor))),
                                        std::max(1, int(std::lround(image.height() * factor))));

  const QString mime = OutputMimeTypeFor(source);
  const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mime.toLatin1());
  if (formats.isEmpty())
    fail(QStringLiteral("Cannot write image \"%1\": no encoder for %2").arg(target, mime));

  QSaveFile file(target);
  if (!file.open(QIODevice::WriteOnly))
    fail(QStringLiteral("Cannot write image \"%1\": %2").arg(target, file.errorString()));
  QImageWriter writer(&file, formats.first());
  if (mime == QLatin1String("image/jpeg")) writer.setQuality(90);
  if (!writer.write(scaled)) {
    const QString reason = writer.errorString();
    file.cancelWriting();
    fail(QStringLiteral("Cannot write image \"%1\": %2").arg(target, reason));
  }
  if (!file.commit())
    fail(QStringLiteral("Cannot write image \"%1\": %2").arg(target, file.errorString()));
}

bool GetImageFileSize(const QString &path, int &width, int &height) {
  const QImage image = decodeFile(path);
  width = image.width();
  height = image.height();
  return true;
}

}  // namespace lw
