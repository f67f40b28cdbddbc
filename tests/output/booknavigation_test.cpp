// The book's outline and links from the converter's files beside the pages.

#include "model/conversionnames.h"
#include "model/sidefiles.h"
#include "output/booknavigation.h"
#include "support/testdirs.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <memory>

using namespace lw;
using lwtest::Exists;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

void addPage(TBookObj &book, const QString &path, TPageKind type) {
  auto page = std::make_unique<TPageObj>(path);
  page->fileType = type;
  book.pageList.push_back(std::move(page));
}

// "title/level/page" of each entry, space-separated.
std::string entries(const QByteArray &json) {
  std::string out;
  for (const QJsonValue &v : QJsonDocument::fromJson(json).array()) {
    const QJsonObject e = v.toObject();
    if (!out.empty()) out += ' ';
    out += QStringLiteral("%1/%2/%3").arg(e["title"].toString()).arg(e["level"].toInt()).arg(e["page"].toInt()).toStdString();
  }
  return out;
}

// The converter's outline file of `entries`, and a page's side file of
// `links`.
QByteArray outlineFile(const char *entries) { return QByteArray(R"({"version":3,"outline":)") + entries + "}"; }
QByteArray pageFile(const char *links) {
  return QByteArray(R"({"version":3,"width":600,"height":800,"links":)") + links + "}";
}

}  // namespace

TEST(ConversionNames, OutlineFileBesideThePages) {
  EXPECT_EQ(OutlineFileFor("/t/a_1b2c/report_v_2_12.swf"), "/t/a_1b2c/report_v_2_outline.json");
  EXPECT_EQ(PageNumberOfPageFile("/t/a_1b2c/report_v_2_12.swf"), 12);
  EXPECT_EQ(OutlineFileFor("/t/pic.png"), "");
  EXPECT_EQ(PageNumberOfPageFile("/t/x_0.swf"), 0);
}

TEST(BookOutline, FollowsRangesReorderingAndSeveralPdfs) {
  TempDir dir;
  WriteFile(dir.file("a/a_outline.json"),
            outlineFile(R"([{"title":"Gone","level":0,"page":2},{"title":"One","level":0,"page":3},)"
                        R"({"title":"One.1","level":1,"page":5},{"title":"Other file","level":0,"page":0}])"));
  WriteFile(dir.file("b/b_outline.json"), outlineFile(R"([{"title":" B  start ","level":0,"page":1}])"));
  TBookObj book;
  // a's pages 5, 3, then an image, then b's page 1, then a's page 3 again.
  addPage(book, dir.file("a/a_5.swf"), kPageSwf);
  addPage(book, dir.file("a/a_3.swf"), kPageSwf);
  addPage(book, dir.file("pic.png"), kPageImage);
  addPage(book, dir.file("b/b_1.swf"), kPageSwf);
  addPage(book, dir.file("a/a_3.swf"), kPageSwf);
  EXPECT_EQ(entries(BookOutlineJson(book)), "One/0/2 One.1/1/1 B start/0/4");
}

TEST(BookOutline, WrittenOnlyWhenThereIsOne) {
  TempDir dir;
  QDir().mkpath(dir.file("book/source"));
  const QString root = dir.file("book") + "/";
  TBookObj book;
  addPage(book, dir.file("a/a_1.swf"), kPageSwf);
  WriteFile(root + kOutlineName, "old");
  WriteBookOutline(book, root);  // no outline file beside the pages
  EXPECT_FALSE(Exists(root + kOutlineName));
  WriteFile(dir.file("a/a_outline.json"), outlineFile(R"([{"title":"Start","level":0,"page":1}])"));
  WriteBookOutline(book, root);
  EXPECT_TRUE(Exists(root + kOutlineName));
  // Damaged, or of another version (the bare list written before): none.
  for (const QByteArray bad : {QByteArray("not json"), QByteArray(R"([{"title":"Start","level":0,"page":1}])")}) {
    WriteFile(dir.file("a/a_outline.json"), bad);
    EXPECT_EQ(BookOutlineJson(book), "[]") << bad.constData();
  }
}

TEST(BookLinks, FollowRangesReorderingAndRepeatedPages) {
  TempDir dir;
  WriteFile(dir.file("a/a_3.page.json"), pageFile(R"([[0.1,0.2,0.3,0.1,"https://example.org/x"],)"
                                                  R"([0.5,0.5,0.2,0.2,5],[0,0,1,1,2]])"));
  WriteFile(dir.file("a/a_5.page.json"), pageFile(R"x([[0,0,1,1,"javascript:alert(1)"]])x"));
  WriteFile(dir.file("a/a_9.page.json"), pageFile(R"([[0,0,1,1,"mailto:a@b.c"]])"));
  TBookObj book;
  // a's pages 5, 3, an image, 3 again; page 2 (a link's target) and 9 are not in the book.
  addPage(book, dir.file("a/a_5.swf"), kPageSwf);
  addPage(book, dir.file("a/a_3.swf"), kPageSwf);
  addPage(book, dir.file("pic.png"), kPageImage);
  addPage(book, dir.file("a/a_3.swf"), kPageSwf);
  const QByteArray json = BookLinksJson(book);
  EXPECT_EQ(json, R"({"2":[[0.1,0.2,0.3,0.1,"https://example.org/x"],[0.5,0.5,0.2,0.2,1]],)"
                  R"("4":[[0.1,0.2,0.3,0.1,"https://example.org/x"],[0.5,0.5,0.2,0.2,1]]})");
}

TEST(BookLinks, WrittenOnlyWhenThereAreAny) {
  TempDir dir;
  const QString root = dir.file("book") + "/";
  QDir().mkpath(root + "source");
  TBookObj book;
  addPage(book, dir.file("a/a_1.swf"), kPageSwf);
  WriteFile(root + kLinksName, "old");
  WriteBookLinks(book, root);
  EXPECT_FALSE(Exists(root + kLinksName));
  WriteFile(dir.file("a/a_1.page.json"), pageFile(R"([[0,0,1,1,"https://a.b/"]])"));
  WriteBookLinks(book, root);
  EXPECT_TRUE(Exists(root + kLinksName));
}
