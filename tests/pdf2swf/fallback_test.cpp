// Why a page is not a vector page: the real converter, with a small address
// space, on one hand-made PDF per reason (tests/data/pdf/fallback, written
// by its make_fallback.py) and on the pages over their budget of
// tests/data/pdf/hostile. Each must end normally within seconds, write a
// page that passes the movie check and give the reason in its report.

#include "model/sidefiles.h"
#include "pdf2swf/fallback.h"
#include "swf/swfcheck.h"
#include "swf/swfmovie.h"
#include "swf/swfreader.h"
#include "support/testdirs.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>

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

using lw::pdf2swf::FallbackReason;
using lw::pdf2swf::FallbackText;
using R = FallbackReason;

// One page (a file under tests/data/pdf/) and how the converter writes it.
struct ReasonCase {
  const char *file;
  const char *kind;  // the report's kind of page
  R reason;          // why it is not a vector page (None for one, and in a --bitmap run)
  R bitmap = R::None;  // a plain page: why its bitmap could not be drawn either
  bool bitmapOption = false;  // run with --bitmap
  const char *pageTime = "10";  // --page-time
  bool reasonVaries = false;  // the vector reason is whichever budget comes first on a busy machine
};

void PrintTo(const ReasonCase &c, std::ostream *os) { *os << c.file << (c.bitmapOption ? " --bitmap" : ""); }

const ReasonCase kCases[] = {
    {"fallback/vector.pdf", "vector", R::None},
    // What the movie cannot show faithfully.
    {"fallback/blend_mode.pdf", "bitmap", R::BlendMode},
    {"fallback/blend_over_bare_page.pdf", "bitmap", R::BlendOverBarePage},
    {"fallback/blend_in_isolated_group.pdf", "bitmap", R::BlendInIsolatedGroup},
    {"fallback/soft_mask.pdf", "bitmap", R::SoftMask},
    {"fallback/pattern_image_mask.pdf", "bitmap", R::PatternImageMask},
    {"fallback/knockout_group.pdf", "bitmap", R::KnockoutGroup},
    {"fallback/group_opacity.pdf", "bitmap", R::GroupOpacity},
    {"fallback/function_shading.pdf", "bitmap", R::FunctionShading},
    {"fallback/mesh_shading.pdf", "bitmap", R::MeshShading},
    {"fallback/degenerate_shading.pdf", "bitmap", R::DegenerateShading},
    {"fallback/radial_between_circles.pdf", "bitmap", R::RadialBetweenCircles},
    {"fallback/text_as_clip.pdf", "bitmap", R::TextAsClip},
    {"fallback/outlined_text.pdf", "bitmap", R::OutlinedText},
    // One over each limit of the page's budget.
    {"fallback/too_many_items.pdf", "bitmap", R::TooManyItems},
    {"fallback/too_many_paths.pdf", "bitmap", R::TooManyPaths},
    {"fallback/too_many_clips.pdf", "bitmap", R::TooManyClips},
    {"fallback/clips_nested_too_deep.pdf", "bitmap", R::ClipsTooDeep},
    {"fallback/too_many_images.pdf", "bitmap", R::TooManyImages},
    {"fallback/image_too_large.pdf", "bitmap", R::ImageTooLarge},
    {"fallback/took_too_long.pdf", "plain", R::TookTooLong, R::TookTooLong, false, "0.1"},
    {"fallback/larger_than_its_bitmap.pdf", "bitmap", R::LargerThanBitmap},
    // Billions of pattern cells: refused before the first, as vectors and as a bitmap.
    {"hostile/tiling_cells.pdf", "plain", R::TilingCells, R::TilingCells, false, "2"},
    {"hostile/tiling_cells.pdf", "plain", R::None, R::TilingCells, true, "2"},
    // One path of 400,000 segments: counted before it is made, never given to Splash.
    {"hostile/long_stroke.pdf", "plain", R::TooManyPaths, R::TooManySegments, false, "2"},
    // Four billion forms: their clips (or the time) stop the vectors, the
    // page time the bitmap (a short one, well before its two million segments).
    {"hostile/nested_forms.pdf", "plain", R::TooManyClips, R::TookTooLong, false, "0.3", true},
    {"hostile/nested_forms.pdf", "plain", R::None, R::TookTooLong, true, "0.3"},
    // A million mesh triangles: counted before Splash draws one.
    {"hostile/mesh_million.pdf", "plain", R::MeshShading, R::MeshTriangles, false, "2"},
    // A radial shading painted 100,000 times: the items or the page time
    // stop the vectors, the page time the bitmap.
    {"hostile/radial_repeat.pdf", "plain", R::TooManyItems, R::TookTooLong, false, "0.3", true},
    // A pattern of 100 cells is within every budget and stays vectors.
    {"hostile/tiling_small.pdf", "vector", R::None, R::None, false, "2"},
};

// The reasons no well-formed page gives: they guard against failures of the
// converter itself (the writer, the checker, the encoder, memory), pages
// Poppler never hands over, and (patches) a mesh this Poppler's Splash
// subdivides itself instead of drawing it in one call.
const R kGuards[] = {R::NoSuchPage,  R::NoPageSize,  R::NothingDrawn, R::NotDrawn,   R::OutOfMemory,
                     R::NotReadable, R::WriterError, R::CheckFailed,  R::NotEncoded, R::ShadingColour,
                     R::MattedImage, R::MeshPatches};

class PageReason : public ::testing::TestWithParam<ReasonCase> {
 protected:
  lwtest::TempDir dir;
};

// The page ends normally within its budget, as the kind of page the row
// names, with the report's words for its reasons.
TEST_P(PageReason, EndsNormallyAsItsKindWithItsReason) {
  const ReasonCase &c = GetParam();
  const QString pdf = QStringLiteral(LW_SOURCE_DIR "/tests/data/pdf/") + c.file;
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
  const QString bitmap = c.bitmap == R::None ? QString() : "bitmap: " + FallbackText(c.bitmap);
  const QString vector = FallbackText(c.reason);
  const QString want = vector.isEmpty() || bitmap.isEmpty() ? vector + bitmap : vector + "; " + bitmap;
  if (c.reasonVaries)
    EXPECT_TRUE(QString::fromUtf8(fields[3]).endsWith("; " + bitmap)) << fields[3].toStdString();
  else
    EXPECT_EQ(QString::fromUtf8(fields[3]), want);

  const QByteArray movie = ReadFile(dir.file("out/p_1.swf"));
  const lw::swf::Bytes bytes(movie.begin(), movie.end());
  const lw::swf::CheckResult check = lw::swf::CheckMovie(bytes);
  EXPECT_TRUE(check.ok) << check.error;
  // Every page has its side file, of the page's size; a plain page's has no words.
  const std::optional<lw::PageWords> side = lw::ParsePageSide(ReadFile(dir.file("out/p_1.page.json")));
  ASSERT_TRUE(side.has_value());
  const lw::swf::MovieReader reader(bytes);
  ASSERT_TRUE(reader.ok());
  const lw::swf::Rect &stage = reader.head().frame;
  EXPECT_EQ(side->width, (stage.xMax - stage.xMin) / 20.0);
  EXPECT_EQ(side->height, (stage.yMax - stage.yMin) / 20.0);
  if (QByteArray(c.kind) == "plain") {
    EXPECT_TRUE(side->words.empty());
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

INSTANTIATE_TEST_SUITE_P(Pdf2SwfFallback, PageReason, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ReasonCase> &info) {
                           QString name = QString::fromLatin1(info.param.file).section('/', 1).section('.', 0, 0);
                           name.remove('_');
                           return (name + (info.param.bitmapOption ? "Bitmap" : "Vector")).toStdString();
                         });

// Every reason has its page in the table, or is one of the guards; no two
// reasons share their words.
TEST(Pdf2SwfFallback, EveryReasonIsReachedByARow) {
  std::set<R> reached;
  for (const ReasonCase &c : kCases) {
    if (!c.reasonVaries) reached.insert(c.reason);
    reached.insert(c.bitmap);
  }
  std::set<QString> texts;
  for (int i = 1; i < lw::pdf2swf::kFallbackReasonCount; ++i) {
    const R reason = static_cast<R>(i);
    const bool guard = std::find(std::begin(kGuards), std::end(kGuards), reason) != std::end(kGuards);
    EXPECT_NE(reached.count(reason) > 0, guard) << FallbackText(reason).toStdString();
    EXPECT_TRUE(texts.insert(FallbackText(reason)).second) << FallbackText(reason).toStdString();
  }
}

}  // namespace
