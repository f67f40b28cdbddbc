// The text of a book: the words the converter read from each PDF page
// (the side file beside each page file, ParsePageSide), gathered by
// the package writer into source/text.json.gz for the search in the page, and
// written into index.html as HTML for screen readers, search engines and
// browsers where the player cannot run. Image pages have no text.
#pragma once

#include "model/sidefiles.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace lw {

// The page's words as paragraphs: words of one line joined by a space, a
// word that starts left of or above the one before starts a new line (one
// wholly left of it does not where either holds right-to-left letters:
// such lines are in logical order), and a
// gap above a line of more than 0.8 of the line's height starts a new
// paragraph; lines of one paragraph are joined by a space, and a line that
// ends in "-" before a lower-case word is joined without it. Empty for a
// page without words.
QStringList PageParagraphs(const PageWords &page);

// The text of every page of a book, page 1 first; an empty list for a page
// without text.
using BookText = std::vector<QStringList>;

// source/text.json (stored gzip-compressed as source/text.json.gz by the
// package writer): the words of every page with their boxes, for the
// search in the page (which finds words and highlights their boxes on the
// page). Compact UTF-8 JSON:
//   {"format":2,"pages":[[], [W, H, ["line", ...], ["n,n,...", ...]], ...]}
// one entry per page of the book, page 1 first, empty for a page without
// words. W and H are the page's size in whole points; then the page's lines
// (words grouped as PageParagraphs groups them), each as its words joined by
// one space (a space inside a word becomes U+00A0), and for each line its
// numbers, in whole points from the page's top left:
//   top minus the previous line's top (the first line: its top), height,
//   left of the first word, the line's average advance A per character in
//   tenths of a point, then for each word: (after the first) its left minus
//   the right of the word before (negative where a right-to-left line in
//   logical order goes leftwards), and its width minus (length × A + 5) / 10
//   (integer division; the length in UTF-16 units).
// Every word's box is thus kept to within a point, and the numbers that
// repeat from line to line compress well.
QByteArray BookTextJson(const std::vector<PageWords> &pages);

// `bytes` as a gzip file (deflate at level 9, no name nor time). Empty when
// zlib fails.
QByteArray GzipBytes(const QByteArray &bytes);

// What a page has beyond its paragraphs: its outline headings and its links
// with the words they cover.
struct PageMarks {
  std::vector<PageHeading> headings;
  std::vector<std::pair<QString, QString>> links;  // words, address
};

// The headings of `page` and its http, https and mailto links, each with
// the words whose middle lies in its area (the address where none does);
// links to pages are left out.
PageMarks MarksOfPage(const PageWords &page);

// The book's text as HTML for index.html: one <section> per page (no
// landmark: it has no name) with a heading <h2>Page N</h2> and a <p> per
// paragraph, escaped (dir="auto" on one that holds right-to-left letters); `pageImages[i]` (when not empty) is the address of
// page i + 1 as a picture, lazy-loaded, with the page's first words (at
// most 150 characters) or "Page N" as its alternative text, and its size
// in pixels where `imageSizes[i]` gives one (so that the page does not move
// as the pictures come in). With `marks`,
// an outline heading of level L becomes an <h(L+2)> (at most <h6>, and
// never more than one level below the heading before it on the page): the
// paragraph that starts with its title, or a heading of its own before the
// paragraphs; the page's links follow its paragraphs as a list. Pages
// without text nor picture get their heading alone.
QString BookTextHtml(const BookText &text, const QStringList &pageImages,
                     const std::vector<PageMarks> &marks = {}, const std::vector<QSize> &imageSizes = {});

// The first `maxChars` characters of the book's text (whole words, "…"
// when cut), for a description where the book has none. Empty without text.
QString BookTextOpening(const BookText &text, int maxChars);

// The language of the book's text as a language tag, judged by its script
// where the script tells: Hebrew "he", Arabic "ar" (Persian "fa" where
// letters only Persian uses are common and letters only Arabic uses are
// not), Greek "el", Thai "th", Korean "ko", Japanese "ja" (kana) and
// Chinese "zh" (Han alone). A script counts when its characters (each
// Han, kana or Hangul character as two letters) are at least a quarter
// of the Latin letters. Empty when no such script is found.
QString BookTextLanguage(const BookText &text);

}  // namespace lw
