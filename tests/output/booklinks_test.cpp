// The links of the book's pages from the converter's links files.

#include "output/booklinks.h"
#include "support/testdirs.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <memory>

using namespace lw;
using lwtest::Exists;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

void addPage(TBookObj &book, const QString &path, int type) {
  auto page = std::make_unique<TPageObj>(path);
  page->fileType = type;
  book.pageList.push_back(std::move(page));
}

}  // namespace

TEST(BookLinks, FollowRangesReorderingAndRepeatedPages) {
  TempDir dir;
  WriteFile(dir.file("a/a_links.json"),
            R"([{"page":3,"x":0.1,"y":0.2,"w":0.3,"h":0.1,"url":"https://example.org/x"},)"
            R"({"page":3,"x":0.5,"y":0.5,"w":0.2,"h":0.2,"target":5},)"
            R"({"page":3,"x":0,"y":0,"w":1,"h":1,"target":2},)"
            R"({"page":5,"x":0,"y":0,"w":1,"h":1,"url":"javascript:alert(1)"},)"
            R"({"page":9,"x":0,"y":0,"w":1,"h":1,"url":"mailto:a@b.c"}])");
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
  WriteFile(dir.file("a/a_links.json"), R"([{"page":1,"x":0,"y":0,"w":1,"h":1,"url":"https://a.b/"}])");
  WriteBookLinks(book, root);
  EXPECT_TRUE(Exists(root + kLinksName));
}
