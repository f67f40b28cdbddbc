#include "output/bookoutline.h"

#include "fsutil/fsutil.h"
#include "model/conversionnames.h"
#include "output/bookpackage.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>
#include <vector>

namespace lw {

namespace {

// Bookmarks kept from all PDFs together, and the length of a title.
constexpr int kMaxEntries = 5000;
constexpr int kMaxTitle = 200;

// The converter's outline beside a conversion, or an empty array.
QJsonArray readOutline(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QJsonDocument doc = QJsonDocument::fromJson(f.read(4 << 20));
  return doc.isArray() ? doc.array() : QJsonArray();
}

}  // namespace

QByteArray BookOutlineJson(const TBookObj &book) {
  // Each conversion's outline file, in the order its pages first appear,
  // with the book page of each of its PDF pages (the first one showing it).
  std::vector<QString> order;
  std::map<QString, std::map<int, int>> bookPages;
  for (size_t i = 0; i < book.pageList.size(); ++i) {
    const TPageObj &page = *book.pageList[i];
    if (page.fileType != kPageSwf) continue;
    const QString outline = OutlineFileFor(page.filePath);
    const int n = PageNumberOfPageFile(page.filePath);
    if (outline.isEmpty() || n < 1) continue;
    auto [at, added] = bookPages.try_emplace(outline);
    if (added) order.push_back(outline);
    at->second.try_emplace(n, static_cast<int>(i) + 1);
  }
  QJsonArray out;
  for (const QString &file : order) {
    const std::map<int, int> &pages = bookPages[file];
    for (const QJsonValue &v : readOutline(file)) {
      if (out.size() >= kMaxEntries) break;
      const QJsonObject e = v.toObject();
      const auto at = pages.find(e.value("page").toInt());
      const QString title = e.value("title").toString().simplified().left(kMaxTitle);
      if (at == pages.end() || title.isEmpty()) continue;
      out.append(QJsonObject{{"title", title}, {"level", std::clamp(e.value("level").toInt(), 0, 20)},
                             {"page", at->second}});
    }
  }
  return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

void WriteBookOutline(const TBookObj &book, const QString &root) {
  const QString path = root + kOutlineName;
  const QByteArray json = BookOutlineJson(book);
  if (json == "[]") {
    ForceDeleteFile(path);
    return;
  }
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(json) != json.size() || !f.flush())
    throw PackageError(QStringLiteral("Cannot write %1: %2")
                           .arg(QDir::toNativeSeparators(path), f.errorString())
                           .toStdString());
}

}  // namespace lw
