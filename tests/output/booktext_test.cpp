#include "output/bookpackage.h"
#include "output/booktext.h"

#include <gtest/gtest.h>

using namespace lw;

namespace {

const QByteArray kWords =
    "words 1 612 792\n"
    "72 70 40 12 Chapter\n"
    "116 70 10 12 3\n"
    "72 100 30 10 The\n"
    "105 100 40 10 quick\n"
    "72 112 30 10 brown\n"
    "105 112 40 10 ex-\n"
    "72 124 50 10 ample.\n"
    "not a word line\n"
    "72 160 30 10 Second\n"
    "105 160 40 10 paragraph\n";

}  // namespace

TEST(BookText, ParsesWordsAndSkipsBadLines) {
  const auto page = ParsePageWords(kWords);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->width, 612);
  EXPECT_EQ(page->height, 792);
  ASSERT_EQ(page->words.size(), 9u);
  EXPECT_EQ(page->words[1].text, "3");
  EXPECT_EQ(page->words[2].x, 72);
  EXPECT_EQ(page->words[2].y, 100);
  EXPECT_FALSE(ParsePageWords("hello\n72 1 1 1 x\n"));
  EXPECT_FALSE(ParsePageWords(""));
  const auto empty = ParsePageWords("words 1 100 100\n");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(PageParagraphs(*empty).isEmpty());
}

TEST(BookText, LinesBecomeParagraphsByTheirGaps) {
  const QStringList paragraphs = PageParagraphs(*ParsePageWords(kWords));
  EXPECT_EQ(paragraphs, QStringList({"Chapter 3", "The quick brown example.", "Second paragraph"}));
}

TEST(BookText, JsonIsCompactWithOneArrayPerPage) {
  const BookText text{{"One \"two\"", "Three"}, {}, {"Été"}};
  EXPECT_EQ(BookTextJson(text), QByteArray("{\"pages\":[[\"One \\\"two\\\"\",\"Three\"],[],[\"Été\"]]}"));
}

TEST(BookText, HtmlHasASectionPerPageWithEscapedText) {
  const BookText text{{"A <b> & c"}, {}};
  const QString html = BookTextHtml(text, {"source/poster.jpg", "pages/2.jpg"});
  EXPECT_TRUE(html.contains("<section class=\"page\" id=\"page-1\" aria-labelledby=\"page-1-h\">"));
  EXPECT_TRUE(html.contains("<h2 id=\"page-2-h\">Page 2</h2>"));
  EXPECT_TRUE(html.contains("<p>A &lt;b&gt; &amp; c</p>"));
  EXPECT_TRUE(html.contains("src=\"pages/2.jpg\" alt=\"Page 2\""));
  EXPECT_EQ(html.count("<section"), 2);
}

TEST(BookText, OpeningCutsAtWholeWords) {
  EXPECT_EQ(BookTextOpening({{"one two three"}, {"four"}}, 9), QString("one two…"));
  EXPECT_EQ(BookTextOpening({{"one two"}}, 50), QString("one two"));
  EXPECT_EQ(BookTextOpening({}, 50), QString());
}

TEST(FillPageTemplate, AdditionsAreNotEscapedAndNothingIsReadTwice) {
  const QByteArray out = FillPageTemplate("<head>{title}{opengraph}</head><body>{BookText}</body>",
                                          "T", "", "", PageAdditions{"<meta a>", "<p>{title}{booktext}</p>"});
  EXPECT_EQ(out, QByteArray("<head>T<meta a></head><body><p>{title}{booktext}</p></body>\r\n"));
}

TEST(BookText, OutlineHeadingsAndWebLinks) {
  const auto page = ParsePageWords(
      "words 1 612 792\n"
      "72 70 60 12 Chapter\n72 100 30 10 Read\n105 100 40 10 more\n150 100 40 10 here.\n"
      "heading 1 Chapter\nheading 2 Not on the page\nheading x bad\n"
      "link 100 98 100 14 https://example.org/a?b=1&c=2\nlink 0 0 1 1 javascript:alert(1)\n");
  ASSERT_TRUE(page);
  ASSERT_EQ(page->headings.size(), 2u);
  EXPECT_EQ(page->headings[1].level, 2);
  EXPECT_EQ(page->headings[1].title, "Not on the page");
  ASSERT_EQ(page->links.size(), 2u);
  const PageMarks marks = MarksOfPage(*page);
  ASSERT_EQ(marks.links.size(), 1u);
  EXPECT_EQ(marks.links[0].first, "more here.");
  const QString html = BookTextHtml({PageParagraphs(*page)}, {QString()}, {marks});
  EXPECT_TRUE(html.contains("<h4>Not on the page</h4>\n<h3>Chapter</h3>\n<p>Read more here.</p>\n")) << html.toStdString();
  EXPECT_TRUE(html.contains("<li><a href=\"https://example.org/a?b=1&amp;c=2\">more here.</a></li>"));
  EXPECT_FALSE(html.contains("javascript"));
}
