// JPEG encoding of page bitmaps and images with libjpeg, straight from
// Qt's 32-bit pixels.
#pragma once

#include "swf/swfwriter.h"

#include <QImage>

namespace lw::pdf2swf {

// Encodes an opaque 32-bit image (Format_RGB32: bytes B, G, R, X in memory)
// at `quality` (0..100) into `out` without converting it first. Returns
// false when the image is not Format_RGB32 or libjpeg fails.
bool EncodeJpeg(const QImage &image, int quality, swf::Bytes *out);

}  // namespace lw::pdf2swf
