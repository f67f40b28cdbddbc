// The one rule for the picture that shows a page: the window's page list,
// the book's thumbnails and its poster all draw a page through it.
#pragma once

#include "model/tbookobj.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

namespace lw {

class PdfThumbnailer;

// The files a page's picture can come from.
struct PageFiles {
  QString movie;       // the page movie; empty for an image page
  QString source;      // the PDF the movie was converted from, or an image file
  int sourcePage = 0;  // the PDF's page (from 1); 0 when `source` is an image
  bool isEmpty() const { return movie.isEmpty() && source.isEmpty(); }
};

// The files of `page`: an SWF page's movie and its source PDF page (none
// for a page added by path alone), an image page's own file. Never fails.
PageFiles PageFilesOf(const TPageObj &page);

// The parsed PDF at `path`, or null when it cannot be read. The caller keeps
// what it parsed (one set per thread).
using PdfOpener = std::function<const PdfThumbnailer *(const QString &path)>;

// The picture of a page, as large as fits `box` in the proportions the
// player gives it. Tried in this order, the first that gives a picture wins:
//   1. the movie's own bitmap (a bitmap page, swf::ExtractPageBitmap),
//      stretched over the movie's stage as the player stretches it: what
//      the book shows, pixel for pixel;
//   2. the converter's picture beside the page movie (PagePictureFile,
//      written for the first page of a vector conversion), over the stage:
//      the vector page drawn as the converter drew it;
//   3. the source: the PDF page drawn by Poppler (`openPdf`), or the image.
// The converted pictures come first: they show what the book shows, sharp
// at any size a poster or thumbnail needs, for a JPEG decode, where the
// source costs parsing a whole PDF and may have changed since. PDF pages and
// images are drawn on white. Returns a null image when none of them gives a
// picture (missing or damaged files, a vector page without a picture whose
// PDF is gone) or `box` is empty. `stage`, when given, gets the box the
// player fits the picture into: a movie's stage in twips, else the
// picture's own size.
QImage DrawPagePicture(const PageFiles &files, QSize box, const PdfOpener &openPdf, QSizeF *stage = nullptr);

}  // namespace lw
