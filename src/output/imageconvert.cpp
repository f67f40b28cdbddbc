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

// Writes `image` to `target` through a temporary file renamed into place
// (the target is left as it was on failure), in `format` at `quality`
// (-1: the encoder's own). Throws ImageError naming the target.
void writeImage(const QImage &image, const QString &target, const QByteArray &format, int quality) {
  QSaveFile file(target);
  if (!file.open(QIODevice::WriteOnly))
    fail(QStringLiteral("Cannot write image \"%1\": %2").arg(target, file.errorString()));
  QImageWriter writer(&file, format);
  writer.setQuality(quality);
  if (!writer.write(image)) {
    const QString reason = writer.errorString();
    file.cancelWriting();
    fail(QStringLiteral("Cannot write image \"%1\": %2").arg(target, reason));
  }
  if (!file.commit())
    fail(QStringLiteral("Cannot write image \"%1\": %2").arg(target, file.errorString()));
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

  writeImage(scaled, target, formats.first(), mime == QLatin1String("image/jpeg") ? 90 : -1);
}

bool GetImageFileSize(const QString &path, int &width, int &height) {
  const QImage image = decodeFile(path);
  width = image.width();
  height = image.height();
  return true;
}

QString PictureFileProblem(const QString &path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  const QByteArray format = reader.format();
  if (format != "png" && format != "jpeg" && format != "bmp")
    return QStringLiteral("is not a PNG, JPEG or BMP picture");
  const QSize size = reader.size();
  if (!size.isValid()) return QStringLiteral("is a damaged picture");
  if (qint64(size.width()) * size.height() > kMaxPicturePixels)
    return QStringLiteral("is too large a picture (%1 x %2 pixels; at most %3 million)")
        .arg(size.width())
        .arg(size.height())
        .arg(kMaxPicturePixels / 1000000);
  return {};
}

void WriteBackgroundJpeg(const QString &source, const QString &target, int width, int height) {
  if (const QString problem = PictureFileProblem(source); !problem.isEmpty())
    fail(QStringLiteral("The background image \"%1\" %2").arg(source, problem));
  if (width < 1 || height < 1)
    fail(QStringLiteral("Cannot fit an image into a box of %1 x %2").arg(width).arg(height));
  const QImage image = decodeFile(source);
  // Never larger than twice the book (the page around the book shows it),
  // never enlarged.
  const double factor = std::min({2.0 * width / image.width(), 2.0 * height / image.height(), 1.0});
  QImage scaled = ScaleImageToFit(image, std::max(1, int(std::lround(image.width() * factor))),
                                  std::max(1, int(std::lround(image.height() * factor))));
  // The same bytes from the window and the publisher, whatever the screen.
  scaled.setDotsPerMeterX(3780);
  scaled.setDotsPerMeterY(3780);
  writeImage(scaled, target, "jpeg", 85);
}

}  // namespace lw
