// Pages over their budget: the real converter on the hand-made PDFs of
// tests/data/pdf/hostile, run with a small address space and a short page
// time. Each must end normally within seconds, write a page that passes the
// movie check and say in its report why the page is not a vector page.

#include "swf/swfcheck.h"
#include "swf/swfreader.h"
#include "support/testdirs.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <ostream>

#include <sys/resource.h>

namespace {

// The converter's address space in these runs: far below what the pages
// took before they had budgets (2 GB and more), far above what a page
// within its budget needs.
constexpr rlim_t kAddressSpace = 1024ull << 20;

struct RunEnd {
  bool ended = false;  // ended by itself within the guard, not by a signal
  int exitCode = -1;
  QString err;
};

// Runs the staged converter on `pdf` with the address-space limit set in
// the child before it starts. The guard is generous: a page's time is two
// seconds or less here, and the test is about the outcome, not the speed.
RunEnd Convert(const QStringList &args, rlim_t addressSpace = kAddressSpace) {
  QProcess proc;
  proc.setProcessEnvironment(lwtest::EnvironmentWithoutDisplay());
  proc.setChildProcessModifier([addressSpace] {
    const rlimit limit{addressSpace, addressSpace};
    setrlimit(RLIMIT_AS, &limit);
  });
  proc.start(lwtest::ProgramDir() + "/pdf2swf", args);
  RunEnd r;
  if (!proc.waitForFinished(90000)) {
    proc.kill();
    proc.waitForFinished(10000);
    return r;
  }
  r.ended = proc.exitStatus() == QProcess::NormalExit;
  r.exitCode = proc.exitCode();
  r.err = QString::fromLocal8Bit(proc.readAllStandardError());
  return r;
}

QByteArray ReadFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct BudgetCase {
  const char *file;
  const char *kind;          // the report's kind of page
  const char *reason;        // a part of the report's reason
  bool bitmapOption = false;  // run with --bitmap
  const char *pageTime = "2";  // --page-time
};

void PrintTo(const BudgetCase &c, std::ostream *os) { *os << c.file << (c.bitmapOption ? " --bitmap" : ""); }

class PageBudget : public ::testing::TestWithParam<BudgetCase> {
 protected:
  lwtest::TempDir dir;
};

TEST_P(PageBudget, EndsNormallyWithAPageAndItsReason) {
  const BudgetCase &c = GetParam();
  const QString pdf = QStringLiteral(LW_SOURCE_DIR "/tests/data/pdf/hostile/") + c.file;
  ASSERT_TRUE(QFile::exists(pdf)) << pdf.toStdString();
  const QString report = dir.file("report.txt");
  QStringList args{pdf, "-j", "60", "-o", dir.file("out/p_%.swf"), "--report", report, "--page-time", c.pageTime};
  if (c.bitmapOption) args << "--bitmap";
  QDir().mkpath(dir.file("out"));
  const RunEnd r = Convert(args);
  ASSERT_TRUE(r.ended) << "the converter did not end by itself";
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

  const QByteArray line = ReadFile(report);
  ASSERT_TRUE(line.endsWith('\n') && line.count('\n') == 1) << line.toStdString();
  const QList<QByteArray> fields = line.chopped(1).split('\t');
  ASSERT_EQ(fields.size(), 4) << line.toStdString();
  EXPECT_EQ(fields[0], "1");
  EXPECT_EQ(fields[1], c.kind);
  EXPECT_TRUE(fields[3].contains(c.reason)) << fields[3].toStdString();

  const QByteArray movie = ReadFile(dir.file("out/p_1.swf"));
  const lw::swf::Bytes bytes(movie.begin(), movie.end());
  const lw::swf::CheckResult check = lw::swf::CheckMovie(bytes);
  EXPECT_TRUE(check.ok) << check.error;
  // Every page has its words file; a plain page's holds the size line only.
  const QByteArray words = ReadFile(dir.file("out/p_1.words"));
  EXPECT_TRUE(words.startsWith("words 1 612 792\n")) << words.toStdString();
  if (QByteArray(c.kind) == "plain") {
    EXPECT_EQ(words, "words 1 612 792\n");
    // One JPEG: white, with the grey words saying so across the middle.
    const std::optional<lw::swf::PageBitmap> bitmap = lw::swf::ExtractPageBitmap(bytes);
    ASSERT_TRUE(bitmap.has_value());
    const QImage page = QImage::fromData(
        QByteArray(reinterpret_cast<const char *>(bitmap->jpeg.data()), static_cast<qsizetype>(bitmap->jpeg.size())));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(qGray(page.pixel(2, 2)), 245);
    int dark = 0;
    for (int x = 0; x < page.width(); ++x)
      for (int y = page.height() * 45 / 100; y < page.height() * 52 / 100; ++y) dark += qGray(page.pixel(x, y)) < 160;
    EXPECT_GT(dark, 50) << "no words on the plain page";
  }
}

// A page left part way through frees what Poppler held for it: twenty pages
// of one long path each (17 MB apiece while they leaked) stay within
// 400 MiB, where one such page needs less than 300.
TEST(Pdf2SwfBudgetPages, ManyPagesOverBudgetStayWithinTheAddressSpace) {
  const QString qpdf = QStandardPaths::findExecutable("qpdf");
  if (qpdf.isEmpty()) GTEST_SKIP() << "qpdf is not installed; it joins the pages";
  lwtest::TempDir dir;
  const QString one = QStringLiteral(LW_SOURCE_DIR "/tests/data/pdf/hostile/long_stroke.pdf");
  QStringList args{"--empty", "--pages"};
  for (int i = 0; i < 20; ++i) args << one;
  args << "--" << dir.file("many.pdf");
  QProcess join;
  join.start(qpdf, args);
  ASSERT_TRUE(join.waitForFinished(60000) && join.exitCode() == 0) << join.readAllStandardError().toStdString();
  QDir().mkpath(dir.file("out"));
  const RunEnd r = Convert({dir.file("many.pdf"), "-j", "60", "-o", dir.file("out/p_%.swf"), "--report",
                            dir.file("report.txt"), "-t", "1"},
                           400ull << 20);
  ASSERT_TRUE(r.ended) << "the converter did not end by itself";
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(ReadFile(dir.file("report.txt")).count("\tplain\t"), 20);
}

INSTANTIATE_TEST_SUITE_P(
    Pdf2SwfBudget, PageBudget,
    ::testing::Values(
        // Billions of pattern cells: refused before the first, as vectors and as a bitmap.
        BudgetCase{"tiling_cells.pdf", "plain", "tiling pattern of too many cells; bitmap: tiling pattern"},
        BudgetCase{"tiling_cells.pdf", "plain", "bitmap: tiling pattern of too many cells", true},
        // One path of 400,000 segments: counted before it is made, never given to Splash.
        BudgetCase{"long_stroke.pdf", "plain", "too many paths; bitmap: too many segments"},
        // Four billion forms: their clips (or the time) stop the vectors, the
        // page time the bitmap (a short one, well before its two million segments).
        BudgetCase{"nested_forms.pdf", "plain", "bitmap: took too long", false, "0.3"},
        BudgetCase{"nested_forms.pdf", "plain", "bitmap: took too long", true, "0.3"},
        // A million mesh triangles: counted before Splash draws one.
        BudgetCase{"mesh_million.pdf", "plain", "bitmap: mesh shading of too many triangles"},
        // A radial shading painted 100,000 times: the items or the page time
        // stop the vectors (whichever comes first on a busy machine), the
        // page time the bitmap.
        BudgetCase{"radial_repeat.pdf", "plain", "bitmap: took too long", false, "0.3"},
        // A pattern of 100 cells is within every budget and stays vectors.
        BudgetCase{"tiling_small.pdf", "vector", ""}),
    [](const ::testing::TestParamInfo<BudgetCase> &info) {
      QString name = QString::fromLatin1(info.param.file).section('.', 0, 0);
      name.remove('_');
      return (name + (info.param.bitmapOption ? "Bitmap" : "Vector")).toStdString();
    });

}  // namespace
