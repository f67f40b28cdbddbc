// The pictures of the page's text view (index.html without the player):
// a page that has no words to read, or whose movie holds a picture of its
// own (a scan, a photo, a screenshot), shows as a picture at reading size
// beside its text.
#pragma once

#include "model/sidefiles.h"
#include "model/tbookobj.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

namespace lw {

// The pictures' width in pixels: the text column's inner width.
inline constexpr int kTextPictureWidth = 734;
inline constexpr int kTextPictureJpegQuality = 60;

// Whether the movie's bitmaps (DefineBits tags of every kind) hold at least
// `minBytes` bytes in all. False for a movie that cannot be read.
bool MovieHoldsPicture(const QByteArray &movie, qsizetype minBytes = 8192);

// The package file of page n's picture: "source/pictures/<n>.jpg".
QString TextPictureName(int n);

// Writes under `root` the picture of every page of `book` that needs one
// (an SWF page without words or whose movie holds a picture) and has none
// in `pictures` yet, and puts its address there; `pictures` holds an entry
// per page (empty for none), `words` each page's words. A page that cannot
// be drawn keeps no picture. Throws PackageError when a picture cannot be
// written. Returns the bytes written.
qint64 WriteTextPictures(const TBookObj &book, const std::vector<PageWords> &words, const QString &root,
                         QStringList &pictures);

}  // namespace lw
