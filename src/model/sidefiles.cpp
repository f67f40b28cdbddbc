#include "model/sidefiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace lw {

namespace {

QString withExtension(const QString &pageFile, const QString &extension) {
  const qsizetype slash = pageFile.lastIndexOf('/');
  const qsizetype dot = pageFile.lastIndexOf('.');
  const bool hasExtension = dot >= 0 && dot > slash + 1;
  return (hasExtension ? pageFile.left(dot) : pageFile) + extension;
}

double tenths(double v) { return std::round(v * 10) / 10 + 0.0; }
double share(double v) { return std::round(v * 10000) / 10000 + 0.0; }

// The JSON object of a side file of kSideFilesVersion, or none.
std::optional<QJsonObject> versioned(const QByteArray &bytes) {
  const QJsonDocument doc = QJsonDocument::fromJson(bytes);
  if (!doc.isObject() || doc.object().value("version").toInt() != kSideFilesVersion) return std::nullopt;
  return doc.object();
}

// Four numbers from `a` on: a box.
bool readBox(const QJsonArray &a, double *x, double *y, double *w, double *h) {
  double *const out[4] = {x, y, w, h};
  for (int k = 0; k < 4; ++k) {
    if (!a.at(k).isDouble()) return false;
    *out[k] = a.at(k).toDouble();
  }
  return true;
}

}  // namespace

QString PageSideFile(const QString &pageFile) { return withExtension(pageFile, QStringLiteral(".page.json")); }

QString PagePictureFile(const QString &pageFile) { return withExtension(pageFile, QStringLiteral(".jpg")); }

QString OutlineFileFor(const QString &pageFile) {
  static const QRegularExpression re(QStringLiteral("^(.*)_[1-9][0-9]{0,8}\\.swf$"),
                                     QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = re.match(pageFile);
  return m.hasMatch() ? m.captured(1) + QStringLiteral("_outline.json") : QString();
}

QByteArray PageSideJson(const PageWords &page) {
  QJsonArray words, headings, links;
  for (const PageWord &w : page.words)
    words.append(QJsonArray{tenths(w.x), tenths(w.y), tenths(w.width), tenths(w.height), w.text});
  for (const PageHeading &h : page.headings) headings.append(QJsonArray{h.level, h.title});
  for (const PageLink &l : page.links) {
    if (links.size() >= kMaxPageLinks) break;
    links.append(QJsonArray{share(l.x), share(l.y), share(l.w), share(l.h),
                            l.target > 0 ? QJsonValue(l.target) : QJsonValue(l.url)});
  }
  const QJsonObject root{{"version", kSideFilesVersion}, {"width", tenths(page.width)},
                         {"height", tenths(page.height)}, {"words", words},
                         {"headings", headings}, {"links", links}};
  return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<PageWords> ParsePageSide(const QByteArray &bytes) {
  const std::optional<QJsonObject> root = versioned(bytes);
  if (!root || !root->value("width").isDouble() || !root->value("height").isDouble()) return std::nullopt;
  PageWords page;
  page.width = root->value("width").toDouble();
  page.height = root->value("height").toDouble();
  for (const QJsonValue &v : root->value("words").toArray()) {
    const QJsonArray a = v.toArray();
    PageWord w;
    if (a.size() != 5 || !readBox(a, &w.x, &w.y, &w.width, &w.height) || !a.at(4).isString()) continue;
    w.text = a.at(4).toString();
    page.words.push_back(std::move(w));
  }
  for (const QJsonValue &v : root->value("headings").toArray()) {
    const QJsonArray a = v.toArray();
    if (a.size() == 2 && a.at(0).toInt() >= 1 && a.at(1).isString())
      page.headings.push_back({a.at(0).toInt(), a.at(1).toString()});
  }
  for (const QJsonValue &v : root->value("links").toArray()) {
    const QJsonArray a = v.toArray();
    PageLink l;
    if (a.size() != 5 || !readBox(a, &l.x, &l.y, &l.w, &l.h)) continue;
    if (a.at(4).isString())
      l.url = a.at(4).toString();
    else if ((l.target = a.at(4).toInt()) < 1)
      continue;
    page.links.push_back(std::move(l));
  }
  return page;
}

QByteArray OutlineFileJson(const std::vector<OutlineEntry> &entries) {
  QJsonArray list;
  for (const OutlineEntry &e : entries) {
    if (list.size() >= kMaxOutlineEntries) break;
    list.append(QJsonObject{{"title", e.title.left(kMaxOutlineTitle)}, {"level", e.level}, {"page", e.page}});
  }
  return QJsonDocument(QJsonObject{{"version", kSideFilesVersion}, {"outline", list}}).toJson(QJsonDocument::Compact);
}

std::optional<std::vector<OutlineEntry>> ParseOutlineFile(const QByteArray &bytes) {
  const std::optional<QJsonObject> root = versioned(bytes);
  if (!root) return std::nullopt;
  std::vector<OutlineEntry> entries;
  for (const QJsonValue &v : root->value("outline").toArray()) {
    const QJsonObject e = v.toObject();
    entries.push_back({e.value("title").toString(), e.value("level").toInt(), e.value("page").toInt()});
  }
  return entries;
}

}  // namespace lw
