// Reading page movies back: the bitmap of a plain bitmap page, and the
// movies that are not one.

#include "swf/swfreader.h"
#include "swf/swfwriter.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>

using namespace lw::swf;

namespace {

Bytes jpegOf(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(QColor(30, 90, 160));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  img.save(&buffer, "JPEG", 80);
  return Bytes(bytes.begin(), bytes.end());
}

PageMovie pageOf(bool compress) {
  PageMovie page;
  page.widthTwips = 595 * 20;
  page.heightTwips = 842 * 20;
  page.jpeg = jpegOf(60, 85);
  page.imageWidth = 60;
  page.imageHeight = 85;
  page.compress = compress;
  return page;
}

}  // namespace

TEST(SwfReader, FindsTheBitmapOfAPageMovie) {
  for (const bool compress : {false, true}) {
    const PageMovie page = pageOf(compress);
    const auto found = ExtractPageBitmap(BuildPageMovie(page));
    ASSERT_TRUE(found.has_value()) << "compressed " << compress;
    EXPECT_EQ(found->jpeg, page.jpeg);
    EXPECT_EQ(found->stageWidthTwips, 595 * 20);
    EXPECT_EQ(found->stageHeightTwips, 842 * 20);
  }
}

TEST(SwfReader, DropsTheEmptyImageInFrontOfAnOldJpeg) {
  const Bytes plain = jpegOf(16, 16);
  Bytes old(plain.size() + 4);
  old[0] = 0xFF, old[1] = 0xD9, old[2] = 0xFF, old[3] = 0xD8;
  std::copy(plain.begin(), plain.end(), old.begin() + 4);
  const Rect stage{0, 320, 0, 320};
  Bytes tags;
  AppendTag(tags, kTagDefineBitsJpeg2, DefineBitsJpeg2Body(1, old), true);
  AppendTag(tags, kTagDefineShape, DefineBitmapShapeBody(2, 1, stage, Matrix{}));
  AppendTag(tags, kTagPlaceObject2, PlaceObject2Body(1, 2));
  AppendTag(tags, kTagShowFrame, {});
  AppendTag(tags, kTagEnd, {});
  MovieHeader header;
  header.frameSize = stage;
  const auto found = ExtractPageBitmap(AssembleMovie(header, tags));
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->jpeg, plain);
  EXPECT_EQ(found->stageWidthTwips, 320);
}

TEST(SwfReader, RefusesMoviesThatDrawMoreThanOneBitmap) {
  const Bytes movie = BuildPageMovie(pageOf(false));
  // A movie with a vector shape and text: DefineText (11) before the End.
  Bytes withText(movie.begin(), movie.end() - 2);
  AppendTag(withText, 11, Bytes(12, 0));
  AppendTag(withText, kTagEnd, {});
  EXPECT_FALSE(ExtractPageBitmap(withText).has_value());
  // A second bitmap.
  Bytes twoBitmaps(movie.begin(), movie.end() - 2);
  AppendTag(twoBitmaps, kTagDefineBitsJpeg2, DefineBitsJpeg2Body(3, jpegOf(8, 8)), true);
  AppendTag(twoBitmaps, kTagEnd, {});
  EXPECT_FALSE(ExtractPageBitmap(twoBitmaps).has_value());
}

TEST(SwfReader, RefusesDamagedInput) {
  const Bytes movie = BuildPageMovie(pageOf(false));
  // Header and tag faults are the movie reader's (swfmovie_test); an LZMA
  // movie is this reader's choice.
  Bytes lzma = movie;
  lzma[0] = 'Z';
  EXPECT_FALSE(ExtractPageBitmap(lzma).has_value());
  Bytes notJpeg = movie;  // the JPEG's SOI marker damaged
  for (size_t i = 0; i + 1 < notJpeg.size(); ++i)
    if (notJpeg[i] == 0xFF && notJpeg[i + 1] == 0xD8) {
      notJpeg[i + 1] = 0x00;
      break;
    }
  EXPECT_FALSE(ExtractPageBitmap(notJpeg).has_value());
}
