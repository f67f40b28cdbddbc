#include "output/booknavigation.h"

#include "model/webaddress.h"

#include "fsutil/fsutil.h"
#include "model/conversionnames.h"
#include "model/sidefiles.h"
#include "output/bookpackage.h"
#include "output/outlinetitles.h"
#include "output/packagefile.h"

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

// A converter's side file (at most `limit` bytes of it), or nothing.
QByteArray readSideFile(const QString &path, qint64 limit) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.read(limit) : QByteArray();
}

// Writes `json` to root + name, or removes that file when `json` is `empty`.
void writeOrRemove(const QString &root, const char *name, const QByteArray &json, const char *empty) {
  const QString path = root + name;
  if (json == empty) {
    ForceDeleteFile(path);
    return;
  }
  if (const QString error = WritePackageFile(path, json); !error.isEmpty())
    throw PackageError(error.toStdString());
}

// One PDF's conversion as the book uses it: its outline file, the page file
// of each PDF page shown, the first book page showing each PDF page, and
// every book page showing it.
struct Conversion {
  QString outline;
  std::map<int, QString> pageFile;
  std::map<int, int> firstBookPage;
  std::map<int, std::vector<int>> bookPages;
};

// The conversions whose pages the book shows, in the order their pages first
// appear.
std::vector<Conversion> conversionsOf(const TBookObj &book) {
  std::vector<Conversion> out;
  std::map<QString, size_t> index;
  for (size_t i = 0; i < book.pageList.size(); ++i) {
    const TPageObj &page = *book.pageList[i];
    if (page.fileType != kPageSwf) continue;
    const QString outline = OutlineFileFor(page.filePath);
    const int n = PageNumberOfPageFile(page.filePath);
    if (outline.isEmpty() || n < 1) continue;
    auto [at, added] = index.try_emplace(outline, out.size());
    if (added) out.push_back({outline, {}, {}, {}});
    Conversion &c = out[at->second];
    c.pageFile.try_emplace(n, page.filePath);
    c.firstBookPage.try_emplace(n, static_cast<int>(i) + 1);
    c.bookPages[n].push_back(static_cast<int>(i) + 1);
  }
  return out;
}

}  // namespace

QByteArray BookOutlineJson(const TBookObj &book) {
  QJsonArray out;
  for (const Conversion &c : conversionsOf(book)) {
    const std::vector<OutlineEntry> entries =
        ParseOutlineFile(readSideFile(c.outline, 4 << 20)).value_or(std::vector<OutlineEntry>{});
    for (const OutlineEntry &e : entries) {
      if (out.size() >= kMaxOutlineEntries) break;
      const auto at = c.firstBookPage.find(e.page);
      const QString title = e.title.simplified().left(kMaxOutlineTitle);
      if (at == c.firstBookPage.end() || title.isEmpty()) continue;
      out.append(QJsonObject{{"title", title}, {"level", std::clamp(e.level, 0, 20)}, {"page", at->second}});
    }
  }
  return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

QByteArray BookLinksJson(const TBookObj &book) {
  std::map<int, QJsonArray> pages;
  for (const Conversion &c : conversionsOf(book)) {
    for (const auto &[n, bookPages] : c.bookPages) {
      const std::optional<PageWords> side = ParsePageSide(readSideFile(PageSideFile(c.pageFile.at(n)), 64 << 20));
      if (!side) continue;
      for (const PageLink &l : side->links) {
        QJsonValue to;
        if (l.target > 0) {
          const auto at = c.firstBookPage.find(l.target);
          if (at == c.firstBookPage.end()) continue;
          to = at->second;
        } else {
          const QString url = l.url.trimmed();
          if (!IsOpenableAddress(url)) continue;
          to = url;
        }
        const QJsonArray area{l.x, l.y, l.w, l.h, to};
        for (const int bookPage : bookPages) pages[bookPage].append(area);
      }
    }
  }
  QJsonObject out;
  for (const auto &[page, areas] : pages) out[QString::number(page)] = areas;
  return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

qint64 WriteBookOutline(const TBookObj &book, const QString &root) {
  QJsonArray entries = QJsonDocument::fromJson(BookOutlineJson(book)).array();
  const qint64 pictures = AddTitlePictures(entries, root);
  writeOrRemove(root, kOutlineName, QJsonDocument(entries).toJson(QJsonDocument::Compact), "[]");
  return pictures;
}

void WriteBookLinks(const TBookObj &book, const QString &root) {
  writeOrRemove(root, kLinksName, BookLinksJson(book), "{}");
}

}  // namespace lw
