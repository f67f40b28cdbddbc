// The book size taken from the first source file of the library.
#pragma once

#include "model/tfileobj.h"

#include <QSize>

namespace lw {

// The largest side the automatic book size takes from an image.
inline constexpr int kAutoSizeLimit = 1600;

// A PDF gives the size of its first page in points (a landscape Letter
// page 792 x 612), as it shows (turned by its rotation), or A4 (595 x 842)
// when the PDF cannot be read. An image gives its pixel size. Either is
// scaled down so that its longer side is 1600 when either side is larger
// (halves rounded to even). Throws ImageError when the image cannot be read.
QSize AutoBookSizeFor(const TFileObj &first);

// The image rule alone: (w, h) fitted so that neither side exceeds 1600.
QSize LimitBookSize(int w, int h);

}  // namespace lw
