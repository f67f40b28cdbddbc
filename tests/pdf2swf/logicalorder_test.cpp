// Right-to-left text from a real PDF (drawn in visual order, Arabic as
// presentation forms) through the real converter: the side files hold the
// words in logical order with their own boxes, and the book's search
// (search.js in node) finds them and boxes them where they are drawn.

#include "model/sidefiles.h"
#include "output/booktext.h"
#include "support/testdirs.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <optional>

namespace {

// The standard output of `program` run to a good end, else no value.
std::optional<QByteArray> RunTool(const QString &program, const QStringList &args) {
  QProcess p;
  p.setProcessEnvironment(lwtest::EnvironmentWithoutDisplay());
  p.start(program, args);
  if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
    return p.readAllStandardOutput();
  ADD_FAILURE() << program.toStdString() << ": " << p.readAllStandardError().toStdString();
  return std::nullopt;
}

}  // namespace

TEST(LogicalOrder, RightToLeftPagesAreStoredInLogicalOrderAndFoundWhereDrawn) {
  const QString font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", node = QStandardPaths::findExecutable("node");
  QProcess probe;
  probe.start("/usr/bin/python3", {"-c", "import reportlab"});
  if (!QFile::exists(font) || node.isEmpty() || !probe.waitForFinished(60000) || probe.exitCode() != 0)
    GTEST_SKIP() << "needs fonts-dejavu-core, node and Debian's python3 with reportlab";
  lwtest::TempDir dir;
  const QString pdf = dir.file("rtl.pdf"), source = QStringLiteral(LW_SOURCE_DIR);
  const std::optional<QByteArray> made = RunTool("/usr/bin/python3", {source + "/tests/pdf2swf/make_rtl_pages.py", pdf, font});
  ASSERT_TRUE(made && RunTool(lwtest::ProgramDir() + "/pdf2swf", {pdf, "-j", "80", "-o", dir.file("rtl_%.swf")}));

  // Each page's words in logical order as drawn: [[text, left, right], ...].
  const QJsonArray expected = QJsonDocument::fromJson(*made).array();
  std::vector<lw::PageWords> pages;
  for (qsizetype p = 0; p < expected.size(); ++p) {
    const auto read = lw::ParsePageSide(lwtest::ReadFile(dir.file(QStringLiteral("rtl_%1.page.json").arg(p + 1))));
    ASSERT_TRUE(read);
    const QJsonArray words = expected[p].toArray();
    ASSERT_EQ(read->words.size(), static_cast<size_t>(words.size()));
    for (qsizetype k = 0; k < words.size(); ++k) {
      const lw::PageWord &w = read->words[static_cast<size_t>(k)];
      EXPECT_EQ(w.text, words[k][0].toString()) << "page " << p + 1 << " word " << k;
      EXPECT_NEAR(w.x, words[k][1].toDouble(), 1.0) << w.text.toStdString();
      EXPECT_NEAR(w.x + w.width, words[k][2].toDouble(), 1.0) << w.text.toStdString();
    }
    pages.push_back(*read);
  }

  // Each query's pages and, on the first, its boxes' left and right in points.
  ASSERT_TRUE(lwtest::WriteFile(dir.file("text.json"), lw::BookTextJson(pages)));
  const struct {
    QString query;
    int page;
    double left, right;  // of its one box
  } cases[] = {{"ספר לדוגמה", 1, 124.8, 220.0}, {"12 של Leafweaver", 1, 72.2, 233.9}, {"مطالب", 2, 40.0, 93.1}};
  QStringList args{"-e", R"(const s = require(process.argv[1]), book = JSON.parse(require("fs").readFileSync(process.argv[2]));
    const index = new s.BookIndex(book);
    console.log(JSON.stringify(process.argv.slice(3).map((q) => index.find(q).map((r) => [r.page,
      index.boxes(r.page, q).map((b) => [b[0], b[0] + b[2]].map((v) => v * book.pages[r.page - 1][0]))]))));)",
                   source + "/data/Resource/source/search.js", dir.file("text.json")};
  for (const auto &c : cases) args << c.query;
  const std::optional<QByteArray> found = RunTool(node, args);
  ASSERT_TRUE(found);
  const QJsonArray results = QJsonDocument::fromJson(*found).array();
  for (size_t i = 0; i < std::size(cases); ++i) {
    const QJsonArray r = results[static_cast<qsizetype>(i)].toArray();  // [[page, [[left, right], ...]], ...]
    ASSERT_EQ(r.size(), 1) << cases[i].query.toStdString() << ": " << found->toStdString();
    EXPECT_EQ(r[0][0].toInt(), cases[i].page);
    ASSERT_EQ(r[0][1].toArray().size(), 1) << cases[i].query.toStdString();
    EXPECT_NEAR(r[0][1][0][0].toDouble(), cases[i].left, 1.5) << cases[i].query.toStdString();
    EXPECT_NEAR(r[0][1][0][1].toDouble(), cases[i].right, 1.5) << cases[i].query.toStdString();
  }
}
