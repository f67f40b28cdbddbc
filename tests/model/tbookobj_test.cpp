#include "model/tbookobj.h"
#include "support/testdirs.h"

#include <gtest/gtest.h>

using namespace lw;
using lwtest::TempDir;

namespace {

// A book with one page per name; the files are created in `dir`.
TBookObj BookWith(const TempDir &dir, const QStringList &names) {
  TBookObj book;
  for (const QString &n : names) {
    lwtest::WriteFile(dir.file(n), "x");
    book.AddPageByPath(dir.file(n));
  }
  return book;
}

QStringList Order(const TBookObj &book) {
  QStringList out;
  for (const auto &p : book.pageList) out << FileNameOfPath(p->filePath);
  return out;
}

}  // namespace

TEST(TBookObj, AddPageTakesOnlyExistingFiles) {
  TempDir t;
  lwtest::WriteFile(t.file("a_1.swf"), "x");
  TBookObj book;
  TPageObj *page = book.AddPageByPath(t.file("a_1.swf"));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->exeName, ".swf");
  EXPECT_EQ(page->fileType, kPageImage);
  EXPECT_TRUE(page->showName.isEmpty());
  EXPECT_EQ(book.AddPageByPath(""), nullptr);
  EXPECT_EQ(book.AddPageByPath(t.file("missing.png")), nullptr);
  EXPECT_EQ(book.AddPageByPath(t.path()), nullptr);  // a folder is no page
  EXPECT_EQ(book.PageCount(), 1);
}

TEST(TBookObj, InsertRefusesIndexOutsideBook) {
  TempDir t;
  TBookObj book = BookWith(t, {"A", "B"});
  lwtest::WriteFile(t.file("C"), "x");
  EXPECT_EQ(book.InsertPageByPath(t.file("C"), 3), nullptr);
  EXPECT_EQ(book.InsertPageByPath(t.file("C"), -1), nullptr);
  EXPECT_NE(book.InsertPageByPath(t.file("C"), 1), nullptr);
  EXPECT_EQ(Order(book), QStringList({"A", "C", "B"}));
}

TEST(TPageObj, ExtensionOfLastComponent) {
  EXPECT_EQ(TPageObj("/x/photo.JPG").exeName, ".JPG");
  EXPECT_EQ(TPageObj("/x/readme").exeName, "");
  EXPECT_EQ(TPageObj("/x.y/file").exeName, "");
  EXPECT_EQ(TPageObj("C:\\x.y\\file").exeName, "");
  EXPECT_EQ(TPageObj("/x/archive.tar.gz").exeName, ".gz");
}

TEST(TBookObj, UpDownAtTheEndsChangeNothing) {
  TempDir t;
  TBookObj one = BookWith(t, {"A"});
  one.UpPageByIndex(0);
  one.DownPageByIndex(0);
  EXPECT_EQ(Order(one), QStringList({"A"}));

  TBookObj book = BookWith(t, {"A", "B", "C", "D"});
  book.UpPageByIndex(0);
  book.DownPageByIndex(3);
  book.UpPageByIndex(4);
  book.DownPageByIndex(-1);
  EXPECT_EQ(Order(book), QStringList({"A", "B", "C", "D"}));
  book.UpPageByIndex(2);
  EXPECT_EQ(Order(book), QStringList({"A", "C", "B", "D"}));
  book.DownPageByIndex(0);
  EXPECT_EQ(Order(book), QStringList({"C", "A", "B", "D"}));
}

TEST(TBookObj, DeleteAndClear) {
  TempDir t;
  TBookObj book = BookWith(t, {"A", "B", "C"});
  book.DelPageByIndex(-1);
  book.DelPageByIndex(3);
  EXPECT_EQ(Order(book), QStringList({"A", "B", "C"}));
  book.DelPageByIndex(1);
  EXPECT_EQ(Order(book), QStringList({"A", "C"}));

  book.titleStr = "Title";
  book.backgroundType = TBackgroundKind::Image;
  book.width = 100;
  book.ClearPage();
  EXPECT_EQ(book.PageCount(), 0);
  EXPECT_EQ(book.titleStr, "Title");
  EXPECT_EQ(book.backgroundType, TBackgroundKind::Image);
  EXPECT_EQ(book.width, 100);
}

TEST(TBookObj, MovePagesKeepsTheirOrderAndLandsWhereDropped) {
  TempDir dir;
  const QStringList six{"a", "b", "c", "d", "e", "f"};
  auto moved = [&](std::vector<int> rows, int before, std::vector<int> *placed = nullptr) {
    TBookObj book = BookWith(dir, six);
    const std::vector<int> at = book.MovePages(std::move(rows), before);
    if (placed) *placed = at;
    return Order(book).join("");
  };
  std::vector<int> at;
  // Several rows, not next to each other, given in any order.
  EXPECT_EQ(moved({4, 1}, 3, &at), "acbedf");
  EXPECT_EQ(at, std::vector<int>({2, 3}));
  EXPECT_EQ(moved({1, 3, 5}, 0, &at), "bdface");  // to the top
  EXPECT_EQ(at, std::vector<int>({0, 1, 2}));
  EXPECT_EQ(moved({0, 2}, 6, &at), "bdefac");  // to the end
  EXPECT_EQ(at, std::vector<int>({4, 5}));
  EXPECT_EQ(moved({5, 0}, 3), "bcafde");  // from both sides into the middle
  EXPECT_EQ(moved({2, 2, 3}, 1), "acdbef");  // a repeated row counts once
  // Onto themselves, or just after themselves: nothing changes.
  EXPECT_EQ(moved({2, 3}, 2, &at), "abcdef");
  EXPECT_EQ(at, std::vector<int>({2, 3}));
  EXPECT_EQ(moved({2, 3}, 3), "abcdef");
  EXPECT_EQ(moved({2, 3}, 4), "abcdef");
  EXPECT_EQ(moved({0, 1, 2, 3, 4, 5}, 2), "abcdef");
  // Refused: the book stays as it was.
  for (auto [rows, before] : {std::pair<std::vector<int>, int>{{}, 0}, {{6}, 0}, {{-1}, 0},
                              {{1}, 7}, {{1}, -1}}) {
    EXPECT_EQ(moved(rows, before, &at), "abcdef");
    EXPECT_TRUE(at.empty());
  }
}
