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

// A bitmap page movie of a 300 x 400 point stage showing `colour`.
QByteArray bitmapMovie(QColor colour) {
  swf::PageMovie page;
  page.widthTwips = 300 * 20;
  page.heightTwips = 400 * 20;
  const QByteArray jpeg = jpegOf(colour, {30, 20});  // stretched over the stage
  page.jpeg.assign(jpeg.begin(), jpeg.end());
  page.imageWidth = 30;
  page.imageHeight = 20;
  const swf::Bytes movie = swf::BuildPageMovie(page);
  return QByteArray(reinterpret_cast<const char *>(movie.data()), static_cast<qsizetype>(movie.size()));
}

enum class Shows { Nothing, Green, Red, Blue, PdfPage };

Shows shown(const QImage &image) {
  if (image.isNull()) return Shows::Nothing;
  const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
  if (c.green() > 180 && c.red() < 80) return Shows::Green;
  if (c.red() > 180 && c.green() < 80) return Shows::Red;
  if (c.blue() > 180 && c.red() < 80) return Shows::Blue;
  return Shows::PdfPage;
}

}  // namespace

TEST(PagePicture, ThePictureBesideThenTheBitmapThenTheSource) {
  TempDir dir;
  WriteFile(dir.file("bitmap_1.swf"), bitmapMovie(Qt::red));
  WriteFile(dir.file("pictured_1.swf"), bitmapMovie(Qt::red));
  WriteFile(dir.file("pictured_1.jpg"), jpegOf(Qt::green));
  WriteFile(dir.file("vector_1.swf"), lwtest::TinySwf("no bitmap"));
  WriteFile(dir.file("blue.jpg"), jpegOf(Qt::blue));
  WriteFile(dir.file("doc.pdf"), lwtest::MakeTextPdf(2));
  std::unique_ptr<PdfThumbnailer> pdf;
  int opened = 0;
  const PdfOpener open = [&](const QString &path) -> const PdfThumbnailer * {
    ++opened;
    pdf = std::make_unique<PdfThumbnailer>(lwtest::ReadFile(path));
    return pdf->isValid() ? pdf.get() : nullptr;
  };
  struct Case {
    const char *name;
    PageFiles files;
    Shows shows;
    QSize size;  // of the picture in a 100 x 100 box; Poppler's own rounding unchecked
  };
  const Case cases[] = {
      {"picture beside the movie", {dir.file("pictured_1.swf"), dir.file("doc.pdf"), 1}, Shows::Green, {75, 100}},
      {"the movie's bitmap", {dir.file("bitmap_1.swf"), dir.file("doc.pdf"), 1}, Shows::Red, {75, 100}},
      {"a vector page's PDF", {dir.file("vector_1.swf"), dir.file("doc.pdf"), 2}, Shows::PdfPage, {}},
      {"an image page", {{}, dir.file("blue.jpg"), 0}, Shows::Blue, {75, 100}},
      {"none works", {dir.file("vector_1.swf"), dir.file("gone.pdf"), 1}, Shows::Nothing, {0, 0}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const QImage image = DrawPagePicture(c.files, {100, 100}, open);
    EXPECT_EQ(shown(image), c.shows);
    if (c.size.isValid()) EXPECT_EQ(image.size(), c.size);
  }
  EXPECT_EQ(opened, 2);  // the source only when the converted pictures give none
  EXPECT_TRUE(DrawPagePicture({dir.file("bitmap_1.swf"), {}, 0}, {}, open).isNull());
}
