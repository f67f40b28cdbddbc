// The first view written with a package: the poster's size and pixels, the
// settings the page reads, a book without a poster, a shared runtime.
#include "output/bookpackage.h"
#include "output/poster.h"
#include "support/testdirs.h"
#include "swf/swfwriter.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace lw;
using lwtest::Exists;
using lwtest::ReadFile;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

// The settings object of a package's source/book.js.
QJsonObject settingsOf(const QString &root) {
  const QByteArray text = ReadFile(root + "source/book.js");
  const qsizetype open = text.indexOf('{'), close = text.lastIndexOf('}');
  return QJsonDocument::fromJson(text.mid(open, close - open + 1)).object();
}

// A page image: the left half `left`, the right half blue.
QImage halves(int w, int h, QColor left) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(QColor(20, 40, 200));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w / 2; ++x) img.setPixelColor(x, y, left);
  return img;
}

class Poster : public ::testing::Test {
 protected:
  void SetUp() override {
    paths.AppPathStr = app.slash();
    paths.ResPath = app.slash() + "Resource/";
    paths.PreviewPath = work.slash() + "Preview/";
    WriteFile(paths.ResPath + "index.html", "<title>{title}</title>");
    WriteFile(paths.ResPath + "source/Pages.xml", "<content width=\"1\" height=\"1\"/>");
    WriteFile(paths.ResPath + "ruffle/ruffle.js", "runtime");
    WriteFile(paths.AppPathStr + "ImageTool.dll", "FWS player movie");
    QDir().mkpath(paths.PreviewPath + "source");
    book.width = 600;
    book.height = 800;
  }

  void addPage(const QString &path, TPageKind type) {
    TPageObj *p = book.AddPageByPath(path);
    ASSERT_NE(p, nullptr);
    p->fileType = type;
  }

  // A bitmap page movie of a 600 x 800 page whose JPEG is `image`.
  QString swfPage(const QImage &image) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    swf::PageMovie page;
    page.widthTwips = 600 * 20;
    page.heightTwips = 800 * 20;
    page.jpeg.assign(jpeg.begin(), jpeg.end());
    page.imageWidth = image.width();
    page.imageHeight = image.height();
    const swf::Bytes movie = swf::BuildPageMovie(page);
    WriteFile(src.file("page_1.swf"), QByteArray(reinterpret_cast<const char *>(movie.data()),
                                                 static_cast<qsizetype>(movie.size())));
    return src.file("page_1.swf");
  }

  TempDir app, work, out, src;
  TSysSetInfo paths;
  TBookObj book;
};

}  // namespace

TEST(PlayerPageSizeTest, FollowsThePlayersLayout) {
  // 1280 x 800: an area of 1256 x 736 for two 600 x 800 pages: the height decides.
  EXPECT_EQ(PlayerPageSize(600, 800), QSize(552, 736));
  // Wide pages: the width decides (1256 / 2 = 628 per page).
  EXPECT_EQ(PlayerPageSize(1000, 500), QSize(628, 314));
  // Taller than wide: one page at a time over the whole width.
  EXPECT_EQ(PlayerPageSize(600, 300, QSize(700, 1000)), QSize(676, 338));
  EXPECT_TRUE(PlayerPageSize(0, 800).isEmpty());
}

TEST_F(Poster, PublishedSwfBookGetsAPosterOfItsSaidSize) {
  addPage(swfPage(halves(300, 400, QColor(220, 30, 30))), kPageSwf);
  book.backgroundColor = 0x203040;  // 0x00BBGGRR
  const QString root = WriteBookPackage(book, paths, false, out.path());
  ASSERT_FALSE(root.isEmpty());
  const QImage poster(root + "source/poster.jpg");
  ASSERT_FALSE(poster.isNull());
  EXPECT_EQ(poster.size(), PlayerPageSize(600, 800));
  EXPECT_LT(ReadFile(root + "source/poster.jpg").size(), 100 * 1024);
  // The page's own pixels: red on the left, blue on the right.
  const QColor left = poster.pixelColor(poster.width() / 4, poster.height() / 2);
  const QColor right = poster.pixelColor(poster.width() * 3 / 4, poster.height() / 2);
  EXPECT_GT(left.red(), 180);
  EXPECT_LT(left.blue(), 80);
  EXPECT_GT(right.blue(), 160);
  EXPECT_LT(right.red(), 60);

  const QJsonObject s = settingsOf(root);
  EXPECT_EQ(s["runtime"].toString(), "ruffle/");
  EXPECT_EQ(s["background"].toString(), "#403020");
  EXPECT_EQ(s["page"].toObject()["width"].toInt(), 600);
  EXPECT_EQ(s["page"].toObject()["height"].toInt(), 800);
  const QJsonObject p = s["poster"].toObject();
  EXPECT_EQ(p["src"].toString(), "source/poster.jpg");
  EXPECT_EQ(p["width"].toInt(), poster.width());
  EXPECT_EQ(p["height"].toInt(), poster.height());
}

TEST_F(Poster, ImagePageIsFittedOntoWhitePaper) {
  // A wide image on a tall page: white above and below, as the player shows it.
  halves(400, 100, QColor(220, 30, 30)).save(src.file("wide.png"));
  addPage(src.file("wide.png"), kPageImage);
  book.backgroundType = TBackgroundKind::Image;
  WriteBookPackage(book, paths, true, {});
  const QImage poster(paths.PreviewPath + "source/poster.jpg");
  ASSERT_EQ(poster.size(), PlayerPageSize(600, 800));
  const QColor top = poster.pixelColor(poster.width() / 2, 10);
  EXPECT_GT(top.red(), 240);
  EXPECT_GT(top.green(), 240);
  EXPECT_GT(poster.pixelColor(poster.width() * 3 / 4, poster.height() / 2).blue(), 160);
  // An image background without a picture: the page keeps the default.
  const QJsonObject s = settingsOf(paths.PreviewPath);
  EXPECT_FALSE(s.contains("background"));
  EXPECT_FALSE(s.contains("backgroundImage"));
}

TEST_F(Poster, PageThatCannotBeDrawnLeavesNoPoster) {
  WriteFile(src.file("vector.swf"), lwtest::TinySwf("not a bitmap page"));
  addPage(src.file("vector.swf"), kPageSwf);
  WriteFile(paths.PreviewPath + "source/poster.jpg", "an old poster");
  WriteFile(paths.PreviewPath + FirstViewPictureName(2), "an old second page");
  WriteBookPackage(book, paths, true, {});
  EXPECT_FALSE(Exists(paths.PreviewPath + "source/poster.jpg"));
  EXPECT_FALSE(Exists(paths.PreviewPath + FirstViewPictureName(2)));
  const QJsonObject s = settingsOf(paths.PreviewPath);
  ASSERT_TRUE(s.contains("poster"));
  EXPECT_TRUE(s["poster"].isNull());
  EXPECT_EQ(s["runtime"].toString(), "ruffle/");
}

TEST_F(Poster, SharedRuntimeLeavesTheOwnOut) {
  addPage(swfPage(halves(300, 400, Qt::red)), kPageSwf);
  const QString root = WriteBookPackage(book, paths, false, out.path());
  ASSERT_TRUE(Exists(root + "ruffle/ruffle.js"));
  UseSharedRuntime(root, "https://books.example.org/runtime");
  EXPECT_FALSE(Exists(root + "ruffle"));
  const QJsonObject s = settingsOf(root);
  EXPECT_EQ(s["runtime"].toString(), "https://books.example.org/runtime/");
  EXPECT_EQ(s["poster"].toObject()["src"].toString(), "source/poster.jpg");
  EXPECT_THROW(UseSharedRuntime(root, "javascript:alert(1)"), PackageError);
  EXPECT_THROW(UseSharedRuntime(out.slash() + "nothing/", "/ruffle/"), PackageError);
}

TEST(RuntimeAddress, TakesWebAddressesAndPaths) {
  for (const char *good : {"https://cdn.example.org/ruffle/", "http://127.0.0.1:8080/r", "/ruffle/",
                           "../shared/ruffle/", "ruffle"})
    EXPECT_TRUE(IsRuntimeAddress(good)) << good;
  for (const char *bad : {"", "ftp://example.org/r/", "javascript:alert(1)", "//example.org/r/",
                          "/r/?x=1", "/r/#top", "/r \"/", "http:///r/"})
    EXPECT_FALSE(IsRuntimeAddress(bad)) << bad;
}
