// Finding one's way in the book: the outline (the bookmarks of its PDFs)
// and the link areas of its pages, read from the converter's side files
// (model/sidefiles.h), with the pages they lead to turned
// into the book's own page numbers, after page ranges and reordering.
#pragma once

#include "model/tbookobj.h"

#include <QByteArray>
#include <QString>

namespace lw {

inline constexpr const char *kOutlineName = "source/outline.json";

// The outline of `book` as the player reads it: a JSON array of
// {"title", "level", "page"} (page from 1 in the book), in the order of the
// book's PDFs and, within one, of its bookmarks. A bookmark leads to the
// first book page made from its PDF page; bookmarks whose page is not in the
// book are left out. Returns an empty array when no page comes with an
// outline or an outline file cannot be read.
QByteArray BookOutlineJson(const TBookObj &book);

// Writes source/outline.json into the package at `root` (ending in "/"), or
// removes it when the book has no outline, with the pictures of the titles
// the player's font cannot draw (AddTitlePictures). Returns the pictures'
// bytes. Throws PackageError when a file cannot be written.
qint64 WriteBookOutline(const TBookObj &book, const QString &root);

inline constexpr const char *kLinksName = "source/links.json";

// The links of `book` as the player reads them: a JSON object whose keys
// are book page numbers (from 1) and whose values list that page's areas as
// [x, y, w, h, to]: shares of the page from its top left, and `to` a web
// address (http, https, mailto) or the book page a link within its PDF
// leads to (the first book page made from the target page). Links to pages
// not in the book are left out. Returns "{}" when no page has a link or the
// pages' side files cannot be read.
QByteArray BookLinksJson(const TBookObj &book);

// Writes source/links.json into the package at `root` (ending in "/"), or
// removes it when no page has a link. Throws PackageError when the file
// cannot be written.
void WriteBookLinks(const TBookObj &book, const QString &root);

}  // namespace lw
