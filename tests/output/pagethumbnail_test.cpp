#include "output/pagethumbnail.h"
#include "support/testpdf.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace lw;

namespace {

QByteArray Encoded(const QImage &image, const char *format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

bool IsWhite(QRgb c) { return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245; }

}  // namespace

TEST(PageThumbnail, PdfPagesFitTheBoxAndDiffer) {
  PdfThumbnailer pdf(lwtest::MakeTextPdf(3));
  ASSERT_TRUE(pdf.isValid());
  EXPECT_EQ(pdf.pageCount(), 3);
  // An A4 page (595 x 842 pt) in a 120 x 160 box: the height sets the scale.
  const QImage first = pdf.render(1, QSize(120, 160));
  ASSERT_FALSE(first.isNull());
  EXPECT_EQ(first.size(), QSize(113, 160));
  EXPECT_EQ(first.format(), QImage::Format_RGB32);
  // The coloured band across the upper half is drawn; the margin is white.
  EXPECT_FALSE(IsWhite(first.pixel(56, 40)));
  EXPECT_TRUE(IsWhite(first.pixel(2, 158)));
  const QImage second = pdf.render(2, QSize(120, 160));
  EXPECT_NE(first, second);
  // In a tall, narrow box the width sets the scale.
  EXPECT_EQ(pdf.render(3, QSize(60, 400)).width(), 60);
}

TEST(PageThumbnail, PdfFailuresGiveNullPictures) {
  PdfThumbnailer pdf(lwtest::MakeTextPdf(2));
  EXPECT_TRUE(pdf.render(0, QSize(50, 50)).isNull());
  EXPECT_TRUE(pdf.render(3, QSize(50, 50)).isNull());
  EXPECT_TRUE(pdf.render(1, QSize(0, 50)).isNull());
  for (const QByteArray &bad : {QByteArray(), QByteArray("%PDF-1.4\nnot really"), QByteArray("GIF89a")}) {
    PdfThumbnailer broken(bad);
    EXPECT_FALSE(broken.isValid());
    EXPECT_EQ(broken.pageCount(), 0);
    EXPECT_TRUE(broken.render(1, QSize(50, 50)).isNull());
  }
}

TEST(PageThumbnail, ImagesAreFittedOnWhite) {
  QImage picture(400, 200, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  for (int x = 0; x < 200; ++x)
    for (int y = 0; y < 200; ++y) picture.setPixel(x, y, qRgb(200, 0, 0));
  const QImage png = ImageThumbnail(Encoded(picture, "PNG"), QSize(100, 100));
  ASSERT_EQ(png.size(), QSize(100, 50));
  EXPECT_EQ(png.format(), QImage::Format_RGB32);
  EXPECT_GT(qRed(png.pixel(20, 25)), 150);
  EXPECT_TRUE(IsWhite(png.pixel(80, 25)));  // transparent part drawn on white
  // A JPEG is decoded at the small size directly; the result is the same box.
  const QImage jpeg = ImageThumbnail(Encoded(picture.convertToFormat(QImage::Format_RGB32), "JPEG"), QSize(100, 100));
  EXPECT_EQ(jpeg.size(), QSize(100, 50));
  EXPECT_TRUE(ImageThumbnail(QByteArray("not an image"), QSize(100, 100)).isNull());
  EXPECT_TRUE(ImageThumbnail(Encoded(picture, "PNG"), QSize()).isNull());
}
