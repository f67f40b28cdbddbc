#include "output/booknavigation.h"

#include "model/webaddress.h"

#include "fsutil/fsutil.h"
#include "model/conversionnames.h"
#include "output/bookpackage.h"
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

// Bookmarks kept from all PDFs together, and the length of a title.
constexpr int kMaxEntries = 5000;
constexpr int kMaxTitle = 200;

// A converter's JSON array beside a conversion (at most `limit` bytes read),
// or an empty array.
QJsonArray readJsonArray(const QString &path, qint64 limit) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QJsonDocument doc = QJsonDocument::fromJson(f.read(limit));
  return doc.isArray() ? doc.array() : QJsonArray();
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

// One PDF's conversion as the book uses it: the converter's file beside its
// pages, the first book page showing each PDF page, and every book page
// showing it.
struct Conversion {
  QString file;
  std::map<int, int> firstBookPage;
  std::map<int, std::vector<int>> bookPages;
};

// The conversions whose pages the book shows, in the order their pages first
// appear; `fileFor` names the converter's file beside a page file.
std::vector<Conversion> conversionsOf(const TBookObj &book, QString (*fileFor)(const QString &)) {
  std::vector<Conversion> out;
  std::map<QString, size_t> index;
  for (size_t i = 0; i < book.pageList.size(); ++i) {
    const TPageObj &page = *book.pageList[i];
    if (page.fileType != kPageSwf) continue;
    const QString file = fileFor(page.filePath);
    const int n = PageNumberOfPageFile(page.filePath);
    if (file.isEmpty() || n < 1) continue;
    auto [at, added] = index.try_emplace(file, out.size());
    if (added) out.push_back({file, {}, {}});
    Conversion &c = out[at->second];
    c.firstBookPage.try_emplace(n, static_cast<int>(i) + 1);
    c.bookPages[n].push_back(static_cast<int>(i) + 1);
  }
  return out;
}

}  // namespace

QByteArray BookOutlineJson(const TBookObj &book) {
  QJsonArray out;
  for (const Conversion &c : conversionsOf(book, OutlineFileFor)) {
    for (const QJsonValue &v : readJsonArray(c.file, 4 << 20)) {
      if (out.size() >= kMaxEntries) break;
      const QJsonObject e = v.toObject();
      const auto at = c.firstBookPage.find(e.value("page").toInt());
      const QString title = e.value("title").toString().simplified().left(kMaxTitle);
      if (at == c.firstBookPage.end() || title.isEmpty()) continue;
      out.append(QJsonObject{{"title", title}, {"level", std::clamp(e.value("level").toInt(), 0, 20)},
                             {"page", at->second}});
    }
  }
  return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

QByteArray BookLinksJson(const TBookObj &book) {
  std::map<int, QJsonArray> pages;
  for (const Conversion &c : conversionsOf(book, LinksFileFor)) {
    for (const QJsonValue &v : readJsonArray(c.file, 16 << 20)) {
      const QJsonObject l = v.toObject();
      const auto on = c.bookPages.find(l.value("page").toInt());
      if (on == c.bookPages.end()) continue;
      QJsonValue to;
      if (l.contains("target")) {
        const auto at = c.firstBookPage.find(l.value("target").toInt());
        if (at == c.firstBookPage.end()) continue;
        to = at->second;
      } else {
        const QString url = l.value("url").toString().trimmed();
        if (!IsOpenableAddress(url)) continue;
        to = url;
      }
      const QJsonArray area{l.value("x").toDouble(), l.value("y").toDouble(), l.value("w").toDouble(),
                            l.value("h").toDouble(), to};
      for (const int bookPage : on->second) pages[bookPage].append(area);
    }
  }
  QJsonObject out;
  for (const auto &[page, areas] : pages) out[QString::number(page)] = areas;
  return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

void WriteBookOutline(const TBookObj &book, const QString &root) {
  writeOrRemove(root, kOutlineName, BookOutlineJson(book), "[]");
}

void WriteBookLinks(const TBookObj &book, const QString &root) {
  writeOrRemove(root, kLinksName, BookLinksJson(book), "{}");
}

}  // namespace lw
