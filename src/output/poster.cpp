#include "output/poster.h"

#include "fsutil/fsutil.h"
#include "model/sidefiles.h"
#include "output/booknavigation.h"
#include "output/bookpackage.h"
#include "output/packagefile.h"
#include "output/pagepicture.h"
#include "output/pagethumbnail.h"
#include "output/portablebook.h"
#include "themes/colortext.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <memory>

namespace lw {
namespace {

// The player's frame around the book: a margin on every side and the
// control panel's band below. The poster is sized by it here, and book.js
// carries it ("layout") to the page, which lays the poster out by it and
// hands it to the player.
struct PlayerFrame {
  int margin;
  int panel;
};
constexpr PlayerFrame kFrame{12, 40};

QJsonObject frameObject() { return {{"margin", kFrame.margin}, {"panel", kFrame.panel}}; }

constexpr const char *kPosterName = "source/poster.jpg";
constexpr const char *kSettingsName = "source/book.js";
constexpr const char *kSettingsStart = "(window.leafweaver = window.leafweaver || Object()).book = ";

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason) {
  throw PackageError(
      QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason).toStdString());
}

void saveFile(const QString &path, const QByteArray &bytes) {
  if (const QString error = WritePackageFile(path, bytes); !error.isEmpty())
    throw PackageError(error.toStdString());
}

QJsonObject sizeObject(QSize size) {
  return {{"width", size.width()}, {"height", size.height()}};
}

// Encodes `picture` and writes it to `path`; returns its entry for book.js.
QJsonObject savePicture(const QImage &picture, const QString &root, const QString &name) {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  if (!picture.save(&buffer, "JPEG", kPosterJpegQuality)) fail("Cannot encode", root + name, "JPEG");
  saveFile(root + name, jpeg);
  QJsonObject entry = sizeObject(picture.size());
  entry["src"] = name;
  return entry;
}

QByteArray settingsText(const QJsonObject &settings) {
  return "// The book's first view, written with it by Leafweaver: read by index.html\n"
         "// before the player runs.\n" +
         QByteArray(kSettingsStart) + QJsonDocument(settings).toJson(QJsonDocument::Compact) + ";\n";
}

}  // namespace

QSize PlayerPageSize(int bookWidth, int bookHeight, QSize window) {
  if (bookWidth < 1 || bookHeight < 1 || window.width() < 1 || window.height() < 1) return {};
  const double areaW = std::max(10, window.width() - 2 * kFrame.margin);
  const double areaH = std::max(10, window.height() - kFrame.panel - 2 * kFrame.margin);
  const bool single = window.height() > window.width();
  const double scale = std::min(areaW / (single ? bookWidth : 2.0 * bookWidth), areaH / bookHeight);
  return {std::max(1, static_cast<int>(std::lround(bookWidth * scale))),
          std::max(1, static_cast<int>(std::lround(bookHeight * scale)))};
}

QImage DrawPosterPage(const TPageObj &page, QSize size) {
  std::unique_ptr<PdfThumbnailer> pdf;
  const PdfOpener open = [&pdf](const QString &path) -> const PdfThumbnailer * {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return nullptr;
    pdf = std::make_unique<PdfThumbnailer>(f.readAll());
    return pdf->isValid() ? pdf.get() : nullptr;
  };
  QSizeF box;
  const QImage content = DrawPagePicture(PageFilesOf(page), size, open, &box);
  if (content.isNull() || box.isEmpty()) return {};
  // As the player fits the page into its sheet: one scale, centred, to the
  // fraction of a pixel.
  const double s = std::min(size.width() / box.width(), size.height() / box.height());
  const QRectF target((size.width() - box.width() * s) / 2, (size.height() - box.height() * s) / 2,
                      box.width() * s, box.height() * s);
  QImage sheet(size, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, content);
  painter.end();
  return sheet;
}

bool WriteFirstView(const TBookObj &book, const QString &root) {
  const QSize pageSize = PlayerPageSize(book.width, book.height);
  QImage poster;
  if (!book.pageList.empty()) poster = DrawPosterPage(*book.pageList.front(), pageSize);

  QJsonObject settings{{"runtime", kOwnRuntimeAddress},
                       {"page", sizeObject(QSize(book.width, book.height))},
                       {"pageCount", static_cast<int>(book.pageList.size())},
                       {"layout", frameObject()}};
  if (book.rightToLeft) settings["direction"] = "rtl";
  if (book.backgroundType != TBackgroundKind::Image)
    settings["background"] = '#' + ColorToHexText(book.backgroundColor);
  else if (QFileInfo(root + "source/bg.jpg").isFile())
    settings["backgroundImage"] = "source/bg.jpg";
  if (const qint64 bytes = OwnRuntimeBytes(root); bytes > 0) settings["runtimeBytes"] = bytes;
  // The side files the package holds, so that the player asks for no other.
  settings["outline"] = QFileInfo(root + kOutlineName).isFile();
  settings["links"] = QFileInfo(root + kLinksName).isFile();

  // Old pictures go first: a book that shrank or lost its poster keeps none.
  ForceDeleteFile(root + kPosterName);
  for (int n = 2; n <= kFirstViewPages; ++n) ForceDeleteFile(root + FirstViewPictureName(n));
  if (poster.isNull()) {
    settings["poster"] = QJsonValue::Null;
    saveFile(root + kSettingsName, settingsText(settings));
    return false;
  }
  settings["poster"] = savePicture(poster, root, kPosterName);
  // The next pages, which the first view turns to before the player runs;
  // they stop at the first page that cannot be drawn.
  QJsonArray next;
  for (int n = 2; n <= std::min<int>(kFirstViewPages, static_cast<int>(book.pageList.size())); ++n) {
    const QImage picture = DrawPosterPage(*book.pageList[n - 1], pageSize);
    if (picture.isNull()) break;
    next.append(savePicture(picture, root, FirstViewPictureName(n)));
  }
  if (!next.isEmpty()) settings["nextPages"] = next;
  saveFile(root + kSettingsName, settingsText(settings));
  return true;
}

QString FirstViewPictureName(int n) { return QStringLiteral("source/poster-%1.jpg").arg(n); }

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

void SetBookSetting(const QString &root, const QString &key, const QJsonValue &value) {
  const QString path = root + kSettingsName;
  QJsonObject settings = readSettings(path);
  settings[key] = value;
  saveFile(path, settingsText(settings));
}

void UseSharedRuntime(const QString &root, const QString &address) {
  if (!IsRuntimeAddress(address))
    fail("Cannot use", address, "not an http(s) address or a path for the runtime");
  SetBookSetting(root, "runtime", address.endsWith('/') ? address : address + '/');
  const QString own = root + QString(kOwnRuntimeAddress);
  if (QDir(own).exists()) {
    DeleteFolderTree(own);
    if (QDir(own).exists()) fail("Cannot remove", own, "the folder stays");
  }
}

}  // namespace lw
