// Small pictures of book pages, for the window's page list and the book's
// thumbnail strip: a PDF's pages through Poppler, image files through Qt's
// codecs. Bytes in, pictures out; nothing here touches the file system.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>

namespace Poppler {
class Document;
}

namespace lw {

// The pages of one PDF held in memory. The document is parsed once, so a
// caller rendering many pages keeps one PdfThumbnailer. Not for use from two
// threads at once; one per thread is fine.
class PdfThumbnailer {
 public:
  // Parses `pdf`. isValid() is false when Poppler cannot read it, or when it
  // needs a password.
  explicit PdfThumbnailer(const QByteArray &pdf);
  ~PdfThumbnailer();
  PdfThumbnailer(const PdfThumbnailer &) = delete;
  PdfThumbnailer &operator=(const PdfThumbnailer &) = delete;

  bool isValid() const;
  // The document's pages; 0 when invalid.
  int pageCount() const;
  // Page `number`'s (1-based) size in points, turned as it shows; an empty
  // size when the document is invalid, `number` is out of range or the page
  // has no area.
  QSizeF pageSize(int number) const;
  // Page `number` (1-based) drawn on white, as large as fits `box` with its
  // aspect ratio kept (Format_RGB32). Null image when the document is
  // invalid, `number` is out of range, `box` is empty or Poppler fails.
  QImage render(int number, QSize box) const;

 private:
  std::unique_ptr<Poppler::Document> doc_;
};

// An image file's bytes decoded and fitted into `box` with its aspect ratio
// kept, drawn on white (Format_RGB32). Large pictures are decoded at reduced
// size where the codec can. Null image when the bytes cannot be decoded or
// `box` is empty.
QImage ImageThumbnail(const QByteArray &bytes, QSize box);

}  // namespace lw
