// Image data of a PDF page as Poppler's core hands it over, made into what
// the page model holds: JPEG data kept as it is, decoded pixels and masks.
// Belongs to the Poppler-core adapter (pdfpages.cpp); nothing else includes it.
#pragma once

#include <QByteArray>
#include <QImage>

#include <cstddef>

class GfxImageColorMap;
class Stream;

namespace lw::pdf2swf {

// JPEGs larger than this on a side are decoded and scaled down.
inline constexpr int kMaxImageSide = 4096;

// A whole stream (already reset) as bytes; empty when it is over `limit`.
QByteArray ReadAll(Stream *str, std::size_t limit);

// Whether `j` is a baseline or extended-sequential JPEG of `comps`
// components (1 or 3), no larger than the player decodes; its size in w, h.
// False for anything else.
bool UsableJpeg(const QByteArray &j, int comps, int *w, int *h);

// The image's colour pixels as Format_RGB32; white from the first row the
// stream lacks, null when the image cannot be allocated.
QImage ReadColour(Stream *str, int width, int height, GfxImageColorMap *colorMap, bool inlineImg);

// A 1-bit mask as 0/255 Grayscale8 bytes, 255 where paint goes through;
// null when it cannot be allocated.
QImage ReadMask(Stream *str, int width, int height, bool invert, bool inlineImg);

// `img` as Format_ARGB32 with its alpha times `mask` (scaled to the image;
// none when null) times `alpha`. Never fails.
QImage WithAlpha(const QImage &img, const QImage &mask, double alpha);

}  // namespace lw::pdf2swf
