// What the converter reads of a document besides the pages' drawing, for
// the side files (model/sidefiles.h): the outline, walked once, and each
// page's size, words, links and headings, read in one pass over the page.
#pragma once

#include "model/sidefiles.h"

#include <QImage>

#include <vector>

namespace Poppler {
class Document;
class Page;
}  // namespace Poppler

namespace lw::pdf2swf {

// Every bookmark of `doc` in document order, depth first: its title
// (simplified), its depth from 0 and its page (0 for none or one in another
// document). Empty for a document without an outline. Never fails.
std::vector<OutlineEntry> ReadOutline(Poppler::Document &doc);

// The headings of each page (index 0 for page 1) of a document of `pages`
// pages: the entries of `outline` with a title, leading to the page and at
// most six deep, their level from 1. Pure.
std::vector<std::vector<PageHeading>> HeadingsByPage(const std::vector<OutlineEntry> &outline, int pages);

// Page `page` of a document of `pages` pages read for its side file: its
// size in points; its words in reading order with their boxes, right-to-left
// script in logical order and presentation forms as plain letters
// (LogicalOrder; only `withText`: a plain page's text is not read, that
// takes as long as drawing; reading stops after a minute); `headings`; its links to web
// addresses (http, https, mailto) and to pages of the document, their areas
// cut to the page, at most kMaxPageLinks. Never fails: a page without text
// or links comes back without them.
PageWords ReadPageSide(const Poppler::Page &page, int pages, const std::vector<PageHeading> &headings,
                       bool withText);

// The page as a picture for the book's first view, its longer side
// kPagePictureSide pixels: `plain` scaled when it is not null (a plain
// page's own picture), otherwise the page drawn anew. Null when the page
// has no size or cannot be drawn.
QImage PagePicture(const Poppler::Page &page, const QImage &plain);

}  // namespace lw::pdf2swf
