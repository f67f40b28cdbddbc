// The book file: written and read back with every field, moved sources,
// and the files it must refuse.

#include "model/bookdocument.h"
#include "model/conversionnames.h"
#include "model/pageimport.h"
#include "support/testdirs.h"
#include "support/testpdf.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace lw;
using lwtest::TempDir;
using lwtest::MakeTextPdf;
using lwtest::WriteFile;

namespace {

// A book of a 5-page PDF (pages 4, 1 and 2, in that order) and an image,
// with every setting away from its default.
struct SampleBook {
  TempDir temp, docs;
  TBookObj book;
  TFileList library;

  SampleBook() {
    WriteFile(docs.file("report.pdf"), MakeTextPdf(5));
    WriteFile(docs.file("art/photo.png"), QByteArray("png"));
    auto pdf = std::make_shared<TFileObj>(docs.file("report.pdf"));
    pdf->rangeStr = "1-2, 4";
    pdf->isChecked = true;
    auto image = std::make_shared<TFileObj>(docs.file("art/photo.png"));
    library = {pdf, image};
    const ConversionNames names = ConversionNamesFor(temp.path(), pdf->filePath);
    for (int n : {1, 2, 4}) WriteFile(names.PageFile(n), "FWS");
    ImportFilePages(book, *pdf, temp.path());
    ImportFilePages(book, *image, temp.path());
    book.pageList.insert(book.pageList.begin(), std::move(book.pageList[2]));
    book.pageList.erase(book.pageList.begin() + 3);
    book.titleStr = "Field notes \"one\" <&>";
    book.keywordStr = "maps, rocks";
    book.desStr = "A description\nover two lines";
    book.backgroundType = TBackgroundKind::Image;
    book.backgroundImage = docs.file("art/bg.jpg");
    book.backgroundColor = 0x123456;
    book.buttonColor = 0xABCDEF;
    book.panelColor = 0x010203;
    book.width = 420;
    book.height = 595;
    book.themeStr = "Nordic Frost";
    book.rightToLeft = true;
    book.portable = true;
  }
};

}  // namespace

TEST(BookDocument, SavedBookOpensWithEveryFieldAndThePageOrder) {
  SampleBook s;
  ASSERT_EQ(s.book.PageCount(), 4);
  ASSERT_EQ(s.book.Page(0)->sourcePage, 4);
  const QByteArray bytes =
      SerializeBookDocument(DocumentOfBook(s.book, s.library, true), s.docs.path());
  QString error;
  const auto doc = ParseBookDocument(bytes, s.docs.path(), error);
  ASSERT_TRUE(doc) << error.toStdString();
  EXPECT_TRUE(doc->sizeEdited);
  const OpenedBook opened = OpenBookDocument(*doc, s.temp.path());
  EXPECT_TRUE(opened.book.SameContent(s.book));
  ASSERT_EQ(opened.library.size(), 2u);
  EXPECT_EQ(opened.library[0]->rangeStr, "1-2, 4");
  EXPECT_TRUE(opened.library[0]->isChecked);
  EXPECT_EQ(opened.library[0]->count, 5);
  EXPECT_FALSE(opened.library[1]->isChecked);
  EXPECT_TRUE(MissingSources(opened.book).isEmpty());
  EXPECT_TRUE(SourcesToConvert(opened.book, opened.library).empty());
}

TEST(BookDocument, MovedFolderIsFoundAgainAndGoneSourceIsMarkedNotDropped) {
  SampleBook s;
  const QByteArray bytes =
      SerializeBookDocument(DocumentOfBook(s.book, s.library, false), s.docs.path());
  // The whole folder moves with its book file: found by the relative path.
  TempDir elsewhere;
  const QString moved = elsewhere.file("docs");
  ASSERT_TRUE(QDir().rename(s.docs.path(), moved));
  QString error;
  auto doc = ParseBookDocument(bytes, moved, error);
  ASSERT_TRUE(doc) << error.toStdString();
  EXPECT_FALSE(doc->sources[0].missing);
  EXPECT_EQ(doc->sources[0].path, moved + "/report.pdf");
  // The pages of the moved PDF are not converted under their new name yet.
  const OpenedBook movedBook = OpenBookDocument(*doc, s.temp.path());
  EXPECT_EQ(SourcesToConvert(movedBook.book, movedBook.library).size(), 1u);
  // Only the pages the book shows are asked for, whatever the range.
  EXPECT_EQ(BookPagesOfSource(movedBook.book, movedBook.library[0]->filePath), (std::vector<int>{1, 2, 4}));
  EXPECT_TRUE(BookPagesOfSource(movedBook.book, movedBook.library[1]->filePath).empty()) << "an image";

  // The image is gone: it stays listed and its page stays in the book.
  ASSERT_TRUE(QFile::remove(moved + "/art/photo.png"));
  doc = ParseBookDocument(bytes, moved, error);
  ASSERT_TRUE(doc);
  EXPECT_TRUE(doc->sources[1].missing);
  const OpenedBook opened = OpenBookDocument(*doc, s.temp.path());
  EXPECT_EQ(opened.book.PageCount(), 4);
  EXPECT_EQ(opened.library[1]->problemStr, "is missing");
  EXPECT_EQ(MissingSources(opened.book), QStringList{s.docs.file("art/photo.png")});

  // A relative path written by hand is the book folder's, not the
  // working folder's.
  doc = ParseBookDocument(R"({"format": "leafweaver-book", "version": 1,
      "sources": [{"path": "report.pdf"}], "pages": []})", moved, error);
  ASSERT_TRUE(doc) << error.toStdString();
  EXPECT_EQ(doc->sources[0].path, moved + "/report.pdf");
  EXPECT_FALSE(doc->sources[0].missing);
}

TEST(BookDocument, RefusesDamagedForeignAndNewerFilesInPlainWords) {
  QString error;
  EXPECT_FALSE(ParseBookDocument("{\"format\": \"leafweaver-book\", \"vers", {}, error));
  EXPECT_TRUE(error.startsWith("is damaged: it is not readable JSON")) << error.toStdString();
  EXPECT_FALSE(ParseBookDocument("{\"name\": \"a recipe\"}", {}, error));
  EXPECT_EQ(error, "is not a Leafweaver book");
  EXPECT_FALSE(ParseBookDocument(
      R"({"format": "leafweaver-book", "version": 7, "sources": [], "pages": []})", {}, error));
  EXPECT_TRUE(error.startsWith("was saved by a newer Leafweaver (book format 7)")) << error.toStdString();
  EXPECT_FALSE(ParseBookDocument(
      R"({"format": "leafweaver-book", "version": 0, "sources": [], "pages": []})", {}, error));
  EXPECT_EQ(error, "has the book format 0, which this program does not know");
  EXPECT_FALSE(ParseBookDocument(
      R"({"format": "leafweaver-book", "version": 1, "sources": [], "pages": [{"source": 0}]})", {},
      error));
  EXPECT_EQ(error, "is damaged: page 1 names source 0, but only 0 are listed");
  EXPECT_FALSE(ParseBookDocument(
      R"({"format": "leafweaver-book", "version": 1, "width": "wide", "sources": [], "pages": []})",
      {}, error));
  EXPECT_TRUE(error.contains("\"width\"")) << error.toStdString();
  // Found by fuzzing: a number no int can hold, a path with a null character.
  EXPECT_FALSE(ParseBookDocument(
      R"({"format": "leafweaver-book", "version": 1, "width": 7.7e88, "sources": [], "pages": []})", {}, error));
  EXPECT_TRUE(error.contains("\"width\" is not a whole number")) << error.toStdString();
  EXPECT_FALSE(ParseBookDocument(
      R"({"format": "leafweaver-book", "version": 1, "sources": [{"path": "a\u0000.png"}], "pages": []})", {}, error));
  EXPECT_TRUE(error.contains("null character")) << error.toStdString();
}

// A book file's size and counts are bounded, each with a message naming the
// limit; within them, reading grows in step with the file (a hundred
// thousand pages of one PDF open without a conversion folder looked up for
// each page).
TEST(BookDocument, LimitsAreNamedAndReadingIsLinear) {
  const auto book = [](const QString &title, int sources, int pages) {
    QByteArray s = "{\"format\": \"leafweaver-book\", \"version\": 1, \"title\": \"" + title.toUtf8() +
                   "\", \"sources\": [";
    for (int i = 0; i < sources; ++i) s += QByteArray(i ? "," : "") + "{\"path\": \"/nowhere/" + QByteArray::number(i) + ".pdf\"}";
    s += "], \"pages\": [";
    for (int i = 0; i < pages; ++i) s += QByteArray(i ? "," : "") + "{\"source\": 0, \"page\": " + QByteArray::number(i + 1) + "}";
    return s + "]}";
  };
  const struct {
    QByteArray bytes;
    const char *says;
  } refused[] = {
      {book(QString(kMaxBookTextLength + 1, 'x'), 1, 0), "\"title\" is longer than 65536 characters"},
      {book("t", kMaxBookSources + 1, 0), "more than the 10000 a book may have"},
      {book("t", 1, kMaxBookPages + 1), "more than the 100000 a book may have"},
      {QByteArray(kMaxBookFileBytes + 1, ' '), "is too large for a book file (33 MB; at most 32 MB)"},
  };
  QString error;
  for (const auto &c : refused) {
    EXPECT_FALSE(ParseBookDocument(c.bytes, {}, error));
    EXPECT_TRUE(error.contains(c.says)) << error.toStdString();
  }
  lwtest::TempDir temp;
  const auto doc = ParseBookDocument(book("t", 1, kMaxBookPages), {}, error);
  ASSERT_TRUE(doc) << error.toStdString();
  const OpenedBook opened = OpenBookDocument(*doc, temp.slash());
  ASSERT_EQ(opened.book.PageCount(), kMaxBookPages);
  EXPECT_TRUE(opened.book.Page(kMaxBookPages - 1)->filePath.endsWith("_100000.swf"));
  EXPECT_EQ(MissingSources(opened.book), QStringList{"/nowhere/0.pdf"});
}
