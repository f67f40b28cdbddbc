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

// A page's side file holding `words`.
QByteArray sideOf(const QByteArray &words) {
  return R"({"version":3,"width":612,"height":792,"words":[)" + words + "]}";
}

const QByteArray kWords =
    R"([72,70,40,12,"Chapter"],[116,70,10,12,"3"],[72,100,30,10,"The"],[105,100,40,10,"quick"],)"
    R"([72,112,30,10,"brown"],[105,112,40,10,"ex-"],[72,124,50,10,"ample."],"not a word",)"
    R"([72,160,30,10,"Second"],[105,160,40,10,"paragraph"])";

// A right-to-left line in logical order, leftwards, with a Latin run read
// rightwards inside it; then Latin words going left at the same height
// start a line of their own.
const QByteArray kRightToLeft =
    R"([300,200,30,10,"שלום"],[260,200,30,10,"עולם"],[200,200,20,10,"abc"],[225,200,20,10,"def"],)"
    R"([400,230,20,10,"ghi"],[300,230,20,10,"jkl"])";

}  // namespace

TEST(BookText, APageWithoutWordsHasNoParagraphs) {
  const auto empty = ParsePageSide(sideOf(""));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(PageParagraphs(*empty).isEmpty());
}

TEST(BookText, LinesBecomeParagraphsByTheirGaps) {
  const QStringList paragraphs = PageParagraphs(*ParsePageSide(sideOf(kWords + ',' + kRightToLeft)));
  EXPECT_EQ(paragraphs, QStringList({"Chapter 3", "The quick brown example.", "Second paragraph",
                                     "שלום עולם abc def", "ghi jkl"}));
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
  PageWords page = *ParsePageSide(
      sideOf(kWords + R"(,[300.4,159.6,80.2,10.7,"café au"],[20,400,9.6,10,"x"],)" + kRightToLeft));
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
  const QStringList lines = first[2].toVariant().toStringList();
  EXPECT_EQ(lines.mid(lines.size() - 3), QStringList({"שלום עולם abc def", "ghi", "jkl"}));
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
  const BookText text{{"A <b> & c"}, {}, {"ספר 1"}};
  const QString html =
      BookTextHtml(text, {"source/poster.jpg", "pages/2.jpg", ""}, {}, {QSize(), QSize(600, 800), QSize()});
  EXPECT_TRUE(html.contains("<section class=\"page\" id=\"page-1\">"));
  EXPECT_TRUE(html.contains("<h2>Page 2</h2>"));
  EXPECT_TRUE(html.contains("<p dir=\"auto\">ספר 1</p>"));
  EXPECT_TRUE(html.contains("<p>A &lt;b&gt; &amp; c</p>"));
  // A picture says the page's words, or its number where it has none.
  EXPECT_TRUE(html.contains("src=\"source/poster.jpg\" alt=\"A &lt;b&gt; &amp; c\" loading=\"lazy\""));
  EXPECT_TRUE(html.contains("src=\"pages/2.jpg\" alt=\"Page 2\" width=\"600\" height=\"800\" loading"));
  EXPECT_EQ(html.count("<section"), 3);
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
  // Link areas are shares of the page; a link to a page is no web link.
  const std::optional<PageWords> page = PageWords{
      612,
      792,
      {{72, 70, 60, 12, "Chapter"}, {72, 100, 30, 10, "Read"}, {105, 100, 40, 10, "more"}, {150, 100, 40, 10, "here."}},
      {{1, "Chapter"}, {2, "Not on the page"}},
      {{100 / 612.0, 98 / 792.0, 100 / 612.0, 14 / 792.0, "https://example.org/a?b=1&c=2", 0},
       {0, 0, 1, 1, "javascript:alert(1)", 0},
       {0, 0, 1, 1, QString(), 3}}};
  const PageMarks marks = MarksOfPage(*page);
  ASSERT_EQ(marks.links.size(), 1u);
  EXPECT_EQ(marks.links[0].first, "more here.");
  const QString html = BookTextHtml({PageParagraphs(*page)}, {QString()}, {marks});
  // A heading comes at most one level below the one before it.
  EXPECT_TRUE(html.contains("<h3>Not on the page</h3>\n<h3>Chapter</h3>\n<p>Read more here.</p>\n")) << html.toStdString();
  EXPECT_TRUE(html.contains("<li><a href=\"https://example.org/a?b=1&amp;c=2\">more here.</a></li>"));
  EXPECT_FALSE(html.contains("javascript"));
}

TEST(BookText, LanguageFromTheScript) {
  const struct {
    BookText text;
    const char *language;
  } cases[] = {
      {{{"The quick brown fox"}}, ""},
      {{{"שלום עולם, זהו ספר"}}, "he"},
      {{{"هذه مكتبة كبيرة في المدينة"}}, "ar"},
      {{{"این یک کتاب فارسی است که می‌خوانید"}}, "fa"},
      // Persian as some PDFs hold it: presentation forms.
      {{{QString::fromUtf8("\uFBFC\uFB8F\uFEE8\uFB7C\uFBFC \uFB92\uFBFE\uFB58\uFBFC")}}, "fa"},
      {{{"本书介绍字体的设置方法"}}, "zh"},
      {{{"これは日本語の本です"}}, "ja"},
      {{{"한국어로 된 책입니다"}}, "ko"},
      // A Chinese manual full of Latin commands is still Chinese.
      {{{"使用 \\setCJKmainfont 命令设置正文字体 fontspec xeCJK package option"}}, "zh"},
      {{{"Ein Buch mit einem Wort: שלום"}}, ""},
  };
  for (const auto &c : cases) EXPECT_EQ(BookTextLanguage(c.text), QString(c.language)) << c.text[0][0].toStdString();
}

TEST(FillPageTemplate, LanguageAndDirection) {
  PageAdditions additions;
  EXPECT_EQ(FillPageTemplate("<html lang=\"{lang}\" dir=\"{dir}\">", "", "", "", additions),
            QByteArray("<html lang=\"en\" dir=\"ltr\">\r\n"));
  additions.language = "fa";
  additions.direction = "rtl";
  EXPECT_EQ(FillPageTemplate("<html lang=\"{lang}\" dir=\"{dir}\">", "", "", "", additions),
            QByteArray("<html lang=\"fa\" dir=\"rtl\">\r\n"));
}
