// The files the converter writes beside the page movies of a conversion,
// for the package writer: their names, their one schema, its writer (used
// by the converter) and its reader (used by the package writer).
//
// Beside page file "<stem>_<n>.swf" of a conversion folder:
//   "<stem>_<n>.page.json"  the page's size, its words with their boxes in
//                           reading order, the outline headings that lead
//                           to it and its links (PageSideJson)
//   "<stem>_<n>.jpg"        page 1 of a vector conversion only: the page as
//                           a picture for the book's first view
//   "<stem>_outline.json"   once per conversion: the whole document's
//                           outline (OutlineFileJson)
// Both JSON files carry "version": kSideFilesVersion; a reader refuses any
// other version, so a file of another version is never misread (the
// conversion stamp's own version makes such a folder be converted anew).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace lw {

inline constexpr int kSideFilesVersion = 3;

// The longer side of the first page's picture, in pixels: sharp on a
// 1280 x 800 view.
inline constexpr int kPagePictureSide = 1000;

// Limits of what is kept: outline entries of one document (and of a book),
// the characters of an outline title, and the links of one page.
inline constexpr int kMaxOutlineEntries = 5000;
inline constexpr int kMaxOutlineTitle = 200;
inline constexpr int kMaxPageLinks = 20000;

// The page's side file: the page file's path with its last extension
// replaced by ".page.json" ("report_1.swf" -> "report_1.page.json"; a name
// without an extension gets it appended). Pure.
QString PageSideFile(const QString &pageFile);

// The first page's picture, chosen as PageSideFile chooses, with ".jpg".
// Pure.
QString PagePictureFile(const QString &pageFile);

// The conversion's outline file beside the page file `pageFile` of a
// conversion (folder + stem + "_" + n + ".swf"): folder + stem +
// "_outline.json". Returns an empty string for a name not of that form.
QString OutlineFileFor(const QString &pageFile);

// One word and its box in points from the page's top left corner.
struct PageWord {
  double x = 0, y = 0, width = 0, height = 0;
  QString text;
};

// An entry of the document's outline that leads to the page.
struct PageHeading {
  int level = 1;  // 1 for the outline's top entries
  QString title;
};

// One link area of a page: its rectangle as shares of the page (0..1, from
// the top left) and where it leads: a web address (http, https, mailto
// only) or, when `target` > 0, a page of the same document (from 1).
struct PageLink {
  double x = 0, y = 0, w = 0, h = 0;
  QString url;
  int target = 0;
};

// What the converter read of one page besides its drawing.
struct PageWords {
  double width = 0, height = 0;  // the page, in points
  std::vector<PageWord> words;   // in reading order
  std::vector<PageHeading> headings;
  std::vector<PageLink> links;
};

// One bookmark of a document: its title, its depth (0 at the top) and the
// page it leads to (from 1; 0 for none or another document).
struct OutlineEntry {
  QString title;
  int level = 0;
  int page = 0;
};

// The page's side file, compact UTF-8 JSON:
//   {"version":3,"width":W,"height":H,"words":[[x,y,w,h,"text"],...],
//    "headings":[[level,"title"],...],"links":[[x,y,w,h,"url" or page],...]}
// Sizes, words and boxes in points rounded to tenths, link areas as shares
// rounded to 1/10000; at most kMaxPageLinks links. Never fails.
QByteArray PageSideJson(const PageWords &page);

// Reads a page's side file. Entries that do not read as above are passed
// over. Returns no value for damaged JSON, another version or a missing
// page size.
std::optional<PageWords> ParsePageSide(const QByteArray &bytes);

// The conversion's outline file, compact UTF-8 JSON:
//   {"version":3,"outline":[{"title","level","page"},...]}
// in document order, at most kMaxOutlineEntries entries, titles cut to
// kMaxOutlineTitle characters. Never fails.
QByteArray OutlineFileJson(const std::vector<OutlineEntry> &entries);

// Reads an outline file's entries as written. Returns no value for damaged
// JSON or another version.
std::optional<std::vector<OutlineEntry>> ParseOutlineFile(const QByteArray &bytes);

}  // namespace lw
