#include "output/bookpackage.h"

#include "fsutil/fsutil.h"
#include "output/booktext.h"
#include "output/booknavigation.h"
#include "output/bookthumbnails.h"
#include "output/imageconvert.h"
#include "output/packagefile.h"
#include "output/pagepicture.h"
#include "output/portablebook.h"
#include "output/poster.h"
#include "output/textpictures.h"
#include "pdf/pdflanguage.h"
#include "swf/swfmovie.h"
#include "swf/swfreader.h"
#include "themes/colortext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <pugixml.hpp>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <stdio.h>
#include <filesystem>
#include <system_error>

namespace lw {
namespace {

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason) {
  throw PackageError(QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason)
                         .toStdString());
}

// Copies a file over `to`, reporting why when it cannot. (The standard
// library copies in the kernel; QFile::copy is several times slower.)
void copyOver(const QString &from, const QString &to) {
  if (!QFileInfo(from).isFile()) fail("Cannot copy", from, "the file does not exist");
  std::error_code ec;
  std::filesystem::copy_file(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(),
                             std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) fail("Cannot copy", from + " to " + to, QString::fromStdString(ec.message()));
}

void writeBytes(const QString &path, const QByteArray &bytes) {
  if (const QString error = WritePackageFile(path, bytes); !error.isEmpty())
    throw PackageError(error.toStdString());
}

QByteArray readBytes(const QString &path, const QString &what) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) fail("Cannot read " + what, path, f.errorString());
  return f.readAll();
}

// Sets or adds an attribute, keeping the order in which attributes were
// first set.
void setAttr(pugi::xml_node node, const char *name, const QString &value) {
  pugi::xml_attribute a = node.attribute(name);
  if (!a) a = node.append_attribute(name);
  a.set_value(value.toUtf8().constData());
}

void setPageListAttributes(pugi::xml_node content, const TBookObj &book, const QString &width,
                           const QString &height) {
  setAttr(content, "width", width);
  setAttr(content, "height", height);
  if (book.backgroundType != TBackgroundKind::Image) setAttr(content, "bgcolor", ColorToHexText(book.backgroundColor));
  setAttr(content, "loadercolor", "ffffff");
  setAttr(content, "panelcolor", ColorToHexText(book.panelColor));
  setAttr(content, "buttoncolor", ColorToHexText(book.buttonColor));
  setAttr(content, "textcolor", "ffffff");
}

void saveXml(const pugi::xml_document &doc, const QString &path) {
  struct Collect : pugi::xml_writer {
    QByteArray bytes;
    void write(const void *data, size_t size) override {
      bytes.append(static_cast<const char *>(data), static_cast<qsizetype>(size));
    }
  } out;
  doc.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
  writeBytes(path, out.bytes);
}

// Background: a colour book has no bg.jpg; an image book gets its image
// copied byte for byte (whatever its format); a missing image leaves what is
// there.
void writeBackground(const TBookObj &book, const QString &root) {
  const QString target = root + "source/bg.jpg";
  if (book.backgroundType != TBackgroundKind::Image) {
    ForceDeleteFile(target);
  } else if (!book.backgroundImage.isEmpty() && QFileInfo(book.backgroundImage).isFile()) {
    // Decoded and encoded anew: whatever file a book names, only a picture
    // of the book's size is published.
    try {
      WriteBackgroundJpeg(book.backgroundImage, target, book.width, book.height);
    } catch (const std::exception &e) {
      throw PackageError(e.what());
    }
  }
}

enum class Encoding { Utf8, Utf16Le, Utf16Be };

// Books are written into a hidden folder of this name and the writer's
// process id beside their final place, and renamed into it when whole.
const QString kWritingPrefix = QStringLiteral(".leafweaver-writing-");

// Removes the writing folders under `folder` that processes which have
// ended left behind (a run killed while writing).
void removeDeadWritings(const QString &folder) {
  const QStringList names = QDir(folder).entryList({kWritingPrefix + "*"}, QDir::Dirs | QDir::Hidden);
  for (const QString &name : names) {
    bool ok = false;
    const qint64 pid = name.mid(kWritingPrefix.size()).section('-', 0, 0).toLongLong(&ok);
    if (ok && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      DeleteFolderTree(JoinPath(folder, name));
  }
}

// A new, empty writing folder of this process under `folder` (made with its
// parents).
QString makeWritingFolder(const QString &folder) {
  if (!QDir().mkpath(folder)) fail("Cannot create", folder, "the folder cannot be created");
  removeDeadWritings(folder);
  static std::atomic<int> serial{0};
  for (int tries = 0; tries < 1000; ++tries) {
    const QString root = JoinPath(folder, kWritingPrefix + QString::number(::getpid()) + '-' +
                                              QString::number(++serial));
    if (QDir().mkdir(root)) return root;
    if (!QFileInfo::exists(root)) fail("Cannot create", root, "the folder cannot be created");
  }
  fail("Cannot create", folder, "no writing folder could be made");
}

// Renames the whole book `written` to `name` under `folder`, or `name` +
// "_2", "_3", ... when that is taken: never over another folder, and two
// writers in the same second never share one.
QString moveIntoPlace(const QString &written, const QString &folder, const QString &name) {
  const QByteArray from = QFile::encodeName(written);
  for (int n = 1; n < 10000; ++n) {
    const QString root = JoinPath(folder, n == 1 ? name : name + '_' + QString::number(n));
    const QByteArray to = QFile::encodeName(root);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return root;
    if (errno == EEXIST || errno == ENOTEMPTY) continue;
    // A file system without the flag: a name that is free, then a plain rename.
    if (errno == EINVAL && !QFileInfo::exists(root) && ::rename(from.constData(), to.constData()) == 0)
      return root;
    if (errno != EINVAL) fail("Cannot create", root, QString::fromLocal8Bit(std::strerror(errno)));
  }
  fail("Cannot create", JoinPath(folder, name), "every numbered name is taken");
}

// What the converter read of a page movie's page; nothing when its side
// file is missing or does not read.
PageWords readPageWords(const QString &pageFile) {
  QFile f(PageSideFile(pageFile));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return ParsePageSide(f.readAll()).value_or(PageWords{});
}

// The language of the book: the one the PDF of its first PDF page names,
// else the one its text's script tells; empty when neither does.
QString BookLanguage(const TBookObj &book, const BookText &text) {
  for (const auto &page : book.pageList) {
    const PageFiles files = PageFilesOf(*page);
    if (files.sourcePage < 1) continue;
    QFile pdf(files.source);
    if (!pdf.open(QIODevice::ReadOnly)) break;
    const QByteArray bytes = pdf.readAll();
    const std::string named =
        ReadPdfLanguage(reinterpret_cast<const std::uint8_t *>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    if (!named.empty()) return QString::fromStdString(named);
    break;
  }
  return BookTextLanguage(text);
}

}  // namespace

bool IsCompletePageFile(const QString &path, TPageKind fileType) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  if (fileType != kPageSwf) return file.size() > 0;
  const QByteArray bytes = file.readAll();
  // The header gives the whole movie's length once uncompressed; a cut-off
  // deflated body does not inflate to it. An LZMA body is not unpacked.
  swf::MovieReadOptions options;
  options.acceptLzma = true;
  options.exactLength = true;
  options.readFrame = false;
  return swf::MovieReader(swf::Bytes(bytes.begin(), bytes.end()), options).ok();
}

QStringList IncompletePages(const TBookObj &book) {
  QStringList missing;
  for (size_t i = 0; i < book.pageList.size(); ++i) {
    const TPageObj &page = *book.pageList[i];
    if (!IsCompletePageFile(page.filePath, page.fileType))
      missing << QStringLiteral("page %1 (%2)").arg(i + 1).arg(QDir::toNativeSeparators(page.filePath));
  }
  return missing;
}

QString PackageFolderName(const QDateTime &when) {
  return "Quirell_" + when.toString("yyyy-MM-dd_HHmmss");
}

QString SafeFolderName(const QString &title) {
  QString name;
  name.reserve(title.size());
  bool space = false;
  for (const QChar c : title) {
    // Separators and what file systems or shells of any desktop refuse or
    // read specially; control characters.
    const bool refused = c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("/\\:*?\"<>|").contains(c);
    if (c.isSpace() || refused) {
      space = !name.isEmpty();
      continue;
    }
    if (space) name += ' ';
    space = false;
    name += c;
  }
  // No hidden folder, no "." or "..", no name a desktop trims away.
  while (name.startsWith('.')) name.remove(0, 1);
  while (name.endsWith('.')) name.chop(1);
  name = name.trimmed();
  // 80 characters at most, not cutting a surrogate pair in two.
  if (name.size() > 80) {
    name.truncate(name.at(79).isHighSurrogate() ? 79 : 80);
    name = name.trimmed();
  }
  return name;
}

QString BookFolderName(const QString &title, const QDateTime &when) {
  const QString name = SafeFolderName(title);
  return name.isEmpty() ? PackageFolderName(when) : name;
}

QString PublishedBookOfTitle(const QString &folder, const QString &title) {
  const QString name = SafeFolderName(title);
  if (name.isEmpty()) return {};
  const QString root = JoinPath(folder, name);
  return IsBookPackage(root) ? root : QString();
}

bool IsBookPackage(const QString &root) {
  return QFileInfo(JoinPath(root, "index.html")).isFile() &&
         QFileInfo(JoinPath(root, "source/Pages.xml")).isFile();
}

QString EscapeHtml(const QString &text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    switch (c.unicode()) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

QByteArray FillPageTemplate(const QByteArray &templateBytes, const QString &title,
                            const QString &keywords, const QString &description) {
  return FillPageTemplate(templateBytes, title, keywords, description, PageAdditions{});
}

QByteArray FillPageTemplate(const QByteArray &templateBytes, const QString &title,
                            const QString &keywords, const QString &description,
                            const PageAdditions &additions) {
  Encoding enc = Encoding::Utf8;
  QByteArray mark;
  if (templateBytes.startsWith("\xEF\xBB\xBF")) {
    mark = templateBytes.left(3);
  } else if (templateBytes.startsWith("\xFF\xFE")) {
    enc = Encoding::Utf16Le;
    mark = templateBytes.left(2);
  } else if (templateBytes.startsWith("\xFE\xFF")) {
    enc = Encoding::Utf16Be;
    mark = templateBytes.left(2);
  }
  const QStringConverter::Encoding qtEnc = enc == Encoding::Utf16Le   ? QStringConverter::Utf16LE
                                           : enc == Encoding::Utf16Be ? QStringConverter::Utf16BE
                                                                      : QStringConverter::Utf8;
  QStringDecoder decode(qtEnc, QStringConverter::Flag::Stateless);
  QString text = decode(templateBytes.mid(mark.size()));

  text.replace("{title}", EscapeHtml(title), Qt::CaseInsensitive);
  text.replace("{keywords}", EscapeHtml(keywords), Qt::CaseInsensitive);
  text.replace("{description}", EscapeHtml(description), Qt::CaseInsensitive);

  // The additions in one pass, so that nothing they bring in (a page's text
  // holding "{title}") is read again.
  {
    static const QRegularExpression placeholder(QStringLiteral("\\{(opengraph|booktext|lang|dir)\\}"),
                                                QRegularExpression::CaseInsensitiveOption);
    QString filled;
    filled.reserve(text.size() + additions.body.size() + additions.head.size());
    qsizetype from = 0;
    for (auto it = placeholder.globalMatch(text); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      filled += QStringView(text).mid(from, m.capturedStart() - from);
      const QString name = m.captured(1).toLower();
      filled += name == QLatin1String("opengraph") ? additions.head
                : name == QLatin1String("booktext") ? additions.body
                : name == QLatin1String("lang")     ? EscapeHtml(additions.language)
                                                    : EscapeHtml(additions.direction);
      from = m.capturedEnd();
    }
    filled += QStringView(text).mid(from);
    text = filled;
  }

  // Line by line: CR, LF and CR LF end a line; every line is written with
  // CR LF, and a final line break does not make an extra empty line.
  QString out;
  out.reserve(text.size() + text.size() / 16);
  qsizetype start = 0;
  const qsizetype n = text.size();
  while (start < n) {
    qsizetype end = start;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    out += QStringView(text).mid(start, end - start);
    out += QLatin1String("\r\n");
    if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  QStringEncoder encode(qtEnc, QStringConverter::Flag::Stateless);
  return mark + QByteArray(encode(out));
}

void WriteEmptyPreview(const TBookObj &book, const TSysSetInfo &paths) {
  if (QDir(paths.PreviewPath).exists()) DeleteFolderTree(paths.PreviewPath);
  QDir().mkdir(paths.PreviewPath);
  CopyFolderTree(paths.ResPath, paths.PreviewPath, ".*");
  writeBackground(book, paths.PreviewPath);

  const QString listPath = paths.PreviewPath + "source/Pages.xml";
  pugi::xml_document doc;
  const QByteArray bytes = readBytes(listPath, "the sample page list");
  const pugi::xml_parse_result parsed =
      doc.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()),
                      pugi::parse_default | pugi::parse_declaration);
  if (!parsed || !doc.document_element())
    fail("Cannot read the sample page list", listPath, QString::fromUtf8(parsed.description()));
  setPageListAttributes(doc.document_element(), book, "368", "450");
  saveXml(doc, listPath);
  WriteSamplePage(book, paths);
}

void WriteSamplePage(const TBookObj &book, const TSysSetInfo &paths) {
  PageAdditions additions;
  if (book.rightToLeft) additions.direction = QStringLiteral("rtl");
  const QByteArray page = FillPageTemplate(readBytes(paths.ResPath + "index.html", "the page template"),
                                           book.titleStr, book.keywordStr, book.desStr, additions);
  writeBytes(paths.PreviewPath + "index.html", page);
}

QString WriteBookPackage(const TBookObj &book, const TSysSetInfo &paths, bool isPreview,
                         const QString &folder, const QDateTime &now, QString *createdRoot,
                         const PageWrittenFn &onPage) {
  if (book.pageList.empty()) {
    if (isPreview) WriteEmptyPreview(book, paths);
    return {};
  }

  // A book is written whole or not at all: every page file must be there
  // and complete before anything is touched.
  if (const QStringList missing = IncompletePages(book); !missing.isEmpty()) {
    const QString shown = missing.mid(0, 5).join(", ") +
                          (missing.size() > 5 ? QStringLiteral(" and %1 more").arg(missing.size() - 5) : "");
    throw PackageError(QStringLiteral("%1 of the book's %2 pages are missing or incomplete: %3")
                           .arg(missing.size())
                           .arg(book.pageList.size())
                           .arg(shown)
                           .toStdString());
  }

  QString root;
  if (isPreview) {
    root = paths.PreviewPath;
  } else {
    // Written whole in a folder of its own, and only then given its name:
    // a run that stops half-way leaves no book under that name.
    root = makeWritingFolder(folder);
    if (createdRoot) *createdRoot = root;
    CopyFolderTree(paths.ResPath, root, ".*");
    root += '/';
    TrimOwnRuntime(root);
  }

  writeBackground(book, root);

  const QString listPath = root + "source/Pages.xml";
  const QString pagesDir = root + "pages/";
  ForceDeleteFile(listPath);
  if (QDir(pagesDir).exists()) DeleteFolderTree(pagesDir);
  QDir().mkdir(pagesDir);

  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "utf-8";
  pugi::xml_node content = doc.append_child("content");
  setPageListAttributes(content, book, QString::number(book.width), QString::number(book.height));

  BookThumbnails thumbnails(book, root);
  std::vector<PageWords> pageWords(book.pageList.size());
  BookText bookText(book.pageList.size());
  std::vector<PageMarks> marks(book.pageList.size());
  QStringList pageImages;
  for (size_t i = 0; i < book.pageList.size(); ++i) {
    const TPageObj &page = *book.pageList[i];
    const QString name = QString::number(i + 1) + page.exeName;
    pageImages << (page.fileType == kPageSwf ? QString() : "pages/" + name);
    if (page.fileType == kPageSwf) {
      copyOver(page.filePath, pagesDir + name);
      pageWords[i] = readPageWords(page.filePath);
      bookText[i] = PageParagraphs(pageWords[i]);
      marks[i] = MarksOfPage(pageWords[i]);
    } else {
      try {
        ConvertImageFile(page.filePath, pagesDir + name, book.width, book.height);
      } catch (const std::exception &e) {
        throw PackageError(e.what());
      }
    }
    content.append_child("page").append_attribute("src") = ("pages/" + name).toUtf8().constData();
    thumbnails.addNextPage();
    if (onPage) onPage(static_cast<int>(i) + 1, static_cast<int>(book.pageList.size()));
  }
  saveXml(doc, listPath);
  thumbnails.finish();

  copyOver(paths.AppPathStr + kPlayerMovieName, root + "turnleaf.swf");

  // Stored compressed: served as it is by any server, unpacked by the page.
  const QByteArray textJson = GzipBytes(BookTextJson(pageWords));
  if (textJson.isEmpty()) throw PackageError("Cannot compress the book's text");
  writeBytes(root + "source/text.json.gz", textJson);

  // Before the first view, whose book.js says which of them the book holds.
  WriteBookOutline(book, root);
  WriteBookLinks(book, root);
  const bool poster = WriteFirstView(book, root);
  if (pageImages.front().isEmpty() && poster) pageImages.front() = "source/poster.jpg";
  // The first view's pictures of the next pages show in the text view too.
  for (int n = 2; poster && n <= std::min<int>(kFirstViewPages, pageImages.size()); ++n)
    if (pageImages[n - 1].isEmpty() && QFileInfo(root + FirstViewPictureName(n)).isFile())
      pageImages[n - 1] = FirstViewPictureName(n);
  // The pages the text view cannot show as text, as pictures.
  WriteTextPictures(book, pageWords, root, pageImages);
  PageAdditions additions;
  if (const QString language = BookLanguage(book, bookText); !language.isEmpty()) additions.language = language;
  if (book.rightToLeft) additions.direction = QStringLiteral("rtl");
  const QString description = book.desStr.isEmpty() ? BookTextOpening(bookText, 200) : book.desStr;
  additions.head = "<meta property=\"og:type\" content=\"book\">\n"
                   "<meta property=\"og:title\" content=\"" + EscapeHtml(book.titleStr) + "\">\n"
                   "<meta property=\"og:description\" content=\"" + EscapeHtml(description) + "\">";
  if (!pageImages.front().isEmpty())
    additions.head += "\n<meta property=\"og:image\" content=\"" + EscapeHtml(pageImages.front()) + "\">";
  std::vector<QSize> imageSizes;
  for (const QString &picture : pageImages)
    imageSizes.push_back(picture.isEmpty() ? QSize() : QImageReader(root + picture).size());
  additions.body = BookTextHtml(bookText, pageImages, marks, imageSizes);
  const QByteArray page = FillPageTemplate(readBytes(paths.ResPath + "index.html", "the page template"),
                                           book.titleStr, book.keywordStr, book.desStr, additions);
  writeBytes(root + "index.html", page);
  if (isPreview) return root;
  if (book.portable) MakePortable(root);

  // After the title; a title whose folder is taken gets the date too.
  const QString name = BookFolderName(book.titleStr, now);
  const QString dated = name + '_' + now.toString("yyyy-MM-dd_HHmmss");
  const bool taken = name != PackageFolderName(now) && QFileInfo::exists(JoinPath(folder, name));
  const QString placed = moveIntoPlace(QDir::cleanPath(root), QDir::cleanPath(QDir(folder).absolutePath()),
                                       taken ? dated : name);
  if (createdRoot) *createdRoot = placed;
  return placed + '/';
}

QString ReplaceBookPackage(const TBookObj &book, const TSysSetInfo &paths, const QString &root,
                           const QDateTime &now, const PageWrittenFn &onPage) {
  const QFileInfo old(QDir::cleanPath(root));
  if (!IsBookPackage(old.absoluteFilePath()))
    fail("Cannot replace", old.absoluteFilePath(), "it holds no published book");
  // The new book is written whole beside the old one, in a hidden folder of
  // the same file system, so that the exchange is one rename.
  const QString staging = makeWritingFolder(old.absolutePath());
  QString created;
  QString fresh;
  try {
    fresh = WriteBookPackage(book, paths, false, staging, now, &created, onPage);
  } catch (...) {
    DeleteFolderTree(staging);
    throw;
  }
  const std::string from = QFile::encodeName(QDir::cleanPath(fresh)).toStdString();
  const std::string to = QFile::encodeName(old.absoluteFilePath()).toStdString();
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) != 0) {
    // A file system without the exchange: the old book steps aside first,
    // and comes back if the new one cannot take its place.
    const QString aside = JoinPath(staging, ".old");
    if (!QDir().rename(old.absoluteFilePath(), aside)) {
      DeleteFolderTree(staging);
      fail("Cannot replace", old.absoluteFilePath(), "the folder cannot be renamed");
    }
    if (!QDir().rename(QDir::cleanPath(fresh), old.absoluteFilePath())) {
      QDir().rename(aside, old.absoluteFilePath());
      DeleteFolderTree(staging);
      fail("Cannot replace", old.absoluteFilePath(), "the new book cannot be renamed into its place");
    }
  }
  DeleteFolderTree(staging);  // now holding the old book
  return old.absoluteFilePath() + '/';
}

}  // namespace lw
