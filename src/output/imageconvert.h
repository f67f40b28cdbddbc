// Fitting image files into a box: measuring them, scaling them with their
// aspect ratio kept, and saving the result as PNG, JPEG or BMP.
#pragma once

#include <QImage>
#include <QString>
#include <stdexcept>

namespace lw {

// A failure of the image service: the message names the file (when there
// is one) and the reason the codec gave.
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The image scaled by one factor so that it fits a `width` x `height` box
// (enlarged or reduced): the side that sets the factor equals the box, the
// other is at most the box. The result has no alpha channel
// (QImage::Format_RGB32) and is drawn on white, smoothly scaled; it is not
// padded to the box. Throws ImageError for a null image, a box side below 1,
// or a result too large to allocate.
QImage ScaleImageToFit(const QImage &image, int width, int height);

// Decodes `source`, reduces it to fit twice `width` x `height` and at most
// 4096 pixels a side (ScaleImageToFit; never enlarged: the player fits a page
// picture onto its sheet, and the spare pixels keep it sharp at 2x zoom) and
// saves it to `target`, replacing a file there (JPEG at quality 90). The encoder follows the
// source's lower-cased extension: ".jpg" JPEG, ".bmp" BMP, anything else
// PNG (whatever extension `target` has). The target is written through a
// temporary file in its folder and renamed into place, so on failure it is
// left as it was. Throws ImageError when the source cannot be read or
// decoded, on any ScaleImageToFit failure, or when the target cannot be
// written.
void ConvertImageFile(const QString &source, const QString &target, int width, int height);

// Decodes the image file `path` and stores its pixel size in `width` and
// `height`. Returns true; never returns false: throws ImageError when the
// file cannot be read or decoded (outputs then unchanged).
bool GetImageFileSize(const QString &path, int &width, int &height);

// At most this many pixels in a picture a book takes from a file named in
// it (a background, a picture page of a book file): a 10,000 x 5,000 photo.
inline constexpr qint64 kMaxPicturePixels = 50'000'000;

// Why the file at `path` cannot be a book's background or picture, completing a
// sentence that names it ("is not a PNG, JPEG or BMP picture", "is too
// large a picture (...)"), judged by its content and header; an empty text
// when it is a picture within kMaxPicturePixels. Never fails.
QString PictureFileProblem(const QString &path);

// Writes the background picture `source` as a JPEG at `target`: decoded,
// reduced to fit twice `width` x `height` (never enlarged) and encoded
// anew, so that nothing but a picture of the book's size is published.
// Throws ImageError naming the file when PictureFileProblem finds a
// problem, the picture cannot be decoded or the target cannot be written
// (the target is then left as it was).
void WriteBackgroundJpeg(const QString &source, const QString &target, int width, int height);

// The encoder's MIME type for a source file: "image/jpeg" for ".jpg",
// "image/bmp" for ".bmp", "image/png" for anything else (extension compared
// lower-cased). Never fails.
QString OutputMimeTypeFor(const QString &sourcePath);

}  // namespace lw
