// The page-range text of a PDF source file: "All" or a comma-separated list
// of pages ("4") and ranges ("1-5"), and the small name helpers around it.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace lw {

// The pages named by `text` for a PDF of `count` pages, ascending, each
// once, as decimal texts without leading zeros ("1", "2", ...).
//  - Blanks (every character up to and including the space) around the text
//    and around each piece are ignored; empty pieces between commas are
//    skipped, but a piece of blanks only makes the text unusable.
//  - "All" (any letter case) names pages 1..count.
//  - "a-b" names pages a..b and needs 1 <= a < b; "n" names page n >= 1;
//    numbers are read with ReadRangeNumber.
// Returns an empty list for an unusable text: empty or blank text, only
// commas, any invalid piece, any page above `count`, or "All" with
// `count` below 1. Never throws.
QStringList ParsePageRange(const QString &text, int count);

// The same pages as ParsePageRange, as numbers (ascending, each once).
// Returns an empty vector exactly when ParsePageRange returns an empty list.
std::vector<int> ParsePageNumbers(const QString &text, int count);

// True exactly when ParsePageRange(text, count) names at least one page.
bool IsValidPageRange(const QString &text, int count);

// Why `text` cannot be the page range of a PDF of `count` pages, in plain
// words: "this PDF has 117 pages" when it names pages the PDF does not
// have, "write pages as 1-5, 8" when it is not written as a range. Empty
// when the range names a page, and for an empty (blank) text.
QString PageRangeProblem(const QString &text, int count);

// A page list in the converter's and the conversion stamp's terse form:
// pages ascending, runs of two or more as "a-b", joined by commas ("1-25,30").
// Pages below 1 are left out, repeats written once. Returns an empty text
// for no page.
QString PageListText(const std::vector<int> &pages);

// Runs of pages (first, last), ascending, merged and each page once.
using PageRuns = std::vector<std::pair<int, int>>;

// Reads a terse page list strictly: items "n" or "a-b" with 1 <= a <= b <=
// kMaxPdfPageCount, separated by commas, blanks allowed around an item.
// Returns std::nullopt, with a one-line `problem` when given, for anything
// else (an empty text or item, zero, a reversed run, other characters).
std::optional<PageRuns> ParsePageRuns(const QString &text, QString *problem = nullptr);

// The pages of `runs`, ascending. Returns an empty vector for no runs.
std::vector<int> PagesOfRuns(const PageRuns &runs);

// `text` with blanks removed at both ends, read as a decimal integer with
// an optional "+" or "-" sign. Returns -1 when it is not such a number
// (empty, other characters, blanks inside) or does not fit in 32 bits.
int ReadRangeNumber(const QString &text);

// Everything before the last "." of `name`; an empty text when `name` has
// no "." (so "my.report.pdf" gives "my.report", "README" gives "").
QString GetFileNameNoExt(const QString &name);

// `text` without the characters up to and including the space (blanks,
// tabs, line breaks, control characters) at both ends.
QString TrimBlanks(const QString &text);

}  // namespace lw
