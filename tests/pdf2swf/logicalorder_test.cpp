// Right-to-left text read by the real converter from a real PDF (Hebrew,
// Arabic presentation forms, a Hebrew line with a number and a Latin word,
// all drawn in visual order as PDF writers leave them): the side files hold
// the words in logical order with their own boxes, and the book's search
// (search.js in node) finds them and boxes them where they are drawn.

#include "model/sidefiles.h"
#include "output/booktext.h"
#include "support/testdirs.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <optional>

namespace {

constexpr const char *kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Runs `program` with `args`; its standard output, or no value when it
// does not end well within two minutes.
std::optional<QByteArray> RunTool(const QString &program, const QStringList &args) {
  QProcess p;
  p.setProcessEnvironment(lwtest::EnvironmentWithoutDisplay());
  p.start(program, args);
  if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return std::nullopt;
  }
  return p.readAllStandardOutput();
}

}  // namespace

TEST(LogicalOrder, RightToLeftPagesAreStoredInLogicalOrderAndFoundWhereDrawn) {
#ifndef LW_PYTHON3
  GTEST_SKIP() << "Debian's python3 with reportlab is needed to make the PDF";
#else
  const QString node = QStandardPaths::findExecutable("node");
  if (!QFile::exists(kFont) || node.isEmpty()) GTEST_SKIP() << "fonts-dejavu-core and node are needed";
  QProcess probe;
  probe.start(LW_PYTHON3, {"-c", "import reportlab"});
  if (!probe.waitForFinished(60000) || probe.exitCode() != 0) GTEST_SKIP() << "no python3 with reportlab";
  lwtest::TempDir dir;
  const QString pdf = dir.file("rtl.pdf");
  const std::optional<QByteArray> made =
      RunTool(LW_PYTHON3, {QStringLiteral(LW_SOURCE_DIR) + "/tests/pdf2swf/make_rtl_pages.py", pdf, kFont});
  ASSERT_TRUE(made);
  ASSERT_TRUE(RunTool(lwtest::ProgramDir() + "/pdf2swf", {pdf, "-j", "80", "-o", dir.file("rtl_%.swf"), "-r", "40"}));

  // Each page's words as the PDF's writer placed them, in logical order:
  // [[text, left, right], ...].
  const QJsonArray expected = QJsonDocument::fromJson(*made).array();
  ASSERT_EQ(expected.size(), 2);
  std::vector<lw::PageWords> pages;
  for (int p = 0; p < 2; ++p) {
    const QString side = dir.file(QStringLiteral("rtl_%1.page.json").arg(p + 1));
    const std::optional<lw::PageWords> read = lw::ParsePageSide(lwtest::ReadFile(side));
    ASSERT_TRUE(read) << side.toStdString();
    const QJsonArray words = expected[p].toArray();
    QStringList got, want;
    for (const lw::PageWord &w : read->words) got << w.text;
    for (const QJsonValue &w : words) want << w[0].toString();
    ASSERT_EQ(got, want) << "page " << p + 1;
    for (qsizetype k = 0; k < words.size(); ++k) {
      const lw::PageWord &w = read->words[static_cast<size_t>(k)];
      EXPECT_NEAR(w.x, words[k][1].toDouble(), 1.0) << w.text.toStdString();
      EXPECT_NEAR(w.x + w.width, words[k][2].toDouble(), 1.0) << w.text.toStdString();
    }
    pages.push_back(*read);
  }

  // The search over the book's text: each query's pages, and on the first
  // the left and right of each box in points.
  const QString text = dir.file("text.json");
  ASSERT_TRUE(lwtest::WriteFile(text, lw::BookTextJson(pages)));
  const char *script = R"(
    const search = require(process.argv[1]), book = JSON.parse(require("fs").readFileSync(process.argv[2], "utf8"));
    const index = new search.BookIndex(book);
    console.log(JSON.stringify(process.argv.slice(3).map((q) => {
      const pages = index.find(q).map((r) => r.page), width = pages.length ? book.pages[pages[0] - 1][0] : 0;
      return [pages, pages.length ? index.boxes(pages[0], q).map((b) => [b[0] * width, (b[0] + b[2]) * width]) : []];
    })));)";
  const struct {
    QString query;
    int page;
    double left, right;  // of its one box, in points
  } cases[] = {
      {"לדוגמה", 1, 124.8, 181.2},
      {"ספר לדוגמה", 1, 124.8, 220.0},  // one box over both words
      {"12 של Leafweaver", 1, 72.2, 233.9},
      {"مطالب", 2, 40.0, 93.1},
      {"فهرست مطالب", 2, 40.0, 158.4},
  };
  QStringList args{"-e", script, QStringLiteral(LW_SOURCE_DIR) + "/data/Resource/source/search.js", text};
  for (const auto &c : cases) args << c.query;
  const std::optional<QByteArray> found = RunTool(node, args);
  ASSERT_TRUE(found);
  const QJsonArray results = QJsonDocument::fromJson(*found).array();
  ASSERT_EQ(results.size(), static_cast<qsizetype>(std::size(cases))) << found->toStdString();
  for (size_t i = 0; i < std::size(cases); ++i) {
    const QJsonArray r = results[static_cast<qsizetype>(i)].toArray();
    const std::string query = cases[i].query.toStdString();
    ASSERT_EQ(r[0].toArray(), QJsonArray{cases[i].page}) << query;
    ASSERT_EQ(r[1].toArray().size(), 1) << query << ": " << found->toStdString();
    EXPECT_NEAR(r[1][0][0].toDouble(), cases[i].left, 1.5) << query;
    EXPECT_NEAR(r[1][0][1].toDouble(), cases[i].right, 1.5) << query;
  }
#endif
}
