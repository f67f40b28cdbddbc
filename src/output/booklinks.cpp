#include "output/booklinks.h"

#include "fsutil/fsutil.h"
#include "model/conversionnames.h"
#include "output/bookpackage.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <vector>

namespace lw {

namespace {

constexpr int kMaxAddress = 2000;

QJsonArray readLinks(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QJsonDocument doc = QJsonDocument::fromJson(f.read(16 << 20));
  return doc.isArray() ? doc.array() : QJsonArray();
}

bool isOpenable(const QString &url) {
  const QString lower = url.toLower();
  return (lower.startsWith("http://") || lower.startsWith("https://") || lower.startsWith("mailto:")) &&
         url.size() <= kMaxAddress;
}

}  // namespace

QByteArray BookLinksJson(const TBookObj &book) {
  // Per links file: the book page of each PDF page (the first showing it)
  // and every book page showing it.
  struct Source {
    std::map<int, int> firstBookPage;
    std::map<int, std::vector<int>> bookPages;
  };
  std::map<QString, Source> sources;
  for (size_t i = 0; i < book.pageList.size(); ++i) {
    const TPageObj &page = *book.pageList[i];
    if (page.fileType != kPageSwf) continue;
    const QString file = LinksFileFor(page.filePath);
    const int n = PageNumberOfPageFile(page.filePath);
    if (file.isEmpty() || n < 1) continue;
    Source &s = sources[file];
    s.firstBookPage.try_emplace(n, static_cast<int>(i) + 1);
    s.bookPages[n].push_back(static_cast<int>(i) + 1);
  }
  std::map<int, QJsonArray> pages;
  for (const auto &[file, s] : sources) {
    for (const QJsonValue &v : readLinks(file)) {
      const QJsonObject l = v.toObject();
      const auto on = s.bookPages.find(l.value("page").toInt());
      if (on == s.bookPages.end()) continue;
      QJsonValue to;
      if (l.contains("target")) {
        const auto at = s.firstBookPage.find(l.value("target").toInt());
        if (at == s.firstBookPage.end()) continue;
        to = at->second;
      } else {
        const QString url = l.value("url").toString().trimmed();
        if (!isOpenable(url)) continue;
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

void WriteBookLinks(const TBookObj &book, const QString &root) {
  const QString path = root + kLinksName;
  const QByteArray json = BookLinksJson(book);
  if (json == "{}") {
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
