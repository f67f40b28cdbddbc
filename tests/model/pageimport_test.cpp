#include "model/conversionnames.h"
#include "model/pageimport.h"
#include "support/testdirs.h"
#include "support/testpdf.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace lw;
using lwtest::TempDir;
using lwtest::WriteFile;

TEST(ImportFilePages, PdfPagesOfRangeThatExist) {
  TempDir temp, docs;
  WriteFile(docs.file("name.pdf"), "%PDF");
  TFileObj pdf(docs.file("name.pdf"));
  pdf.count = 3;  // as if counted
  pdf.rangeStr = "1-3";
  const ConversionNames names = ConversionNamesFor(temp.path(), pdf.filePath);
  WriteFile(names.PageFile(1), "FWS");
  WriteFile(names.PageFile(3), "FWS");  // page 2 failed to convert

  TBookObj book;
  const auto added = ImportFilePages(book, pdf, temp.path());
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(book.PageCount(), 2);
  EXPECT_EQ(added[0]->showName, "name_1.pdf");
  EXPECT_EQ(added[1]->showName, "name_3.pdf");
  EXPECT_EQ(added[1]->fileType, kPageSwf);
  EXPECT_EQ(added[1]->filePath, names.PageFile(3));
}

// The pages a range needs that were never converted: the window converts
// them before it adds the range's pages.
TEST(RangePagesToConvert, PagesOfTheRangeWithoutPageFiles) {
  TempDir temp, docs;
  WriteFile(docs.file("name.pdf"), lwtest::MakeTextPdf(6));
  WriteFile(docs.file("pic.png"), "png");
  TFileObj pdf(docs.file("name.pdf"));
  ASSERT_EQ(pdf.count, 6);
  const ConversionNames names = ConversionNamesFor(temp.path(), pdf.filePath);
  for (int n : {2, 3}) WriteFile(names.PageFile(n), "FWS");
  const struct {
    const char *range;
    std::vector<int> missing;
  } cases[] = {
      {"2-3", {}},
      {"1-4", {1, 4}},
      {"3, 5", {5}},
      {"All", {1, 4, 5, 6}},
      {"9", {}},  // names no page of the file
  };
  for (const auto &c : cases) {
    pdf.rangeStr = c.range;
    EXPECT_EQ(RangePagesToConvert(pdf, temp.path()), c.missing) << c.range;
  }
  pdf.rangeStr = "All";
  pdf.problemStr = "is damaged";
  EXPECT_TRUE(RangePagesToConvert(pdf, temp.path()).empty()) << "gives no pages";
  pdf.problemStr.clear();
  ASSERT_TRUE(QFile::remove(docs.file("name.pdf")));
  EXPECT_TRUE(RangePagesToConvert(pdf, temp.path()).empty()) << "the file is gone";
  EXPECT_TRUE(RangePagesToConvert(TFileObj(docs.file("pic.png")), temp.path()).empty());
}

TEST(ImportFilePages, ImageBecomesOnePageUnlessGone) {
  TempDir t;
  WriteFile(t.file("photo.JPG"), "jpeg");
  TFileObj image(t.file("photo.JPG"));
  TBookObj book;
  const auto added = ImportFilePages(book, image, t.path());
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0]->showName, "photo.JPG");
  EXPECT_EQ(added[0]->fileType, kPageImage);
  EXPECT_EQ(added[0]->exeName, ".JPG");

  QFile::remove(t.file("photo.JPG"));
  EXPECT_TRUE(ImportFilePages(book, image, t.path()).empty());
  EXPECT_EQ(book.PageCount(), 1);
}

TEST(ImportNewFilePages, PagesTheBookHoldsAreNotAddedTwice) {
  TempDir temp, docs;
  WriteFile(docs.file("name.pdf"), "%PDF");
  WriteFile(docs.file("photo.png"), "png");
  TFileObj pdf(docs.file("name.pdf"));
  pdf.count = 4;
  pdf.rangeStr = "1-2";
  const ConversionNames names = ConversionNamesFor(temp.path(), pdf.filePath);
  for (int n = 1; n <= 4; ++n) WriteFile(names.PageFile(n), "FWS");
  TFileObj image(docs.file("photo.png"));

  TBookObj book;
  EXPECT_EQ(ImportNewFilePages(book, pdf, temp.path()).size(), 2u);
  EXPECT_EQ(ImportNewFilePages(book, image, temp.path()).size(), 1u);
  // Again: nothing new.
  EXPECT_TRUE(ImportNewFilePages(book, pdf, temp.path()).empty());
  EXPECT_TRUE(ImportNewFilePages(book, image, temp.path()).empty());
  EXPECT_EQ(book.PageCount(), 3);
  // A wider range adds only the pages that are new, in range order.
  pdf.rangeStr = "All";
  const auto added = ImportNewFilePages(book, pdf, temp.path());
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(added[0]->filePath, names.PageFile(3));
  EXPECT_EQ(added[1]->filePath, names.PageFile(4));
  EXPECT_EQ(added[1]->sourcePage, 4);
  EXPECT_EQ(book.PageCount(), 5);
  // The plain import still adds whatever it is given.
  EXPECT_EQ(ImportFilePages(book, image, temp.path()).size(), 1u);
  EXPECT_EQ(book.PageCount(), 6);
}

TEST(ImportFilePages, InsertsAtTheGivenIndexInOrder) {
  TempDir temp, docs;
  WriteFile(docs.file("name.pdf"), "%PDF");
  WriteFile(docs.file("a.png"), "png");
  WriteFile(docs.file("b.png"), "png");
  TFileObj pdf(docs.file("name.pdf"));
  pdf.count = 3;
  pdf.rangeStr = "All";
  const ConversionNames names = ConversionNamesFor(temp.path(), pdf.filePath);
  for (int n = 1; n <= 3; ++n) WriteFile(names.PageFile(n), "FWS");

  TBookObj book;
  ImportFilePages(book, TFileObj(docs.file("a.png")), temp.path());
  ImportFilePages(book, TFileObj(docs.file("b.png")), temp.path());
  const auto added = ImportFilePages(book, pdf, temp.path(), 1);
  ASSERT_EQ(added.size(), 3u);
  EXPECT_EQ(book.IndexOfPage(added[0]), 1);
  EXPECT_EQ(added[2]->sourcePage, 3);
  QStringList order;
  for (const auto &p : book.pageList) order << p->showName;
  EXPECT_EQ(order, QStringList({"a.png", "name_1.pdf", "name_2.pdf", "name_3.pdf", "b.png"}));
  // An index outside the book appends.
  ImportFilePages(book, TFileObj(docs.file("a.png")), temp.path(), 99);
  EXPECT_EQ(book.pageList.back()->showName, "a.png");
  EXPECT_EQ(book.PageCount(), 6);
}

TEST(SwfPageShowName, LastExtensionBecomesPdf) {
  EXPECT_EQ(SwfPageShowName("/t/report.1a2b/report_3.swf"), "report_3.pdf");
  EXPECT_EQ(SwfPageShowName("/t/x/annual.report_12.swf"), "annual.report_12.pdf");
}
