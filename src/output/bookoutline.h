// The book's outline: the bookmarks of its PDFs (written by the converter
// beside their pages, pdf2swf --outline) with their targets turned into the
// book's own page numbers, after page ranges and reordering.
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
// removes it when the book has no outline. Throws PackageError when the file
// cannot be written.
void WriteBookOutline(const TBookObj &book, const QString &root);

}  // namespace lw
