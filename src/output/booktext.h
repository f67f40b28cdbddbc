// The text of a book: the words the converter read from each PDF page
// (the ".words" file beside each page file, swf::PageWordsPath), gathered by
// the package writer into source/text.json for the search in the page, and
// written into index.html as HTML for screen readers, search engines and
// browsers where the player cannot run. Image pages have no text.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace lw {

// One word and its box in points from the page's top left corner.
struct PageWord {
  double x = 0, y = 0, width = 0, height = 0;
  QString text;
};

struct PageWords {
  double width = 0, height = 0;  // the page, in points
  std::vector<PageWord> words;   // in reading order
};

// Reads a ".words" file: "words 1 <width> <height>", then lines
// "<x> <y> <width> <height> <text>". Lines that do not read so are passed
// over. Returns no value when the first line is not such a header.
std::optional<PageWords> ParsePageWords(const QByteArray &bytes);

// The page's words as paragraphs: words of one line joined by a space, a
// line that starts left of or above the one before starts a new line, and a
// gap above a line of more than 0.8 of the line's height starts a new
// paragraph; lines of one paragraph are joined by a space, and a line that
// ends in "-" before a lower-case word is joined without it. Empty for a
// page without words.
QStringList PageParagraphs(const PageWords &page);

// The text of every page of a book, page 1 first; an empty list for a page
// without text.
using BookText = std::vector<QStringList>;

// source/text.json: {"pages":[["paragraph", ...], [], ...]}, one array per
// page of the book, page 1 first; compact (no spaces) and UTF-8.
QByteArray BookTextJson(const BookText &text);

// The book's text as HTML for index.html: one <section> per page with a
// heading "Page N" and a <p> per paragraph, escaped; `pageImages[i]` (when
// not empty) is the address of page i + 1 as an image, shown with it.
// Pages without text nor image get their heading alone.
QString BookTextHtml(const BookText &text, const QStringList &pageImages);

// The first `maxChars` characters of the book's text (whole words, "…"
// when cut), for a description where the book has none. Empty without text.
QString BookTextOpening(const BookText &text, int maxChars);

}  // namespace lw
