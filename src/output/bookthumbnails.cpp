#include "output/bookthumbnails.h"

#include "fsutil/fsutil.h"
#include "output/bookpackage.h"
#include "output/pagethumbnail.h"
#include "swf/swfreader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <algorithm>
#include <cmath>

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
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
    cannotWrite(path, f.errorString());
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

BookThumbnails::BookThumbnails(const TBookObj &book, const QString &root)
    : book_(book), root_(root), grid_(ThumbnailGridFor(book.width, book.height)) {
  ForceDeleteFile(root_ + kThumbnailsName);
  if (QDir(root_ + kThumbnailsFolder).exists()) DeleteFolderTree(root_ + kThumbnailsFolder);
}

BookThumbnails::~BookThumbnails() = default;

QImage BookThumbnails::pagePicture(const TPageObj &page, QSize box) {
  if (!page.sourcePath.isEmpty() && page.sourcePage > 0) {
    auto at = pdfs_.find(page.sourcePath);
    if (at == pdfs_.end())
      at = pdfs_.emplace(page.sourcePath, std::make_unique<PdfThumbnailer>(readFile(page.sourcePath))).first;
    if (QImage picture = at->second->render(page.sourcePage, box); !picture.isNull()) return picture;
  }
  const QByteArray bytes = readFile(page.filePath);
  if (page.fileType == kPageImage) return ImageThumbnail(bytes, box);
  // A bitmap page carries its picture as a JPEG.
  const swf::Bytes movie(bytes.begin(), bytes.end());
  if (const auto bitmap = swf::ExtractPageBitmap(movie)) {
    return ImageThumbnail(QByteArray(reinterpret_cast<const char *>(bitmap->jpeg.data()),
                                     static_cast<qsizetype>(bitmap->jpeg.size())),
                          box);
  }
  return {};
}

bool BookThumbnails::addNextPage() {
  if (next_ >= book_.pageList.size()) return false;
  if (sheet_.isNull()) {
    sheet_ = QImage(grid_.cell.width() * grid_.columns, grid_.cell.height() * grid_.rows, QImage::Format_RGB32);
    sheet_.fill(Qt::white);
  }
  const QImage picture = pagePicture(*book_.pageList[next_], grid_.cell);
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
