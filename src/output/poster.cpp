#include "output/poster.h"

#include "fsutil/fsutil.h"
#include "output/bookpackage.h"
#include "swf/swfreader.h"
#include "themes/colortext.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace lw {
namespace {

// The player's frame around the book (Main.layout): a margin on every side
// and the control panel below.
constexpr int kStageMargin = 12;
constexpr int kPanelHeight = 40;

constexpr const char *kPosterName = "source/poster.jpg";
constexpr const char *kSettingsName = "source/book.js";
constexpr const char *kSettingsStart = "window.leafweaverBook = ";

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason) {
  throw PackageError(
      QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason).toStdString());
}

void saveFile(const QString &path, const QByteArray &bytes) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
    fail("Cannot write", path, f.errorString());
}

// The page's picture before it is fitted onto the sheet, and the box the
// player fits (a page movie's stage; an image's own size).
QImage pageContent(const TPageObj &page, QSizeF &box) {
  if (page.fileType != kPageSwf) {
    QImageReader reader(page.filePath);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    box = image.size();
    return image;
  }
  QFile f(page.filePath);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = f.readAll();
  const swf::Bytes movie(bytes.begin(), bytes.end());
  if (const auto bitmap = swf::ExtractPageBitmap(movie)) {
    box = QSizeF(bitmap->stageWidthTwips / 20.0, bitmap->stageHeightTwips / 20.0);
    return QImage::fromData(bitmap->jpeg.data(), static_cast<int>(bitmap->jpeg.size()), "JPEG");
  }
  // A vector page: the picture the converter drew beside it, fitted to the
  // movie's stage.
  const QString picturePath = QString::fromStdString(swf::PagePicturePath(page.filePath.toStdString()));
  QImage picture(picturePath);
  const auto stage = swf::MovieStageSize(movie);
  if (picture.isNull() || !stage) return {};
  box = QSizeF(stage->first / 20.0, stage->second / 20.0);
  return picture;
}

QJsonObject sizeObject(QSize size) {
  return {{"width", size.width()}, {"height", size.height()}};
}

QByteArray settingsText(const QJsonObject &settings) {
  return "// The book's first view, written with it by Leafweaver: read by index.html\n"
         "// before the player runs.\n" +
         QByteArray(kSettingsStart) + QJsonDocument(settings).toJson(QJsonDocument::Compact) + ";\n";
}

}  // namespace

QSize PlayerPageSize(int bookWidth, int bookHeight, QSize window) {
  if (bookWidth < 1 || bookHeight < 1 || window.width() < 1 || window.height() < 1) return {};
  const double areaW = std::max(10, window.width() - 2 * kStageMargin);
  const double areaH = std::max(10, window.height() - kPanelHeight - 2 * kStageMargin);
  const bool single = window.height() > window.width();
  const double scale = std::min(areaW / (single ? bookWidth : 2.0 * bookWidth), areaH / bookHeight);
  return {std::max(1, static_cast<int>(std::lround(bookWidth * scale))),
          std::max(1, static_cast<int>(std::lround(bookHeight * scale)))};
}

QImage DrawPosterPage(const TPageObj &page, QSize size) {
  if (size.isEmpty()) return {};
  QSizeF box;
  const QImage content = pageContent(page, box);
  if (content.isNull() || box.isEmpty()) return {};
  // As the player fits the page into its sheet: one scale, centred.
  const double s = std::min(size.width() / box.width(), size.height() / box.height());
  const QRectF target((size.width() - box.width() * s) / 2, (size.height() - box.height() * s) / 2,
                      box.width() * s, box.height() * s);
  const QImage scaled = content.scaled(std::max(1, static_cast<int>(std::lround(target.width()))),
                                       std::max(1, static_cast<int>(std::lround(target.height()))),
                                       Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage sheet(size, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, scaled);
  painter.end();
  return sheet;
}

bool WriteFirstView(const TBookObj &book, const QString &root) {
  const QSize pageSize = PlayerPageSize(book.width, book.height);
  QImage poster;
  if (!book.pageList.empty()) poster = DrawPosterPage(*book.pageList.front(), pageSize);

  QJsonObject settings{{"runtime", kOwnRuntimeAddress},
                       {"page", sizeObject(QSize(book.width, book.height))}};
  if (book.rightToLeft) settings["direction"] = "rtl";
  if (book.backgroundType != TBackgroundKind::Image)
    settings["background"] = '#' + ColorToHexText(book.backgroundColor);
  else if (QFileInfo(root + "source/bg.jpg").isFile())
    settings["backgroundImage"] = "source/bg.jpg";

  const QString posterPath = root + kPosterName;
  if (poster.isNull()) {
    ForceDeleteFile(posterPath);
    settings["poster"] = QJsonValue::Null;
  } else {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!poster.save(&buffer, "JPEG", kPosterJpegQuality)) fail("Cannot encode", posterPath, "JPEG");
    saveFile(posterPath, jpeg);
    QJsonObject entry = sizeObject(poster.size());
    entry["src"] = kPosterName;
    settings["poster"] = entry;
  }
  saveFile(root + kSettingsName, settingsText(settings));
  return !poster.isNull();
}

// The settings object of an existing book.js at `path`; throws PackageError
// when it is missing or holds none.
static QJsonObject readSettings(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) fail("Cannot read", path, f.errorString());
  const QByteArray text = f.readAll();
  f.close();
  const qsizetype open = text.indexOf('{'), close = text.lastIndexOf('}');
  QJsonParseError error{};
  const QJsonDocument doc =
      open < 0 || close < open ? QJsonDocument() : QJsonDocument::fromJson(text.mid(open, close - open + 1), &error);
  if (!doc.isObject()) fail("Cannot read", path, "no settings object");
  return doc.object();
}

bool IsRuntimeAddress(const QString &address) {
  if (address.isEmpty() || address.contains(QRegularExpression("[\\s\"'<>\\\\]"))) return false;
  const QUrl url(address, QUrl::StrictMode);
  if (!url.isValid() || url.hasQuery() || url.hasFragment()) return false;
  if (url.scheme().isEmpty()) return !address.startsWith("//");
  return (url.scheme() == "http" || url.scheme() == "https") && !url.host().isEmpty();
}

void UseSharedRuntime(const QString &root, const QString &address) {
  if (!IsRuntimeAddress(address))
    fail("Cannot use", address, "not an http(s) address or a path for the runtime");
  const QString path = root + kSettingsName;
  QJsonObject settings = readSettings(path);
  settings["runtime"] = address.endsWith('/') ? address : address + '/';
  saveFile(path, settingsText(settings));
  const QString own = root + QString(kOwnRuntimeAddress);
  if (QDir(own).exists()) {
    DeleteFolderTree(own);
    if (QDir(own).exists()) fail("Cannot remove", own, "the folder stays");
  }
}

}  // namespace lw
