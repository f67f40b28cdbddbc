#include "output/imageconvert.h"
#include "support/testdirs.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <gtest/gtest.h>

#include <set>

using namespace lw;
using lwtest::TempDir;

namespace {

// A test picture: a colour gradient, so scaling has something to work on.
QImage Picture(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
  return image;
}

// The format QImageReader finds in the file's content.
QByteArray ContentFormat(const QString &path) {
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  return reader.format();
}

template <typename F>
std::string MessageOf(F &&f) {
  try {
    f();
  } catch (const ImageError &e) {
    return e.what();
  }
  return "no error";
}

// A 1 x 1 red GIF.
const QByteArray kGif = QByteArray::fromHex(
    "47494638396101000100800000ff000000000021f90400000000002c00000000010001000002024401003b");

}  // namespace

TEST(ScaleImageToFit, SizesOfTheExamples) {
  struct Case { int iw, ih, w, h, ow, oh; };
  for (const Case c : {Case{1000, 500, 400, 400, 400, 200}, Case{100, 50, 595, 842, 595, 298},
                       Case{600, 800, 595, 842, 595, 794}, Case{1190, 1684, 595, 842, 595, 842},
                       Case{3, 3, 595, 842, 595, 595}, Case{500, 1000, 400, 400, 200, 400},
                       Case{1, 1000, 10, 10, 1, 10}}) {
    const QImage out = ScaleImageToFit(Picture(c.iw, c.ih), c.w, c.h);
    EXPECT_EQ(out.size(), QSize(c.ow, c.oh)) << c.iw << "x" << c.ih << " into " << c.w << "x" << c.h;
    EXPECT_EQ(out.format(), QImage::Format_RGB32);
  }
}

TEST(ScaleImageToFit, SmoothAndOnWhite) {
  // Black next to white, enlarged: smooth scaling leaves greys in between.
  QImage two(2, 1, QImage::Format_RGB32);
  two.setPixel(0, 0, qRgb(0, 0, 0));
  two.setPixel(1, 0, qRgb(255, 255, 255));
  const QImage big = ScaleImageToFit(two, 200, 100);
  ASSERT_EQ(big.size(), QSize(200, 100));
  std::set<int> greys;
  for (int x = 0; x < 200; ++x) greys.insert(qGray(big.pixel(x, 50)));
  EXPECT_GT(greys.size(), 20u);

  QImage clear(10, 10, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  const QImage out = ScaleImageToFit(clear, 20, 20);
  EXPECT_FALSE(out.hasAlphaChannel());
  EXPECT_EQ(out.pixel(10, 10), qRgb(255, 255, 255));

  EXPECT_THROW(ScaleImageToFit(QImage(), 10, 10), ImageError);
  EXPECT_THROW(ScaleImageToFit(Picture(4, 4), 0, 10), ImageError);
  EXPECT_THROW(ScaleImageToFit(Picture(4, 4), 10, -1), ImageError);
}

TEST(ConvertImageFile, WritesEachFormatAtItsSize) {
  TempDir dir;
  struct Case { const char *ext; const char *writeAs; QByteArray expect; };
  for (const Case c : {Case{".png", "PNG", "png"}, Case{".jpg", "JPEG", "jpeg"},
                       Case{".JPG", "JPEG", "jpeg"}, Case{".bmp", "BMP", "bmp"},
                       Case{".jpeg", "JPEG", "png"}, Case{".Bmp", "BMP", "bmp"}}) {
    const QString src = dir.file(QString("src%1").arg(c.ext));
    ASSERT_TRUE(Picture(100, 50).save(src, c.writeAs));
    const QString dst = dir.file(QString("out%1").arg(c.ext));
    ConvertImageFile(src, dst, 595, 842);
    EXPECT_EQ(ContentFormat(dst), c.expect) << c.ext;
    int w = 0, h = 0;
    EXPECT_TRUE(GetImageFileSize(dst, w, h));
    EXPECT_EQ(QSize(w, h), QSize(100, 50)) << c.ext << ": a small picture is not enlarged";
  }
}

// A large picture keeps twice the book's size, for zoom, and no more than
// 4096 pixels a side.
TEST(ConvertImageFile, KeepsPixelsForZoomWithinLimits) {
  TempDir dir;
  struct Case { int iw, ih, w, h, ow, oh; };
  for (const Case c : {Case{3000, 4000, 595, 842, 1190, 1587}, Case{1000, 1400, 595, 842, 1000, 1400},
                       Case{8192, 2048, 8000, 8000, 4096, 1024}}) {
    const QString src = dir.file("big.jpg"), dst = dir.file("out.jpg");
    ASSERT_TRUE(Picture(c.iw, c.ih).save(src, "JPEG"));
    ConvertImageFile(src, dst, c.w, c.h);
    int w = 0, h = 0;
    EXPECT_TRUE(GetImageFileSize(dst, w, h));
    EXPECT_EQ(QSize(w, h), QSize(c.ow, c.oh)) << c.iw << "x" << c.ih << " for a book of " << c.w << "x" << c.h;
  }
  EXPECT_THROW(ConvertImageFile(dir.file("big.jpg"), dir.file("x.jpg"), 0, 10), ImageError);
}

TEST(ConvertImageFile, GifAndNoExtensionBecomePng) {
  TempDir dir;
  ASSERT_TRUE(lwtest::WriteFile(dir.file("red.gif"), kGif));
  ConvertImageFile(dir.file("red.gif"), dir.file("1.gif"), 30, 20);
  EXPECT_EQ(ContentFormat(dir.file("1.gif")), "png");
  const QImage red(dir.file("1.gif"), "png");
  EXPECT_EQ(red.size(), QSize(1, 1));
  EXPECT_EQ(red.pixel(0, 0), qRgb(255, 0, 0));

  ASSERT_TRUE(Picture(8, 8).save(dir.file("noext"), "BMP"));
  ConvertImageFile(dir.file("noext"), dir.file("2"), 16, 16);
  EXPECT_EQ(ContentFormat(dir.file("2")), "png");
}

TEST(ConvertImageFile, TransparentPngComesOutOnWhite) {
  TempDir dir;
  QImage image(40, 40, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.fillRect(0, 0, 20, 40, QColor(0, 0, 255));
  }
  ASSERT_TRUE(image.save(dir.file("a.png"), "PNG"));
  ConvertImageFile(dir.file("a.png"), dir.file("b.png"), 10, 10);
  const QImage out(dir.file("b.png"));
  ASSERT_EQ(out.size(), QSize(20, 20));
  EXPECT_FALSE(out.hasAlphaChannel());
  EXPECT_EQ(out.pixel(17, 10), qRgb(255, 255, 255));
  EXPECT_EQ(out.pixel(2, 10), qRgb(0, 0, 255));
}

TEST(ConvertImageFile, ReplacesAnExistingTarget) {
  TempDir dir;
  ASSERT_TRUE(Picture(10, 10).save(dir.file("s.png"), "PNG"));
  ASSERT_TRUE(lwtest::WriteFile(dir.file("t.png"), "old content"));
  ConvertImageFile(dir.file("s.png"), dir.file("t.png"), 4, 4);
  int w = 0, h = 0;
  GetImageFileSize(dir.file("t.png"), w, h);
  EXPECT_EQ(QSize(w, h), QSize(8, 8));
}

TEST(ImageErrors, MissingOrCorruptSourcesRaise) {
  TempDir dir;
  const QString missing = dir.file("missing.png");
  const std::string m1 = MessageOf([&] { ConvertImageFile(missing, dir.file("t.png"), 10, 10); });
  EXPECT_NE(m1.find("missing.png"), std::string::npos) << m1;
  EXPECT_FALSE(lwtest::Exists(dir.file("t.png")));
  int w = -5, h = -5;
  const std::string m2 = MessageOf([&] { GetImageFileSize(missing, w, h); });
  EXPECT_NE(m2.find("missing.png"), std::string::npos) << m2;
  EXPECT_EQ(w, -5);

  // A JPEG cut short after its header, and bytes that are no image at all.
  QByteArray jpeg;
  {
    QImage pic = Picture(64, 64);
    QFile f(dir.file("full.jpg"));
    ASSERT_TRUE(pic.save(&f, "JPEG"));
  }
  jpeg = lwtest::ReadFile(dir.file("full.jpg")).left(20);
  ASSERT_TRUE(lwtest::WriteFile(dir.file("cut.jpg"), jpeg));
  ASSERT_TRUE(lwtest::WriteFile(dir.file("junk.png"), "this is not a picture"));
  ASSERT_TRUE(lwtest::WriteFile(dir.file("keep.png"), "previous"));
  for (const char *bad : {"cut.jpg", "junk.png"}) {
    const std::string m = MessageOf([&] { ConvertImageFile(dir.file(bad), dir.file("keep.png"), 10, 10); });
    EXPECT_NE(m.find(bad), std::string::npos) << m;
    EXPECT_THROW(GetImageFileSize(dir.file(bad), w, h), ImageError) << bad;
  }
  EXPECT_EQ(lwtest::ReadFile(dir.file("keep.png")), "previous");
}

TEST(ImageErrors, UnwritableTargetRaises) {
  TempDir dir;
  ASSERT_TRUE(Picture(10, 10).save(dir.file("s.bmp"), "BMP"));
  const QString target = dir.file("no/such/folder/t.bmp");
  const std::string m = MessageOf([&] { ConvertImageFile(dir.file("s.bmp"), target, 5, 5); });
  EXPECT_NE(m.find("t.bmp"), std::string::npos) << m;
  EXPECT_FALSE(lwtest::Exists(target));
}
