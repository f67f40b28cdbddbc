// The page converter: its argument rules, and the real executable run on
// real PDFs, its output checked by an independent SWF reader.

#include "model/sidefiles.h"
#include "model/webaddress.h"
#include "pdf2swf/pdf2swf.h"
#include "pdf2swf/placements.h"
#include "pdf2swf/testpdf.h"
#include "swf/swfcheck.h"
#include "swf/swfreader.h"
#include "support/testdirs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QImage>
#include <gtest/gtest.h>

// The independent SWF reader's interpreter, when the build found one.
#ifdef LW_PYTHON3
constexpr const char *kPython = LW_PYTHON3;
#else
constexpr const char *kPython = nullptr;
#endif

using namespace lw::pdf2swf;
using lw::IsOpenableAddress;

namespace {

struct RunResult {
  int exitCode = -1;
  QString out;
  QString err;
};

// Runs the staged converter with no display in its environment.
RunResult RunConverter(const QStringList &args) {
  QProcess proc;
  proc.setProcessEnvironment(lwtest::EnvironmentWithoutDisplay());
  proc.start(lwtest::ProgramDir() + "/pdf2swf", args);
  RunResult r;
  if (!proc.waitForFinished(120000)) return r;
  r.exitCode = proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
  r.out = QString::fromLocal8Bit(proc.readAllStandardOutput());
  r.err = QString::fromLocal8Bit(proc.readAllStandardError());
  return r;
}

QStringList Entries(const QString &folder) {
  return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

TEST(Pdf2SwfArguments, AcceptsTheConverterCommandLineAndItsOwnOptions) {
  ParsedArguments p = ParseArguments({"/a b/in.pdf", "-j", "100", "-o", "/x y/in_%.swf"});
  ASSERT_TRUE(p.ok) << p.error.toStdString();
  EXPECT_EQ(p.options.pdfPath, "/a b/in.pdf");
  EXPECT_EQ(p.options.quality, 100);
  EXPECT_EQ(p.options.pattern, "/x y/in_%.swf");
  EXPECT_EQ(p.options.dpi, kDefaultDpi);
  EXPECT_EQ(p.options.threads, 0);
  EXPECT_FALSE(p.options.compress);

  p = ParseArguments({"-r", "96", "-o", "o_%.swf", "-z", "-t", "3", "-j", "0", "in.pdf"});
  ASSERT_TRUE(p.ok) << p.error.toStdString();
  EXPECT_EQ(p.options.dpi, 96.0);
  EXPECT_EQ(p.options.threads, 3);
  EXPECT_EQ(p.options.quality, 0);
  EXPECT_TRUE(p.options.compress);

  // A page list, merged into ascending runs.
  p = ParseArguments({"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", " 30, 1-25,26 ,2-3"});
  ASSERT_TRUE(p.ok) << p.error.toStdString();
  EXPECT_EQ(p.options.pages, (std::vector<std::pair<int, int>>{{1, 26}, {30, 30}}));

  EXPECT_TRUE(ParseArguments({"--help"}).options.help);
  EXPECT_TRUE(ParseArguments({"-h"}).ok);
}

TEST(Pdf2SwfArguments, OutlineFile) {
  ParsedArguments p = ParseArguments({"in.pdf", "-j", "100", "-o", "o_%.swf", "--outline", "/x y/o_outline.json"});
  ASSERT_TRUE(p.ok) << p.error.toStdString();
  EXPECT_EQ(p.options.outline, "/x y/o_outline.json");
  EXPECT_FALSE(ParseArguments({"in.pdf", "-j", "1", "-o", "o_%.swf", "--outline"}).ok);
  EXPECT_FALSE(ParseArguments({"in.pdf", "-j", "1", "-o", "o_%.swf", "--outline", "a", "--outline", "b"}).ok);
  EXPECT_TRUE(IsOpenableAddress("https://example.org/a?b=1"));
  EXPECT_TRUE(IsOpenableAddress("HTTP://example.org/"));
  EXPECT_TRUE(IsOpenableAddress("mailto:a@b.c"));
  EXPECT_FALSE(IsOpenableAddress("javascript:alert(1)"));
  EXPECT_FALSE(IsOpenableAddress("file:///etc/passwd"));
  EXPECT_FALSE(IsOpenableAddress("https://a.b/\"><script>"));
}

TEST(Pdf2SwfArguments, RefusesBadCommandLines) {
  const QList<QStringList> bad = {
      {},
      {"in.pdf", "-j", "100"},                               // no pattern
      {"in.pdf", "-o", "o_%.swf"},                           // no quality
      {"in.pdf", "-j", "101", "-o", "o_%.swf"},              // quality range
      {"in.pdf", "-j", "ten", "-o", "o_%.swf"},
      {"in.pdf", "-j", "100", "-o", "o.swf"},                // no page number
      {"in.pdf", "-j", "100", "-o"},                         // missing value
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "-r", "5"},   // resolution range
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "-t", "-1"},
      {"in.pdf", "-j", "100", "-j", "90", "-o", "o_%.swf"},  // repeated
      {"in.pdf", "two.pdf", "-j", "100", "-o", "o_%.swf"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--fast"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--links", "l.json"},  // the links are in the side files
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages"},              // page lists
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", ""},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", "0"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", "5-3"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", "1,,2"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", "All"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", "1-"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", "-3"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", "99999999999"},
      {"in.pdf", "-j", "100", "-o", "o_%.swf", "--pages", "1", "--pages", "2"},
  };
  for (const QStringList &args : bad) {
    const ParsedArguments p = ParseArguments(args);
    EXPECT_FALSE(p.ok) << args.join(' ').toStdString();
    EXPECT_FALSE(p.error.isEmpty());
  }
  EXPECT_EQ(PageFileName("/t/a.b/a.b_%.swf", 12), "/t/a.b/a.b_12.swf");
  EXPECT_EQ(PageFileName("/t/100% off/50%.x/50%_%.swf", 3), "/t/100% off/50%.x/50%_3.swf");
  EXPECT_EQ(ProgressLine(3, 12), "page 3/12");
}

class Pdf2SwfRun : public ::testing::Test {
 protected:
  lwtest::TempDir dir;
};

TEST_F(Pdf2SwfRun, WritesOneCheckedMoviePerPageAndReportsProgress) {
  const QString pdf = dir.file("in put/annual.report.pdf");
  QDir().mkpath(dir.file("in put"));
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 3, {2}));
  const QString out = dir.file("out folder/annual.report");
  QDir().mkpath(out);
  const RunResult r = RunConverter({pdf, "-j", "100", "-o", out + "/annual.report_%.swf", "-r", "72", "--bitmap"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "page 1/3\npage 2/3\npage 3/3\n");
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
  // Each page with its side file.
  EXPECT_EQ(Entries(out), (QStringList{"annual.report_1.page.json", "annual.report_1.swf", "annual.report_2.page.json",
                                       "annual.report_2.swf", "annual.report_3.page.json", "annual.report_3.swf"}));

  if (!kPython) GTEST_SKIP() << "Debian's python3 with yaswfp is needed for the independent reader";
  auto check = [&](const QStringList &files, const QString &w, const QString &h, const QString &px) {
    QProcess py;
    py.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args{QStringLiteral(LW_SOURCE_DIR "/tests/swf/check_swf.py"), "--width", w, "--height", h,
                     "--image", px, "--jpeg-out", dir.file("page.jpg")};
    py.start(kPython, args + files);
    EXPECT_TRUE(py.waitForFinished(60000));
    EXPECT_EQ(py.exitCode(), 0) << py.readAll().toStdString();
  };
  // QPdfWriter's A4 page is 595 x 842 points; at 72 dpi one pixel per point.
  check({out + "/annual.report_1.swf", out + "/annual.report_3.swf"}, "11900", "16840", "595x842");
  // The decoded page (page 3, checked last) shows the drawing: white paper,
  // the red box.
  const QImage page(dir.file("page.jpg"));
  ASSERT_FALSE(page.isNull());
  EXPECT_GT(qGray(page.pixel(5, 5)), 240);
  const QColor red = page.pixelColor(140, 690);
  EXPECT_GT(red.red(), 180);
  EXPECT_LT(red.blue(), 90);
  check({out + "/annual.report_2.swf"}, "16840", "11900", "842x595");
}

TEST_F(Pdf2SwfRun, ThreadCountDoesNotChangeTheOutputAndReRunsReplaceFiles) {
  const QString pdf = dir.file("doc.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 5));
  QDir().mkpath(dir.file("one"));
  QDir().mkpath(dir.file("many"));
  ASSERT_EQ(RunConverter({pdf, "-j", "80", "-o", dir.file("one/doc_%.swf"), "-r", "40", "-t", "1"}).exitCode, 0);
  const RunResult r = RunConverter({pdf, "-j", "80", "-o", dir.file("many/doc_%.swf"), "-r", "40", "-t", "4"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out.count('\n'), 5);
  EXPECT_TRUE(r.out.endsWith("page 5/5\n"));
  for (int n = 1; n <= 5; ++n) {
    const QByteArray a = lwtest::ReadFile(dir.file(QStringLiteral("one/doc_%1.swf").arg(n)));
    ASSERT_FALSE(a.isEmpty());
    EXPECT_EQ(a, lwtest::ReadFile(dir.file(QStringLiteral("many/doc_%1.swf").arg(n)))) << n;
  }
  // A second run over existing files replaces them and leaves no temporary names.
  ASSERT_TRUE(lwtest::WriteFile(dir.file("many/doc_2.swf"), "stale"));
  ASSERT_EQ(RunConverter({pdf, "-j", "80", "-o", dir.file("many/doc_%.swf"), "-r", "40", "-z"}).exitCode, 0);
  EXPECT_TRUE(lwtest::ReadFile(dir.file("many/doc_2.swf")).startsWith("CWS"));
  // Five pages, their words and the first page's picture.
  EXPECT_EQ(Entries(dir.file("many")).size(), 11);
  EXPECT_FALSE(QImage(dir.file("many/doc_1.jpg")).isNull());
}

// --pages: only those pages with their words (the picture goes with page
// 1 alone), their links only; a page beyond the end writes nothing.
TEST_F(Pdf2SwfRun, WritesOnlyTheChosenPages) {
  const QString pdf = dir.file("doc.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 5));
  QDir().mkpath(dir.file("out"));
  const QString pattern = dir.file("out/doc_%.swf");
  RunResult r = RunConverter({pdf, "-j", "80", "-o", pattern, "-r", "40", "--pages", "4-5,2"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "page 1/3\npage 2/3\npage 3/3\n");
  EXPECT_EQ(Entries(dir.file("out")), (QStringList{"doc_2.page.json", "doc_2.swf", "doc_4.page.json", "doc_4.swf",
                                                  "doc_5.page.json", "doc_5.swf"}));
  const std::optional<lw::PageWords> side = lw::ParsePageSide(lwtest::ReadFile(dir.file("out/doc_4.page.json")));
  ASSERT_TRUE(side.has_value());
  EXPECT_TRUE(side->links.empty());
  EXPECT_FALSE(side->words.empty());
  r = RunConverter({pdf, "-j", "80", "-o", pattern, "-r", "40", "--pages", "1"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(lwtest::Exists(dir.file("out/doc_1.jpg")));

  QDir(dir.file("out")).removeRecursively();
  QDir().mkpath(dir.file("out"));
  r = RunConverter({pdf, "-j", "80", "-o", pattern, "--pages", "2,6-9"});
  EXPECT_EQ(r.exitCode, kExitNoSuchPage);
  EXPECT_TRUE(r.err.contains("page 6 is beyond the last page")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("has 5")) << r.err.toStdString();
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_TRUE(Entries(dir.file("out")).isEmpty());
  r = RunConverter({pdf, "-j", "80", "-o", pattern, "--pages", "3-1"});
  EXPECT_EQ(r.exitCode, kExitUsage);
  EXPECT_TRUE(r.err.contains("--pages")) << r.err.toStdString();
}

TEST_F(Pdf2SwfRun, FailsClearlyOnUnusableInput) {
  QDir().mkpath(dir.file("out"));
  const QString pattern = dir.file("out/x_%.swf");
  auto expectFailure = [&](const QString &pdf, int code, const char *words) {
    const RunResult r = RunConverter({pdf, "-j", "100", "-o", pattern});
    EXPECT_EQ(r.exitCode, code) << pdf.toStdString() << ": " << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("pdf2swf: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(words)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(Entries(dir.file("out")).isEmpty());
  };
  expectFailure(dir.file("nothing here.pdf"), kExitMissing, "does not exist");
  QDir().mkpath(dir.file("folder.pdf"));
  expectFailure(dir.file("folder.pdf"), kExitUnreadable, "cannot read");

  ASSERT_TRUE(lwtest::WriteFile(dir.file("junk.pdf"), QByteArray(4000, 'x')));
  expectFailure(dir.file("junk.pdf"), kExitDamaged, "damaged");
  ASSERT_TRUE(lwtest::WriteFile(dir.file("empty.pdf"), QByteArray()));
  expectFailure(dir.file("empty.pdf"), kExitDamaged, "damaged");

  const QString plain = dir.file("plain.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(plain, 1));
  const QString qpdf = QStandardPaths::findExecutable("qpdf");
  if (!qpdf.isEmpty()) {
    QProcess enc;
    enc.start(qpdf, {"--encrypt", "secret", "owner", "256", "--", plain, dir.file("locked.pdf")});
    ASSERT_TRUE(enc.waitForFinished(30000));
    ASSERT_EQ(enc.exitCode(), 0);
    expectFailure(dir.file("locked.pdf"), kExitEncrypted, "encrypted");
  }

  // Bad command line and an output folder that does not exist.
  const RunResult usage = RunConverter({plain, "-j", "100"});
  EXPECT_EQ(usage.exitCode, kExitUsage);
  EXPECT_TRUE(usage.err.contains("-o"));
  const RunResult noFolder = RunConverter({plain, "-j", "100", "-o", dir.file("missing/x_%.swf")});
  EXPECT_EQ(noFolder.exitCode, kExitWriteFailed);
  EXPECT_TRUE(noFolder.err.contains("cannot write"));

  const RunResult help = RunConverter({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("page <done>/<total>"));
  EXPECT_TRUE(help.out.contains("-r <dpi>"));
}

TEST_F(Pdf2SwfRun, RotatedPageGetsATurnedStage) {
  const QString qpdf = QStandardPaths::findExecutable("qpdf");
  if (qpdf.isEmpty()) GTEST_SKIP() << "qpdf not installed";
  ASSERT_TRUE(lwtest::MakeTestPdf(dir.file("upright.pdf"), 2));
  QProcess rotate;
  rotate.start(qpdf, {"--rotate=+90:2", dir.file("upright.pdf"), dir.file("turned.pdf")});
  ASSERT_TRUE(rotate.waitForFinished(30000));
  ASSERT_EQ(rotate.exitCode(), 0);
  QDir().mkpath(dir.file("out"));
  const RunResult r = RunConverter({dir.file("turned.pdf"), "-j", "60", "-o", dir.file("out/t_%.swf"), "-r", "36", "--bitmap"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  if (!kPython) GTEST_SKIP() << "Debian's python3 with yaswfp is needed for the independent reader";
  QProcess py;
  py.setProcessChannelMode(QProcess::MergedChannels);
  py.start(kPython, {QStringLiteral(LW_SOURCE_DIR "/tests/swf/check_swf.py"), "--width", "16840",
                        "--height", "11900", "--image", "421x298", dir.file("out/t_2.swf")});
  ASSERT_TRUE(py.waitForFinished(60000));
  EXPECT_EQ(py.exitCode(), 0) << py.readAll().toStdString();
}

// The player shows no bitmap above 4096 pixels a side, so neither is written.
TEST_F(Pdf2SwfRun, GiantPageIsRenderedSmallerInsteadOfFailing) {
  QPdfWriter writer(dir.file("giant.pdf"));
  writer.setPageSize(QPageSize(QSizeF(14400, 7200), QPageSize::Point));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  {
    QPainter p(&writer);
    p.drawText(100, 100, "giant");
  }
  QDir().mkpath(dir.file("out"));
  const RunResult r = RunConverter({dir.file("giant.pdf"), "-j", "30", "-o", dir.file("out/g_%.swf"), "--bitmap"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  if (!kPython) GTEST_SKIP() << "Debian's python3 with yaswfp is needed for the independent reader";
  QProcess py;
  py.setProcessChannelMode(QProcess::MergedChannels);
  py.start(kPython, {QStringLiteral(LW_SOURCE_DIR "/tests/swf/check_swf.py"), "--width", "288000",
                        "--height", "144000", "--image", "4096x2048", dir.file("out/g_1.swf")});
  ASSERT_TRUE(py.waitForFinished(60000));
  EXPECT_EQ(py.exitCode(), 0) << py.readAll().toStdString();
}

// Vector pages by default; each page file passes the movie check, and the
// report says how every page was written.
TEST_F(Pdf2SwfRun, WritesCheckedVectorPagesByDefault) {
  QPdfWriter writer(dir.file("vec.pdf"));
  writer.setPageSize(QPageSize(QPageSize::A5));
  {
    QPainter p(&writer);
    p.setFont(QFont("DejaVu Sans", 12));
    p.drawText(200, 200, "vector page one");
    p.fillRect(QRect(300, 400, 2000, 800), QColor(40, 90, 200));
    writer.newPage();
    p.drawText(200, 200, "vector page two");
  }
  QDir().mkpath(dir.file("v"));
  const RunResult r = RunConverter({dir.file("vec.pdf"), "-j", "90", "-o", dir.file("v/p_%.swf"), "--report",
                                    dir.file("v/report.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile report(dir.file("v/report.txt"));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(report.readAll()).trimmed().split('\n');
  ASSERT_EQ(lines.size(), 2);
  for (int page = 1; page <= 2; ++page) {
    EXPECT_TRUE(lines[page - 1].startsWith(QStringLiteral("%1\tvector\t").arg(page))) << lines[page - 1].toStdString();
    QFile f(dir.file(QStringLiteral("v/p_%1.swf").arg(page)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const lw::swf::CheckResult check = lw::swf::CheckMovie(lw::swf::Bytes(bytes.begin(), bytes.end()));
    EXPECT_TRUE(check.ok) << check.error;
    EXPECT_GE(check.fonts, 1);
    EXPECT_GE(check.texts, 1);
  }
}

// A page that cannot be drawn as vectors (a gradient fading to transparent
// needs a soft mask) becomes a bitmap page drawn finer than the run's
// resolution, so it stays sharp when the reader zooms in.
TEST_F(Pdf2SwfRun, FallbackPagesAreFinerBitmaps) {
  QPdfWriter writer(dir.file("mask.pdf"));
  writer.setPageSize(QPageSize(QSizeF(360, 288), QPageSize::Point));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(72);
  {
    QPainter p(&writer);
    QLinearGradient fade(0, 0, 300, 0);
    fade.setColorAt(0, QColor(200, 30, 30, 255));
    fade.setColorAt(1, QColor(200, 30, 30, 0));
    p.fillRect(QRect(20, 20, 300, 200), fade);
  }
  QDir().mkpath(dir.file("m"));
  const RunResult r = RunConverter({dir.file("mask.pdf"), "-j", "80", "-o", dir.file("m/p_%.swf"), "-r", "72",
                                    "--report", dir.file("m/report.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile report(dir.file("m/report.txt"));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly));
  const QString line = QString::fromUtf8(report.readAll()).trimmed();
  ASSERT_TRUE(line.startsWith(QStringLiteral("1\tbitmap\t"))) << line.toStdString();
  QFile f(dir.file("m/p_1.swf"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  const auto bitmap = lw::swf::ExtractPageBitmap(lw::swf::Bytes(bytes.begin(), bytes.end()));
  ASSERT_TRUE(bitmap.has_value());
  const QImage image = QImage::fromData(QByteArray(reinterpret_cast<const char *>(bitmap->jpeg.data()),
                                                   static_cast<qsizetype>(bitmap->jpeg.size())));
  // 360 points at 72 dpi would be 360 pixels; the fallback is 4/3 finer.
  EXPECT_EQ(image.width(), 480);
  EXPECT_EQ(image.height(), 384);
}

namespace {

// A PDF of hand-written pages of 420 x 300 points. Every page has Helvetica
// as /F1, graphics states named after the blend mode they set, and four
// transparency groups: /Disjoint and /Overlapping paint two rectangles
// normally, apart or overlapping; /Inner and /Isolated (an isolated one)
// paint a rectangle with Multiply.
QByteArray BlendPdf(const std::vector<QByteArray> &pages) {
  const QByteArray states =
      "/ExtGState << /Multiply << /BM /Multiply >> /Darken << /BM /Darken >> /Screen << /BM /Screen >> "
      "/ColorDodge << /BM /ColorDodge >> /Luminosity << /BM /Luminosity >> >>";
  std::vector<QByteArray> objs;
  QByteArray kids;
  const int first = 8;  // objects 1..7: catalog, pages, font, the four groups
  for (std::size_t i = 0; i < pages.size(); ++i) kids += QByteArray::number(first + 2 * static_cast<int>(i)) + " 0 R ";
  objs.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objs.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages.size()) + " >>");
  objs.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  auto form = [&](bool isolated, const QByteArray &body) {
    return "<< /Type /XObject /Subtype /Form /BBox [0 0 420 300] /Resources << " + states +
           " >> /Group << /S /Transparency /I " + (isolated ? "true" : "false") + " >> /Length " +
           QByteArray::number(body.size()) + " >>\nstream\n" + body + "endstream";
  };
  objs.push_back(form(false, "1 0.8 0.1 rg 60 60 100 100 re f 0.1 0.8 0.8 rg 170 60 40 100 re f\n"));
  objs.push_back(form(false, "1 0.8 0.1 rg 60 60 100 100 re f 0.1 0.8 0.8 rg 120 60 100 100 re f\n"));
  objs.push_back(form(false, "/Multiply gs 1 0.8 0.1 rg 60 60 200 100 re f\n"));
  objs.push_back(form(true, "/Multiply gs 1 0.8 0.1 rg 60 60 200 100 re f\n"));
  for (const QByteArray &content : pages) {
    objs.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 300] /Resources << /Font << /F1 3 0 R >> " +
                   states + " /XObject << /Disjoint 4 0 R /Overlapping 5 0 R /Inner 6 0 R /Isolated 7 0 R >> >> /Contents " +
                   QByteArray::number(objs.size() + 2) + " 0 R >>");
    objs.push_back("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream");
  }
  QByteArray out = "%PDF-1.4\n";
  std::vector<qsizetype> offsets;
  for (std::size_t i = 0; i < objs.size(); ++i) {
    offsets.push_back(out.size());
    out += QByteArray::number(static_cast<int>(i) + 1) + " 0 obj\n" + objs[i] + "\nendobj\n";
  }
  const qsizetype xref = out.size();
  out += "xref\n0 " + QByteArray::number(objs.size() + 1) + "\n0000000000 65535 f \n";
  for (const qsizetype off : offsets) out += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
  out += "trailer\n<< /Size " + QByteArray::number(objs.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         QByteArray::number(xref) + "\n%%EOF\n";
  return out;
}

}  // namespace

// Blend modes the player draws keep a page in vectors, each blended item
// placed with its mode, and so does a blended group whose items lie apart;
// the other modes, groups whose items overlap, isolated groups with blended
// items and modes that would show the bare page differently make the page a
// bitmap, and the report says why.
TEST_F(Pdf2SwfRun, BlendModesTheMovieDrawsStayVectors) {
  const QByteArray text = "0 0 0 rg BT /F1 24 Tf 30 200 Td (Blended text) Tj ET 0.2 0.4 0.9 rg 220 40 150 110 re f\n";
  const std::vector<QByteArray> pages = {
      text + "q /Multiply gs 1 0.85 0.1 rg 20 160 300 75 re f 1 0.3 0.3 rg 180 20 100 90 re f Q\n",
      text + "q /Darken gs 0.6 0.6 0.6 rg 330 20 80 100 re f Q\n",
      text + "q /Screen gs 0.9 0.2 0.2 rg 250 60 60 60 re f Q\n",  // inside the blue rectangle
      text + "q /Screen gs 0.9 0.2 0.2 rg 330 190 60 60 re f Q\n",  // over the bare page
      text + "q /ColorDodge gs 0.9 0.2 0.2 rg 250 60 60 60 re f Q\n",
      text + "q /Luminosity gs 0.9 0.2 0.2 rg 250 60 60 60 re f Q\n",
      text + "q /Multiply gs /Disjoint Do Q\n",     // the same as its two rectangles blended
      text + "q /Multiply gs /Overlapping Do Q\n",  // not the same
      text + "q /Screen gs /Disjoint Do Q\n",       // half of it over the bare page
      text + "/Isolated Do\n",
      text + "/Inner Do\n",  // a normal group: its Multiply rectangle mixes with the page
  };
  QFile pdf(dir.file("blend.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
  pdf.write(BlendPdf(pages));
  pdf.close();
  QDir().mkpath(dir.file("b"));
  const RunResult r = RunConverter({dir.file("blend.pdf"), "-j", "90", "-o", dir.file("b/p_%.swf"), "--report",
                                    dir.file("b/report.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile report(dir.file("b/report.txt"));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(report.readAll()).trimmed().split('\n');
  ASSERT_EQ(lines.size(), static_cast<int>(pages.size()));
  struct Want {
    const char *kind;
    const char *reason;  // bitmap pages
    int blend;           // vector pages: the blend value of their blended placements
  };
  const Want want[] = {{"vector", "", 3},
                       {"vector", "", 6},
                       {"vector", "", 4},
                       {"bitmap", "blend mode over the bare page", 0},
                       {"bitmap", "blend mode", 0},
                       {"bitmap", "blend mode", 0},
                       {"vector", "", 3},
                       {"bitmap", "blend mode", 0},
                       {"bitmap", "blend mode over the bare page", 0},
                       {"bitmap", "blend mode in an isolated group", 0},
                       {"vector", "", 3}};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const QStringList f = lines[static_cast<int>(i)].split('\t');
    ASSERT_GE(f.size(), 3) << lines[static_cast<int>(i)].toStdString();
    const QString reason = f.size() > 3 ? f[3] : QString();  // the last line's tab is trimmed away
    EXPECT_EQ(f[1], want[i].kind) << "page " << i + 1 << ": " << reason.toStdString();
    EXPECT_EQ(reason, want[i].reason) << "page " << i + 1;
    if (std::string(want[i].kind) != "vector") continue;
    QFile movie(dir.file(QStringLiteral("b/p_%1.swf").arg(i + 1)));
    ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
    const QByteArray bytes = movie.readAll();
    const lw::swf::Bytes swf(bytes.begin(), bytes.end());
    const lw::swf::CheckResult check = lw::swf::CheckMovie(swf);
    EXPECT_TRUE(check.ok) << check.error;
    int blended = 0;
    for (const lwtest::Placement &p : lwtest::Placements(swf)) {
      if (p.tag != 70) continue;
      EXPECT_EQ(p.blend, want[i].blend) << "page " << i + 1;
      ++blended;
    }
    EXPECT_GE(blended, 1) << "page " << i + 1;
  }
}

