// The book's thumbnail sheets and their index, drawn from real PDFs and
// images in temporary folders.

#include "output/bookpackage.h"
#include "output/bookthumbnails.h"
#include "support/testdirs.h"
#include "support/testpdf.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <memory>

using namespace lw;
using lwtest::Exists;
using lwtest::ReadFile;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

void addPage(TBookObj &book, const QString &file, TPageKind type, const QString &source = {}, int sourcePage = 0) {
  auto page = std::make_unique<TPageObj>(file);
  page->fileType = type;
  page->sourcePath = source;
  page->sourcePage = sourcePage;
  book.pageList.push_back(std::move(page));
}

bool IsWhite(QRgb c) { return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245; }
bool IsGrey(QRgb c) {
  return std::abs(qRed(c) - 0xd4) < 8 && std::abs(qGreen(c) - 0xd4) < 8 && std::abs(qBlue(c) - 0xd4) < 8;
}
bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }

// The cell of page `index` (0-based) cut from its sheet.
QImage cellOf(const QString &root, const QJsonObject &index, int page) {
  const int w = index["cell"].toArray()[0].toInt(), h = index["cell"].toArray()[1].toInt();
  const int columns = index["columns"].toInt(), per = columns * index["rows"].toInt();
  const QImage sheet(root + "source/" + index["sheets"].toArray()[page / per].toString());
  const int at = page % per;
  return sheet.copy((at % columns) * w, (at / columns) * h, w, h);
}

}  // namespace

TEST(ThumbnailGrid, CellHasThePageShape) {
  EXPECT_EQ(ThumbnailGridFor(595, 842).cell, QSize(85, 120));
  EXPECT_EQ(ThumbnailGridFor(842, 595).cell, QSize(120, 85));
  EXPECT_EQ(ThumbnailGridFor(0, -3).cell, QSize(85, 120));
  const ThumbnailGrid g = ThumbnailGridFor(500, 500);
  EXPECT_EQ(g.cell, QSize(120, 120));
  EXPECT_EQ(QJsonDocument::fromJson(ThumbnailIndexJson(g, 3, {"thumbs/1.jpg"})).object(),
            (QJsonObject{{"version", 1}, {"pages", 3}, {"cell", QJsonArray{120, 120}}, {"columns", 5},
                         {"rows", 4}, {"sheets", QJsonArray{"thumbs/1.jpg"}}}));
}

// PDF pages in any order, an image page, a bitmap page without its source and
// pages nothing can draw, across two sheets; a second package over the first
// leaves none of the first's sheets.
TEST(BookThumbnails, EveryPageGetsACellAndFailuresAPlaceholder) {
  TempDir dir;
  const QString pdf = dir.file("doc.pdf");
  ASSERT_TRUE(WriteFile(pdf, lwtest::MakeTextPdf(22)));
  QImage red(300, 300, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(dir.file("red.png")));
  WriteFile(dir.file("broken.pdf"), "%PDF-1.4 nothing");
  WriteFile(dir.file("vector_1.swf"), lwtest::TinySwf("no bitmap"));

  TBookObj book;
  for (int n = 22; n >= 1; --n) addPage(book, dir.file("x_%1.swf").arg(n), kPageSwf, pdf, n);
  addPage(book, dir.file("red.png"), kPageImage);
  addPage(book, dir.file("vector_1.swf"), kPageSwf, dir.file("broken.pdf"), 1);
  addPage(book, dir.file("gone.png"), kPageImage);

  const QString root = dir.slash() + "book/";
  QDir().mkpath(root + "source/thumbs");
  WriteFile(root + "source/thumbs/9.jpg", "old sheet");
  BookThumbnails thumbs(book, root);
  EXPECT_FALSE(Exists(root + "source/thumbs/9.jpg"));
  int drawn = 0;
  for (size_t i = 0; i < book.pageList.size(); ++i) drawn += thumbs.addNextPage();
  EXPECT_FALSE(thumbs.addNextPage());
  thumbs.finish();
  EXPECT_EQ(drawn, 23);

  const QJsonObject index = QJsonDocument::fromJson(ReadFile(root + kThumbnailsName)).object();
  EXPECT_EQ(index["pages"].toInt(), 25);
  ASSERT_EQ(index["sheets"].toArray().size(), 2);
  EXPECT_EQ(QImage(root + "source/thumbs/1.jpg").size(), QSize(5 * 85, 4 * 120));
  // The second sheet keeps only the rows it uses: five pages, one row.
  EXPECT_EQ(QImage(root + "source/thumbs/2.jpg").size(), QSize(5 * 85, 120));
  EXPECT_EQ(thumbs.bytesWritten(), QFileInfo(root + "source/thumbs/1.jpg").size() +
                                       QFileInfo(root + "source/thumbs/2.jpg").size() +
                                       QFileInfo(root + kThumbnailsName).size());

  // Book page 1 is PDF page 22 and page 22 is PDF page 1: the two differ, and
  // each shows the page's band, not a placeholder.
  const QImage first = cellOf(root, index, 0), last = cellOf(root, index, 21);
  EXPECT_FALSE(IsWhite(first.pixel(42, 30)));
  EXPECT_FALSE(IsGrey(first.pixel(42, 30)));
  EXPECT_NE(first.pixel(42, 30), last.pixel(42, 30));
  // The square picture is centred on white in its tall cell.
  const QImage image = cellOf(root, index, 22);
  EXPECT_TRUE(IsRed(image.pixel(42, 60)));
  EXPECT_TRUE(IsWhite(image.pixel(42, 5)));
  EXPECT_TRUE(IsGrey(cellOf(root, index, 23).pixel(42, 60)));
  EXPECT_TRUE(IsGrey(cellOf(root, index, 24).pixel(42, 60)));
}

TEST(BookThumbnails, ASheetThatCannotBeWrittenStopsThePackage) {
  TempDir dir;
  QImage red(30, 30, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(dir.file("red.png")));
  TBookObj book;
  addPage(book, dir.file("red.png"), kPageImage);
  const QString root = dir.slash() + "book/";
  QDir().mkpath(root + "source");
  WriteFile(root + "source/thumbs", "a file where the folder goes");
  BookThumbnails thumbs(book, root);
  thumbs.addNextPage();
  EXPECT_THROW(thumbs.finish(), PackageError);
}

// A package that fails part way (a page that cannot be copied) drops the
// writer with pictures still being drawn: the drawing threads stop and are
// waited for, and what was taken is right.
TEST(BookThumbnails, AWriterDroppedPartWayStopsItsThreads) {
  TempDir dir;
  const QString pdf = dir.file("doc.pdf");
  ASSERT_TRUE(WriteFile(pdf, lwtest::MakeTextPdf(300)));
  TBookObj book;
  for (int n = 1; n <= 300; ++n) addPage(book, dir.file("x_%1.swf").arg(n), kPageSwf, pdf, n);
  QDir().mkpath(dir.file("book/source"));
  for (int taken : {0, 3, 150}) {
    auto thumbs = std::make_unique<BookThumbnails>(book, dir.slash() + "book/");
    for (int i = 0; i < taken; ++i) ASSERT_TRUE(thumbs->addNextPage());
    thumbs.reset();  // returns only once every thread has ended
  }
  EXPECT_TRUE(Exists(dir.file("book/source/thumbs/1.jpg")));
}
