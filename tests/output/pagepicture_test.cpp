// The one rule for a page's picture: which file wins, and nothing when none
// gives one.
#include "output/pagepicture.h"
#include "output/pagethumbnail.h"
#include "support/testdirs.h"
#include "support/testpdf.h"
#include "swf/swfwriter.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace lw;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

QByteArray jpegOf(QColor colour, QSize size = {60, 80}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 90);
  return bytes;
}

// A page movie of a 300 x 400 point stage: a bitmap page showing `colour`,
// or a vector page (nothing drawn) without one.
QByteArray pageMovie(QColor colour = {}) {
  swf::Bytes movie;
  if (colour.isValid()) {
    swf::PageMovie page{300 * 20, 400 * 20, {}, 30, 20};  // a JPEG of 30 x 20 stretched over the stage
    const QByteArray jpeg = jpegOf(colour, {30, 20});
    page.jpeg.assign(jpeg.begin(), jpeg.end());
    movie = swf::BuildPageMovie(page);
  } else {
    swf::Bytes tags;
    swf::AppendTag(tags, swf::kTagShowFrame, {});
    swf::AppendTag(tags, swf::kTagEnd, {});
    swf::MovieHeader header;
    header.frameSize = {0, 300 * 20, 0, 400 * 20};
    movie = swf::AssembleMovie(header, tags);
  }
  return QByteArray(reinterpret_cast<const char *>(movie.data()), static_cast<qsizetype>(movie.size()));
}

// The colour in the middle of `image`: 'R', 'G' or 'B', '?' for anything
// else (a PDF page's band and text), '-' for no picture.
char shown(const QImage &image) {
  if (image.isNull()) return '-';
  const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
  return c.red() > 180 && c.green() < 80 ? 'R' : c.green() > 180 && c.red() < 80 ? 'G'
       : c.blue() > 180 && c.red() < 80  ? 'B' : '?';
}

}  // namespace

TEST(PagePicture, TheBitmapThenThePictureBesideThenTheSource) {
  TempDir dir;
  WriteFile(dir.file("bitmap_1.swf"), pageMovie(Qt::red));
  WriteFile(dir.file("bitmap_1.jpg"), jpegOf(Qt::green));
  WriteFile(dir.file("pictured_1.swf"), pageMovie());
  WriteFile(dir.file("pictured_1.jpg"), jpegOf(Qt::green));
  WriteFile(dir.file("vector_1.swf"), pageMovie());
  WriteFile(dir.file("blue.jpg"), jpegOf(Qt::blue));
  WriteFile(dir.file("doc.pdf"), lwtest::MakeTextPdf(2));
  std::unique_ptr<PdfThumbnailer> pdf;
  int opened = 0;
  const PdfOpener open = [&](const QString &path) -> const PdfThumbnailer * {
    ++opened;
    pdf = std::make_unique<PdfThumbnailer>(lwtest::ReadFile(path));
    return pdf->isValid() ? pdf.get() : nullptr;
  };
  // Each in a 100 x 100 box: the 300 x 400 stage or the 60 x 80 image gives 75 x 100.
  const std::tuple<const char *, PageFiles, char, QSize> cases[] = {
      {"the movie's bitmap", {dir.file("bitmap_1.swf"), dir.file("doc.pdf"), 1}, 'R', {75, 100}},
      {"picture beside a vector movie", {dir.file("pictured_1.swf"), dir.file("doc.pdf"), 1}, 'G', {75, 100}},
      {"a vector page's PDF", {dir.file("vector_1.swf"), dir.file("doc.pdf"), 2}, '?', {}},
      {"an image page", {{}, dir.file("blue.jpg"), 0}, 'B', {75, 100}},
      {"none works", {dir.file("vector_1.swf"), dir.file("gone.pdf"), 1}, '-', {0, 0}},
  };
  for (const auto &[name, files, colour, size] : cases) {
    SCOPED_TRACE(name);
    const QImage image = DrawPagePicture(files, {100, 100}, open);
    EXPECT_EQ(shown(image), colour);
    if (size.isValid()) EXPECT_EQ(image.size(), size);  // Poppler rounds its own
  }
  EXPECT_EQ(opened, 2);  // the source only when the converted pictures give none
  EXPECT_TRUE(DrawPagePicture({dir.file("bitmap_1.swf"), {}, 0}, {}, open).isNull());
}
