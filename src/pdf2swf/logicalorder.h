// A page's words in the order they are read. Poppler gives each line's
// words as they are drawn, left to right, and each word's characters in the
// same order, so right-to-left script (Hebrew, Arabic) comes out reversed,
// Arabic often as presentation forms (the shaped letters a PDF's fonts
// map their glyphs to). Here each line is turned back into logical order
// by the inverse of the Unicode bidirectional algorithm (ICU's ubidi), and
// presentation forms into plain letters (NFKC).
#pragma once

#include "model/sidefiles.h"

#include <vector>

namespace lw::pdf2swf {

// `words` (a page's words as Poppler reads them: lines in reading order,
// a line's words left to right) with each line's words in logical order,
// their characters too, each word keeping its own box, and presentation
// forms (U+FB00..U+FDFF, U+FE70..U+FEFF: ligatures, Arabic shaped letters)
// in NFKC; other characters stay as they are. Lines are the runs of words
// whose middle lies within the height of the word before and that do not
// start left of its end (less half its height). A line's base direction is
// right to left when it holds right-to-left letters and either no
// left-to-right ones or the page holds more right-to-left letters than
// left-to-right ones. A line without right-to-left letters keeps its
// order. Spaces NFKC brings are dropped, and a word left empty is left
// out. Never fails: where ICU refuses a line, the line keeps its order.
std::vector<PageWord> LogicalOrder(std::vector<PageWord> words);

}  // namespace lw::pdf2swf
