#include "model/bookdocument.h"

#include "model/conversionnames.h"
#include "model/pageimport.h"

#include <QDir>
#include <cmath>
#include <QFileInfo>
#include <optional>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

namespace lw {
namespace {

QString colorText(TColor c) {
  return QStringLiteral("#%1%2%3")
      .arg(c & 0xFF, 2, 16, QChar('0'))
      .arg((c >> 8) & 0xFF, 2, 16, QChar('0'))
      .arg((c >> 16) & 0xFF, 2, 16, QChar('0'))
      .toUpper();
}

std::optional<TColor> colorOf(const QString &text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  bool ok = false;
  const uint rgb = text.mid(1).toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

// A field of the wrong kind ends the reading with this message.
struct Damaged {
  QString what;
};

QString stringField(const QJsonObject &o, const char *key, const QString &where) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isUndefined()) return QString();
  if (!v.isString()) throw Damaged{QStringLiteral("\"%1\"%2 is not a text").arg(key, where)};
  QString text = v.toString();
  if (text.size() > kMaxBookTextLength)
    throw Damaged{QStringLiteral("\"%1\"%2 is longer than %3 characters").arg(key, where).arg(kMaxBookTextLength)};
  return text;
}

int intField(const QJsonObject &o, const char *key, int fallback, int low, int high,
             const QString &where) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isUndefined()) return fallback;
  const double d = v.toDouble(-1e300);
  // In range before it becomes an int: a larger double has no int.
  if (!v.isDouble() || !(d >= low && d <= high) || d != std::floor(d))
    throw Damaged{QStringLiteral("\"%1\"%2 is not a whole number from %3 to %4")
                      .arg(key, where).arg(low).arg(high)};
  return static_cast<int>(d);
}

TColor colorField(const QJsonObject &o, const char *key, TColor fallback) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isUndefined()) return fallback;
  const auto c = colorOf(v.toString());
  if (!c) throw Damaged{QStringLiteral("\"%1\" is not a colour written #RRGGBB").arg(key)};
  return *c;
}

QString existingPath(const QString &absolute, const QString &relative, const QString &bookFolder) {
  if (!absolute.isEmpty() && QFileInfo(absolute).isFile()) return absolute;
  if (!relative.isEmpty() && !bookFolder.isEmpty()) {
    const QString there = QDir::cleanPath(QDir(bookFolder).absoluteFilePath(relative));
    if (QFileInfo(there).isFile()) return there;
  }
  return QString();
}

}  // namespace

BookDocument DocumentOfBook(const TBookObj &book, const TFileList &library, bool sizeEdited) {
  BookDocument doc;
  doc.settings = book.Copy();
  doc.settings.pageList.clear();
  doc.sizeEdited = sizeEdited;
  QHash<QString, int> index;
  auto sourceIndex = [&](const QString &path) {
    const auto it = index.constFind(path);
    if (it != index.constEnd()) return *it;
    doc.sources.push_back(BookSource{path});
    return index[path] = static_cast<int>(doc.sources.size()) - 1;
  };
  for (const auto &file : library) {
    BookSource &s = doc.sources[static_cast<size_t>(sourceIndex(file->filePath))];
    s.range = file->rangeStr;
    s.checked = file->isChecked;
  }
  for (const auto &page : book.pageList) {
    // A page added by path alone is its own source.
    const QString source = page->sourcePath.isEmpty() ? page->filePath : page->sourcePath;
    doc.pages.push_back(BookPage{sourceIndex(source), page->sourcePage});
  }
  return doc;
}

QByteArray SerializeBookDocument(const BookDocument &doc, const QString &bookFolder) {
  const TBookObj &b = doc.settings;
  const QDir folder(bookFolder);
  QJsonObject root;
  root["format"] = QLatin1String(kBookFormatName);
  root["version"] = kBookFormatVersion;
  root["title"] = b.titleStr;
  root["keywords"] = b.keywordStr;
  root["description"] = b.desStr;
  root["theme"] = b.themeStr;
  root["background"] = b.backgroundType == TBackgroundKind::Image ? "image" : "color";
  root["backgroundImage"] = b.backgroundImage;
  root["backgroundColor"] = colorText(b.backgroundColor);
  root["buttonColor"] = colorText(b.buttonColor);
  root["panelColor"] = colorText(b.panelColor);
  root["width"] = b.width;
  root["height"] = b.height;
  root["sizeChosen"] = doc.sizeEdited;
  root["direction"] = b.rightToLeft ? "rtl" : "ltr";
  root["portable"] = b.portable;
  QJsonArray sources;
  for (const BookSource &s : doc.sources) {
    QJsonObject o;
    o["path"] = s.path;
    if (!bookFolder.isEmpty()) o["relativePath"] = folder.relativeFilePath(s.path);
    o["range"] = s.range;
    o["checked"] = s.checked;
    sources.append(o);
  }
  root["sources"] = sources;
  QJsonArray pages;
  for (const BookPage &p : doc.pages) {
    QJsonObject o;
    o["source"] = p.source;
    if (p.page > 0) o["page"] = p.page;
    pages.append(o);
  }
  root["pages"] = pages;
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<BookDocument> ParseBookDocument(const QByteArray &bytes, const QString &bookFolder,
                                              QString &error) {
  if (bytes.size() > kMaxBookFileBytes) {
    error = BookFileTooLarge(bytes.size());
    return std::nullopt;
  }
  QJsonParseError parse;
  const QJsonDocument json = QJsonDocument::fromJson(bytes, &parse);
  if (json.isNull()) {
    error = QStringLiteral("is damaged: it is not readable JSON (%1 at byte %2)")
                .arg(parse.errorString())
                .arg(parse.offset);
    return std::nullopt;
  }
  const QJsonObject root = json.object();
  if (!json.isObject() || root.value("format").toString() != QLatin1String(kBookFormatName)) {
    error = QStringLiteral("is not a Leafweaver book");
    return std::nullopt;
  }
  const QJsonValue version = root.value("version");
  if (!version.isDouble() || version.toDouble() != version.toInt()) {
    error = QStringLiteral("is damaged: it has no format version");
    return std::nullopt;
  }
  if (version.toInt() > kBookFormatVersion) {
    error = QStringLiteral("was saved by a newer Leafweaver (book format %1); this program reads "
                           "format %2 and cannot open it")
                .arg(version.toInt())
                .arg(kBookFormatVersion);
    return std::nullopt;
  }
  if (version.toInt() < 1) {
    error = QStringLiteral("has the book format %1, which this program does not know")
                .arg(version.toInt());
    return std::nullopt;
  }
  try {
    BookDocument doc;
    TBookObj &b = doc.settings;
    b.titleStr = stringField(root, "title", {});
    b.keywordStr = stringField(root, "keywords", {});
    b.desStr = stringField(root, "description", {});
    b.themeStr = stringField(root, "theme", {});
    const QString background = stringField(root, "background", {});
    if (background != "image" && background != "color" && !background.isEmpty())
      throw Damaged{QStringLiteral("\"background\" is neither \"image\" nor \"color\"")};
    b.backgroundType = background == "image" ? TBackgroundKind::Image : TBackgroundKind::Color;
    b.backgroundImage = stringField(root, "backgroundImage", {});
    if (b.backgroundImage.contains(QChar(0)))
      throw Damaged{QStringLiteral("the background image's path holds a null character")};
    // A book stored without a colour had the old default, white.
    b.backgroundColor = colorField(root, "backgroundColor", kWhite);
    b.buttonColor = colorField(root, "buttonColor", kWhite);
    b.panelColor = colorField(root, "panelColor", kWhite);
    b.width = intField(root, "width", b.width, 1, 9999, {});
    b.height = intField(root, "height", b.height, 1, 9999, {});
    doc.sizeEdited = root.value("sizeChosen").toBool(false);
    const QString direction = stringField(root, "direction", {});
    if (direction != "rtl" && direction != "ltr" && !direction.isEmpty())
      throw Damaged{QStringLiteral("\"direction\" is neither \"ltr\" nor \"rtl\"")};
    b.rightToLeft = direction == "rtl";
    b.portable = root.value("portable").toBool(false);
    if (!root.value("sources").isArray() || !root.value("pages").isArray())
      throw Damaged{QStringLiteral("\"sources\" or \"pages\" is missing")};
    const QJsonArray sources = root.value("sources").toArray();
    const QJsonArray pages = root.value("pages").toArray();
    if (sources.size() > kMaxBookSources)
      throw Damaged{QStringLiteral("it lists %1 source files, more than the %2 a book may have")
                        .arg(sources.size())
                        .arg(kMaxBookSources)};
    if (pages.size() > kMaxBookPages)
      throw Damaged{QStringLiteral("it lists %1 pages, more than the %2 a book may have")
                        .arg(pages.size())
                        .arg(kMaxBookPages)};
    doc.sources.reserve(static_cast<size_t>(sources.size()));
    doc.pages.reserve(static_cast<size_t>(pages.size()));
    for (qsizetype i = 0; i < sources.size(); ++i) {
      const QString where = QStringLiteral(" of source %1").arg(i + 1);
      if (!sources[i].isObject()) throw Damaged{QStringLiteral("source %1 is not an entry").arg(i + 1)};
      const QJsonObject o = sources[i].toObject();
      BookSource s;
      s.path = stringField(o, "path", where);
      if (s.path.isEmpty()) throw Damaged{QStringLiteral("source %1 has no path").arg(i + 1)};
      const QString relative = stringField(o, "relativePath", where);
      if (s.path.contains(QChar(0)) || relative.contains(QChar(0)))
        throw Damaged{QStringLiteral("the path of source %1 holds a null character").arg(i + 1)};
      // A relative path is the book's own folder's, never the working one's.
      if (QDir::isRelativePath(s.path) && !bookFolder.isEmpty())
        s.path = QDir::cleanPath(QDir(bookFolder).absoluteFilePath(s.path));
      const QString found = existingPath(s.path, relative, bookFolder);
      s.missing = found.isEmpty();
      if (!s.missing) s.path = found;
      s.range = stringField(o, "range", where);
      if (s.range.isEmpty()) s.range = QStringLiteral("All");
      s.checked = o.value("checked").toBool(false);
      doc.sources.push_back(s);
    }
    for (qsizetype i = 0; i < pages.size(); ++i) {
      const QString where = QStringLiteral(" of page %1").arg(i + 1);
      if (!pages[i].isObject()) throw Damaged{QStringLiteral("page %1 is not an entry").arg(i + 1)};
      const QJsonObject o = pages[i].toObject();
      BookPage p;
      p.source = intField(o, "source", -1, 0, kMaxPdfPageCount, where);
      if (p.source < 0) throw Damaged{QStringLiteral("page %1 names no source").arg(i + 1)};
      if (p.source >= static_cast<int>(doc.sources.size()))
        throw Damaged{QStringLiteral("page %1 names source %2, but only %3 are listed")
                          .arg(i + 1)
                          .arg(p.source)
                          .arg(doc.sources.size())};
      p.page = intField(o, "page", 0, 0, kMaxPdfPageCount, where);
      doc.pages.push_back(p);
    }
    return doc;
  } catch (const Damaged &d) {
    error = QStringLiteral("is damaged: ") + d.what;
    return std::nullopt;
  }
}

OpenedBook OpenBookDocument(const BookDocument &doc, const QString &tempPath) {
  OpenedBook opened;
  opened.book = doc.settings.Copy();
  opened.book.pageList.clear();
  for (const BookSource &s : doc.sources) {
    auto file = std::make_shared<TFileObj>(s.path);
    file->rangeStr = s.range;
    file->isChecked = s.checked;
    if (s.missing) file->problemStr = QStringLiteral("is missing");
    opened.library.push_back(file);
  }
  // Each source's conversion folder once, not once a page.
  std::vector<std::optional<ConversionNames>> names(opened.library.size());
  for (const BookPage &p : doc.pages) {
    const auto index = static_cast<size_t>(p.source);
    const TFileObj &file = *opened.library[index];
    const bool pdfPage = file.fileType == kFilePdf && p.page > 0;
    if (pdfPage && !names[index]) names[index] = ConversionNamesFor(tempPath, file.filePath);
    const QString path = pdfPage ? names[index]->PageFile(p.page) : file.filePath;
    auto page = std::make_unique<TPageObj>(path);
    page->fileType = pdfPage ? kPageSwf : kPageImage;
    page->showName = pdfPage ? SwfPageShowName(path) : FileNameOfPath(path);
    page->sourcePath = file.filePath;
    page->sourcePage = pdfPage ? p.page : 0;
    opened.book.pageList.push_back(std::move(page));
  }
  return opened;
}

QStringList MissingSources(const TBookObj &book) {
  QStringList missing;
  QSet<QString> seen;  // each source looked at once
  for (const auto &page : book.pageList) {
    const QString source = page->sourcePath.isEmpty() ? page->filePath : page->sourcePath;
    if (seen.contains(source)) continue;
    seen.insert(source);
    if (!QFileInfo(source).isFile()) missing << source;
  }
  return missing;
}

QStringList PagesOutsideTheirSource(const BookDocument &doc, const TFileList &library) {
  QStringList problems;
  for (size_t i = 0; i < doc.pages.size() && problems.size() < 5; ++i) {
    const BookPage &p = doc.pages[i];
    if (p.source < 0 || static_cast<size_t>(p.source) >= library.size()) continue;
    const TFileObj &file = *library[static_cast<size_t>(p.source)];
    if (file.fileType != kFilePdf) {
      if (p.page > 0)
        problems << QStringLiteral("page %1 names page %2 of the picture %3").arg(i + 1).arg(p.page).arg(file.showName);
    } else if (p.page < 1) {
      problems << QStringLiteral("page %1 names no page of the PDF %2").arg(i + 1).arg(file.showName);
    } else if (file.count > 0 && p.page > file.count) {
      problems << QStringLiteral("page %1 names page %2 of %3, which has %4")
                      .arg(i + 1)
                      .arg(p.page)
                      .arg(file.showName)
                      .arg(file.count);
    }
  }
  return problems;
}

QString BookFileTooLarge(qint64 size) {
  return QStringLiteral("is too large for a book file (%1 MB; at most %2 MB)")
      .arg((size + (1 << 20) - 1) >> 20)
      .arg(kMaxBookFileBytes >> 20);
}

TFileList SourcesToConvert(const TBookObj &book, const TFileList &library) {
  QSet<QString> wanted;
  for (const auto &page : book.pageList)
    if (page->fileType == kPageSwf && !QFileInfo(page->filePath).isFile() &&
        QFileInfo(page->sourcePath).isFile())
      wanted.insert(page->sourcePath);
  TFileList files;
  for (const auto &file : library)
    if (file->fileType == kFilePdf && wanted.contains(file->filePath)) files.push_back(file);
  return files;
}

bool RelocateSource(BookDocument &doc, const QString &from, const QString &to) {
  bool found = false;
  for (BookSource &source : doc.sources) {
    if (source.path != from) continue;
    source.path = to;
    source.missing = !QFileInfo(to).isFile();
    found = true;
  }
  return found;
}

std::vector<int> BookPagesOfSource(const TBookObj &book, const QString &sourcePath) {
  std::vector<int> pages;
  for (const auto &page : book.pageList) {
    if (page->fileType != kPageSwf || page->sourcePath != sourcePath) continue;
    // A page from before pages knew their PDF page has it in its file name.
    const int n = page->sourcePage > 0 ? page->sourcePage : PageNumberOfPageFile(page->filePath);
    if (n > 0) pages.push_back(n);
  }
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  return pages;
}

}  // namespace lw
