#include "output/bookthumbnails.h"

#include "fsutil/fsutil.h"
#include "output/bookpackage.h"
#include "output/packagefile.h"
#include "output/pagepicture.h"
#include "output/pagethumbnail.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>

namespace lw {
namespace {

constexpr int kLongSide = 120;
constexpr int kQuality = 72;
const QColor kPlaceholder(0xd4, 0xd4, 0xd4);

QByteArray readFile(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

[[noreturn]] void cannotWrite(const QString &path, const QString &reason) {
  throw PackageError(
      QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason).toStdString());
}

qint64 writeFile(const QString &path, const QByteArray &bytes) {
  if (const QString error = WritePackageFile(path, bytes); !error.isEmpty())
    throw PackageError(error.toStdString());
  return bytes.size();
}

}  // namespace

ThumbnailGrid ThumbnailGridFor(int bookWidth, int bookHeight) {
  if (bookWidth <= 0 || bookHeight <= 0) {
    bookWidth = 595;
    bookHeight = 842;
  }
  ThumbnailGrid grid;
  const double f = double(kLongSide) / std::max(bookWidth, bookHeight);
  grid.cell = QSize(std::max(8, int(std::lround(bookWidth * f))), std::max(8, int(std::lround(bookHeight * f))));
  return grid;
}

QByteArray ThumbnailIndexJson(const ThumbnailGrid &grid, int pageCount, const QStringList &sheets) {
  QJsonArray list;
  for (const QString &s : sheets) list.append(s);
  const QJsonObject index{{"version", 1},
                          {"pages", pageCount},
                          {"cell", QJsonArray{grid.cell.width(), grid.cell.height()}},
                          {"columns", grid.columns},
                          {"rows", grid.rows},
                          {"sheets", list}};
  return QJsonDocument(index).toJson(QJsonDocument::Compact);
}

namespace {

// How many pictures the drawing threads may get ahead of the sheets.
constexpr size_t kAhead = 64;

// The picture of `page` fitted into `box` (DrawPagePicture), or a null
// image. `pdfs` holds the PDFs this thread has parsed; `bytesOf` gives a
// PDF's bytes.
QImage pagePicture(const TPageObj &page, QSize box, std::map<QString, std::unique_ptr<PdfThumbnailer>> &pdfs,
                   const std::function<QByteArray(const QString &)> &bytesOf) {
  const PdfOpener open = [&](const QString &path) -> const PdfThumbnailer * {
    auto at = pdfs.find(path);
    if (at == pdfs.end()) at = pdfs.emplace(path, std::make_unique<PdfThumbnailer>(bytesOf(path))).first;
    return at->second->isValid() ? at->second.get() : nullptr;
  };
  return DrawPagePicture(PageFilesOf(page), box, open);
}

}  // namespace

BookThumbnails::BookThumbnails(const TBookObj &book, const QString &root)
    : book_(book), root_(root), grid_(ThumbnailGridFor(book.width, book.height)),
      pictures_(book.pageList.size()), drawn_(book.pageList.size(), 0) {
  ForceDeleteFile(root_ + kThumbnailsName);
  if (QDir(root_ + kThumbnailsFolder).exists()) DeleteFolderTree(root_ + kThumbnailsFolder);
  const size_t count = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
  for (size_t i = 0; i < std::min(count, book.pageList.size()); ++i) threads_.emplace_back([this] { draw(); });
}

BookThumbnails::~BookThumbnails() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread &t : threads_) t.join();
}

QByteArray BookThumbnails::pdfBytes(const QString &path) {
  std::lock_guard lock(mutex_);
  auto at = pdfBytes_.find(path);
  if (at == pdfBytes_.end()) at = pdfBytes_.emplace(path, readFile(path)).first;
  return at->second;
}

// A drawing thread: takes the next page not yet taken, waits while it is
// too far ahead of the sheets, draws it and hands it over.
void BookThumbnails::draw() {
  std::map<QString, std::unique_ptr<PdfThumbnailer>> pdfs;
  const auto bytesOf = [this](const QString &path) { return pdfBytes(path); };
  for (;;) {
    const size_t i = nextToDraw_++;
    if (i >= book_.pageList.size()) return;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || i < taken_ + kAhead; });
      if (stop_) return;
    }
    QImage picture = pagePicture(*book_.pageList[i], grid_.cell, pdfs, bytesOf);
    {
      std::lock_guard lock(mutex_);
      pictures_[i] = std::move(picture);
      drawn_[i] = 1;
    }
    changed_.notify_all();
  }
}

bool BookThumbnails::addNextPage() {
  if (next_ >= book_.pageList.size()) return false;
  if (sheet_.isNull()) {
    sheet_ = QImage(grid_.cell.width() * grid_.columns, grid_.cell.height() * grid_.rows, QImage::Format_RGB32);
    sheet_.fill(Qt::white);
    // 72 dpi, not the screen's: the same book gives the same sheets from the
    // window and from the command line.
    sheet_.setDotsPerMeterX(2835);
    sheet_.setDotsPerMeterY(2835);
  }
  QImage picture;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return drawn_[next_] != 0; });
    picture = std::move(pictures_[next_]);
    pictures_[next_] = QImage();
    taken_ = next_ + 1;
  }
  changed_.notify_all();
  const QPoint corner((inSheet_ % grid_.columns) * grid_.cell.width(), (inSheet_ / grid_.columns) * grid_.cell.height());
  {
    QPainter p(&sheet_);
    if (picture.isNull()) {
      p.fillRect(QRect(corner, grid_.cell), kPlaceholder);
    } else {
      // Centred, as the player centres a page's content on its sheet.
      p.drawImage(corner + QPoint((grid_.cell.width() - picture.width()) / 2,
                                  (grid_.cell.height() - picture.height()) / 2),
                  picture);
    }
  }
  ++next_;
  if (++inSheet_ == grid_.perSheet()) writeSheet();
  return !picture.isNull();
}

void BookThumbnails::writeSheet() {
  if (inSheet_ == 0) return;
  const QString folder = root_ + kThumbnailsFolder;
  if (!QDir().mkpath(folder)) cannotWrite(folder, "the folder cannot be created");
  // The last sheet keeps only the rows it uses.
  const int rows = (inSheet_ + grid_.columns - 1) / grid_.columns;
  const QImage used = rows < grid_.rows ? sheet_.copy(0, 0, sheet_.width(), rows * grid_.cell.height()) : sheet_;
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  const QString name = QString::number(sheets_.size() + 1) + ".jpg";
  if (!used.save(&buffer, "JPEG", kQuality)) cannotWrite(folder + name, "the picture cannot be encoded");
  bytes_ += writeFile(folder + name, jpeg);
  sheets_ << "thumbs/" + name;
  sheet_ = QImage();
  inSheet_ = 0;
}

void BookThumbnails::finish() {
  writeSheet();
  bytes_ += writeFile(root_ + kThumbnailsName,
                      ThumbnailIndexJson(grid_, static_cast<int>(next_), sheets_));
}

}  // namespace lw
