// The book document: a book saved as a ".leafbook" file (JSON, UTF-8) with
// its source files and their page ranges, the page order and every book
// setting. The format is described in docs/leafbook-format.md; this file
// reads and writes version kBookFormatVersion of it.
#pragma once

#include "model/tbookobj.h"
#include "model/tfileobj.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace lw {

inline constexpr int kBookFormatVersion = 1;
inline constexpr const char *kBookFormatName = "leafweaver-book";
inline constexpr const char *kBookFileSuffix = "leafbook";

// What a book file may hold: a reader refuses more, naming the limit.
inline constexpr qint64 kMaxBookFileBytes = 32 << 20;  // 32 MB
inline constexpr int kMaxBookSources = 10000;
inline constexpr int kMaxBookPages = 100000;
inline constexpr int kMaxBookTextLength = 65536;  // a title, a path, a range...

// The reason, completing "The book file ...", for a file of `size` bytes
// over kMaxBookFileBytes. Never fails.
QString BookFileTooLarge(qint64 size);

// A source file of the book as the document lists it.
struct BookSource {
  QString path;            // absolute path
  QString range = "All";   // page-range text, as the Library shows it
  bool checked = false;    // ticked in the Library
  bool missing = false;    // set by the reader: no file at `path`
};

// One page: a source and, for a PDF, its page number (from 1); 0 is the
// image itself.
struct BookPage {
  int source = 0;
  int page = 0;
};

struct BookDocument {
  TBookObj settings;  // every book setting; its page list stays empty
  bool sizeEdited = false;  // the user chose the size (no automatic size later)
  std::vector<BookSource> sources;
  std::vector<BookPage> pages;
};

// The document of `book` with the library `library`: every library file is
// a source, and so is the source of any page whose file is no longer in the
// library. Never fails.
BookDocument DocumentOfBook(const TBookObj &book, const TFileList &library, bool sizeEdited);

// The document as file bytes. Paths are written absolute and, as a second
// chance for a moved folder, relative to `bookFolder` (the folder of the
// book file). Never fails.
QByteArray SerializeBookDocument(const BookDocument &doc, const QString &bookFolder);

// Reads a book file's bytes; relative paths are taken from `bookFolder`.
// A source whose file is at neither place keeps its absolute path and is
// marked missing. Returns no value, with `error` completing "The book file
// ..." in plain words, for bytes that are not JSON, not a book, of a newer
// or unknown format version, with a field of the wrong kind or a page
// that names no listed source, or beyond the limits above. Time and memory
// grow in step with the file.
std::optional<BookDocument> ParseBookDocument(const QByteArray &bytes, const QString &bookFolder,
                                              QString &error);

// A document opened into a book and its library.
struct OpenedBook {
  TBookObj book;
  TFileList library;
};

// Makes the pages and library files of `doc`: a PDF page's file is its page
// file under `tempPath`, whether it exists yet or not, so that nothing is
// dropped; a missing source's files show the problem "is missing". Never
// fails.
OpenedBook OpenBookDocument(const BookDocument &doc, const QString &tempPath);

// Points every source at `from` (the path as the document has it) to the
// file at `to`, which the moved file's pages then come from; its missing
// mark follows the file. Returns false, with `doc` unchanged, when no
// source is at `from`.
bool RelocateSource(BookDocument &doc, const QString &from, const QString &to);

// The pages of `doc` that name no page their source has (a PDF's page 0 or
// a page past its count, a picture's numbered page), each said in a phrase
// ("page 3 names page 999 of report.pdf, which has 12"); at most five.
// `library` is OpenBookDocument's for `doc`. Empty when every page is there.
QStringList PagesOutsideTheirSource(const BookDocument &doc, const TFileList &library);

// Source files (absolute paths, each once, in page order) of the pages of
// `book` whose source file is gone.
QStringList MissingSources(const TBookObj &book);

// Library files whose PDF pages used by `book` have no page file yet, in
// library order: the ones to convert before the book can be written.
TFileList SourcesToConvert(const TBookObj &book, const TFileList &library);

// The PDF pages (from 1, ascending, each once) that pages of `book` show
// from the source file `sourcePath`: the pages a conversion of that file
// must hold for the book. Returns an empty vector when the book shows none.
std::vector<int> BookPagesOfSource(const TBookObj &book, const QString &sourcePath);

}  // namespace lw
