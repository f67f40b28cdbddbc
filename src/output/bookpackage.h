// Writes a book as a package folder that a browser opens through its
// index.html: the player movie turnleaf.swf, the page list source/Pages.xml,
// the background source/bg.jpg and the page files under pages/. The same
// writer serves the preview (into the preview folder) and publishing (into a
// new folder under a folder the user chose).
#pragma once

#include "model/tbookobj.h"
#include "model/uconst.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

namespace lw {

// A package could not be written: an unreadable page image, a package file
// that cannot be written, a missing template. The message names the file and
// the reason.
class PackageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Quirell_" + the date and time as YYYY-MM-DD_hhmmss.
QString PackageFolderName(const QDateTime &when);

// `title` as a folder name: characters that separate folders or that file
// systems refuse become spaces, spaces are folded, leading and trailing dots
// and spaces go, at most 80 characters. Empty when nothing usable is left.
QString SafeFolderName(const QString &title);

// The folder a book is published into: its title as SafeFolderName gives
// it, or PackageFolderName(when) for a title with nothing usable.
QString BookFolderName(const QString &title, const QDateTime &when);

// True when the folder `root` holds a published book (index.html and
// source/Pages.xml); false otherwise.
bool IsBookPackage(const QString &root);

// The folder under `folder` where a book titled `title` was published
// before (its title's folder, holding a published book): what publishing
// again may replace. Empty when there is none or the title gives no name.
QString PublishedBookOfTitle(const QString &folder, const QString &title);

// Writes `book` as a package. With `isPreview` the package root is the
// preview folder and `folder` is ignored; otherwise a new folder named by
// BookFolderName(title, now) is made under `folder` (made with its
// parents); a title's name that is taken gets "_" and the date and time
// too, and when that is taken, "_2", "_3", ... is appended, so no book is
// ever written over another (ReplaceBookPackage replaces one on purpose). A book without pages rebuilds the empty preview
// (WriteEmptyPreview) when previewing and writes nothing when publishing.
// Before anything is written every page file must be complete
// (IsCompletePageFile); otherwise PackageError names the pages and nothing
// is touched. A published book is written whole into a hidden folder
// beside its place and renamed into it at the end, so a run stopped
// half-way (even killed) leaves nothing under the book's name; writing
// folders of processes that have ended are removed by the next writer. The
// folder being written goes to `createdRoot` as soon as it is made, so that
// a caller can remove it after a failure, and the book's folder after the
// rename.
// Every page also gets a thumbnail (bookthumbnails.h: sheets under
// source/thumbs/ and source/thumbnails.json), drawn as the page is written.
// `onPage` hears of each page written (on the writer's thread).
// The words the converter left beside each page movie (booktext.h) become
// source/text.json.gz and the text in index.html, with Open Graph title,
// description and image (the poster of the first page) in its head.
// Returns the package root with a trailing "/", or an empty string when no
// package was written (publishing an empty book). Throws PackageError; files
// written before the failure stay.
using PageWrittenFn = std::function<void(int done, int total)>;
QString WriteBookPackage(const TBookObj &book, const TSysSetInfo &paths, bool isPreview,
                         const QString &folder,
                         const QDateTime &now = QDateTime::currentDateTime(),
                         QString *createdRoot = nullptr, const PageWrittenFn &onPage = {});

// Publishes `book` in place of the book published at `root`: the new book
// is written whole into a hidden folder beside it, then exchanged with the
// old one in one rename (two where the file system has no exchange) and the
// old one removed, so that readers see either book, never a mix. Returns the
// root with a trailing "/". Throws PackageError when `root` holds no
// published book or the new one cannot be written or put in place; the old
// book is then as it was and nothing of the new one is left.
QString ReplaceBookPackage(const TBookObj &book, const TSysSetInfo &paths, const QString &root,
                           const QDateTime &now = QDateTime::currentDateTime(),
                           const PageWrittenFn &onPage = {});

// True when the page file at `path` is there and whole: a movie
// (kPageSwf) must have an SWF signature and exactly the length its header
// gives, a deflated ("CWS") one once inflated; an image must not be empty.
// False otherwise.
bool IsCompletePageFile(const QString &path, TPageKind fileType);

// The pages of `book` whose files are missing or incomplete, each as
// "page N (path)"; empty when every page is complete.
QStringList IncompletePages(const TBookObj &book);

// Resets the preview folder to a copy of the resource folder and sets the
// sample page list's size (368 x 450) and colours from `book`, and its page
// filled in (WriteSamplePage). Throws PackageError when the sample page list
// or the page cannot be read or written.
void WriteEmptyPreview(const TBookObj &book, const TSysSetInfo &paths);

// Writes the preview folder's index.html from the page template with the
// texts of `book` and nothing for the book's own additions, so that no
// placeholder of the template shows. Throws PackageError when the template
// cannot be read or the page written.
void WriteSamplePage(const TBookObj &book, const TSysSetInfo &paths);

// The page template with "{title}", "{keywords}" and "{description}"
// replaced (in that order, every occurrence, any letter case) by the
// HTML-escaped texts. The encoding follows the byte-order mark (UTF-8,
// UTF-16 LE or BE; none means UTF-8) and is kept, mark included; every line
// ends with CR LF. Never fails.
QByteArray FillPageTemplate(const QByteArray &templateBytes, const QString &title,
                            const QString &keywords, const QString &description);

// What a book adds to its page beyond the three texts: `head` replaces
// "{opengraph}" (meta elements for link previews) and `body` replaces
// "{booktext}" (the book's text as HTML), both as they are, not escaped;
// `language` (a language tag) replaces "{lang}" and `direction` ("ltr" or
// "rtl") "{dir}", both escaped.
struct PageAdditions {
  QString head;
  QString body;
  QString language = QStringLiteral("en");
  QString direction = QStringLiteral("ltr");
};

// FillPageTemplate with the additions, filled after the three texts and in
// one pass, so that nothing an addition brings in (a page's text holding
// "{title}") is taken for a placeholder.
QByteArray FillPageTemplate(const QByteArray &templateBytes, const QString &title,
                            const QString &keywords, const QString &description,
                            const PageAdditions &additions);

// `text` with &, <, >, " and ' written as character references.
QString EscapeHtml(const QString &text);

}  // namespace lw
