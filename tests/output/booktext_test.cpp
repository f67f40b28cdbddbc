#include "output/bookpackage.h"
#include "output/booktext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cmath>

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

// The boxes of text.json's page as its format describes them: per line the
// words, and for each its box (x, y, width, height) in points.
static std::vector<std::pair<QString, std::array<long, 4>>> decodePage(const QJsonArray &page) {
  std::vector<std::pair<QString, std::array<long, 4>>> out;
  const QJsonArray texts = page[2].toArray(), numbers = page[3].toArray();
  long top = 0;
  for (qsizetype l = 0; l < texts.size(); ++l) {
    const QStringList words = texts[l].toString().split(' ');
    const QStringList n = numbers[l].toString().split(',');
    std::vector<long> v;
    for (const QString &s : n) v.push_back(s.toLong());
    top += v[0];
    const long height = v[1], advance = v[3];
    long x = v[2];
    size_t at = 4;
    for (qsizetype k = 0; k < words.size(); ++k) {
      if (k > 0) x += v[at++];
      const long width = v[at++] + (long(words[k].size()) * advance + 5) / 10;
      out.push_back({words[k], {x, top, width, height}});
      x += width;
    }
    EXPECT_EQ(at, v.size()) << "numbers left over in line " << l;
  }
  return out;
}

TEST(BookText, JsonKeepsEveryWordWithItsBoxToAPoint) {
  PageWords page = *ParsePageWords(kWords + "300.4 159.6 80.2 10.7 café au\n" + "20 400 9.6 10 x\n");
  const QJsonObject root = QJsonDocument::fromJson(BookTextJson({page, PageWords{}})).object();
  EXPECT_EQ(root["format"].toInt(), 2);
  const QJsonArray pages = root["pages"].toArray();
  ASSERT_EQ(pages.size(), 2);
  EXPECT_EQ(pages[1].toArray(), QJsonArray());
  const QJsonArray first = pages[0].toArray();
  EXPECT_EQ(first[0].toInt(), 612);
  EXPECT_EQ(first[1].toInt(), 792);
  // Words of a line share one top and height; lines are PageParagraphs' lines.
  EXPECT_EQ(first[2].toArray()[0].toString(), "Chapter 3");
  EXPECT_EQ(first[2].toArray()[4].toString(), QString("Second paragraph caf\u00e9\u00a0au"));
  const auto words = decodePage(first);
  ASSERT_EQ(words.size(), page.words.size());
  for (size_t i = 0; i < words.size(); ++i) {
    const PageWord &w = page.words[i];
    QString text = w.text;
    EXPECT_EQ(words[i].first, text.replace(' ', QChar(0x00A0)));
    const auto &[x, y, width, height] = words[i].second;
    EXPECT_LE(std::abs(x - w.x), 1.0) << i;
    EXPECT_LE(std::abs(x + width - (w.x + w.width)), 1.0) << i;
    EXPECT_LE(y, w.y + 1) << i;
    EXPECT_GE(y + height, w.y + w.height - 1) << i;
    EXPECT_LE(height, 12 + 1) << i;
  }
}

TEST(BookText, GzipBytesInflateToTheInput) {
  QByteArray input;
  for (int i = 0; i < 2000; ++i) input += "word " + QByteArray::number(i % 37) + ' ';
  const QByteArray packed = GzipBytes(input);
  ASSERT_GE(packed.size(), 18);
  EXPECT_EQ(packed.left(2), QByteArray("\x1f\x8b"));
  EXPECT_LT(packed.size(), input.size() / 4);
  z_stream z{};
  ASSERT_EQ(inflateInit2(&z, 15 + 16), Z_OK);
  QByteArray out(input.size() + 10, Qt::Uninitialized);
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.constData()));
  z.avail_in = uInt(packed.size());
  z.next_out = reinterpret_cast<Bytef *>(out.data());
  z.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  out.truncate(qsizetype(z.total_out));
  inflateEnd(&z);
  EXPECT_EQ(out, input);
  EXPECT_EQ(GzipBytes({}).size(), 20);  // header and trailer of nothing
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
