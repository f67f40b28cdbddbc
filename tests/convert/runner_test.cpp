// The converter runner: its command line, its child-process handling and the
// conversion of real PDFs by the real converter.

#include "convert/conversioncache.h"
#include "convert/converterrunner.h"
#include "convert_support.h"
#include "model/conversionnames.h"
#include "model/sidefiles.h"
#include "pdf2swf/testpdf.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSemaphore>
#include <QLockFile>
#include <sys/wait.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <csignal>

using namespace lw;

TEST(ConverterCommand, SixArgumentsWithTheRightOnesQuoted) {
  const QStringList cmd = ConverterCommand("/opt/Leaf Weaver/pdf2swf", "/home/u/My Docs/annual.report.pdf",
                                           "/home/u/.local/share/Folivant/TempFiles/annual.report.x/annual.report_%.swf");
  ASSERT_EQ(cmd.size(), 6);
  EXPECT_EQ(cmd[2], "-j");
  EXPECT_EQ(cmd[3], "100");
  EXPECT_EQ(cmd[4], "-o");

  // The pattern is the one the page lists use, only the last "." counts.
  const ConversionNames names = ConversionNamesFor("/t/", "/d/annual.report.pdf");
  EXPECT_EQ(names.stem, "annual.report");
  EXPECT_EQ(ConverterCommand("c", "/d/annual.report.pdf", names.Pattern())[5],
            names.folder + "annual.report_%.swf");
  EXPECT_EQ(QString(names.Pattern()).replace('%', "3"), names.PageFile(3));

  int done = -1, total = -1;
  EXPECT_TRUE(ParseProgressLine("page 3/12", &done, &total));
  EXPECT_EQ(done, 3);
  EXPECT_EQ(total, 12);
  EXPECT_TRUE(ParseProgressLine("  page 12/12\r", &done, &total));
  for (const char *bad : {"page 13/12", "page 3 of 12", "Page 3/12", "page /12", "xpage 1/2", ""})
    EXPECT_FALSE(ParseProgressLine(bad, &done, &total)) << bad;
  EXPECT_EQ(done, 12);
}

class RunnerTest : public lwtest::ConvertFixture {};

TEST_F(RunnerTest, RunsChildrenDrainsOutputAndEndsThemOnTimeOutOrStop) {
  // 2 MB of output: far more than a pipe holds.
  const QString chatty = WriteScript("chatty", "head -c 2000000 /dev/zero | tr '\\0' 'x' | fold -w 100; echo\n"
                                               "echo page 1/2\necho page 2/2\nexit 3\n");
  std::vector<std::pair<int, int>> pages;
  RunOutcome r = RunCommandLine({chatty}, 20000, nullptr,
                                [&](int d, int t) { pages.emplace_back(d, t); });
  EXPECT_EQ(r.status, RunOutcome::Finished);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(pages, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
  EXPECT_LE(r.output.size(), (1 << 20) + 200);

  const QString echo = WriteScript("echoer", "echo one\necho two >&2\nprintf three\n");
  r = RunCommandLine({echo});
  EXPECT_EQ(r.status, RunOutcome::Finished);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "one\ntwo\nthree");

  // A child past the limit is ended, not left running.
  const QString sleeper = WriteScript("lwsleeper1", "sleep 30\n");
  r = RunCommandLine({sleeper}, 300);
  EXPECT_EQ(r.status, RunOutcome::TimedOut);
  EXPECT_EQ(FindProcessByName("lwsleeper1"), 0u);

  // The stop flag ends the child promptly, once it runs.
  const QString marked = WriteScript("lwsleeper2", "touch \"$0.started\"\nexec sleep 30\n");
  std::atomic<bool> stop{false};
  QThread *setter = QThread::create([&stop, marked] {
    while (!QFileInfo::exists(marked + ".started")) QThread::msleep(5);
    stop = true;
  });
  setter->start();
  r = RunCommandLine({marked}, 20000, &stop);
  setter->wait();
  delete setter;
  // Stopped, not timed out: the stop ended the child, which is gone.
  EXPECT_EQ(r.status, RunOutcome::Stopped);
  EXPECT_EQ(FindProcessByName("lwsleeper2"), 0u);
  // Already stopped: nothing starts.
  r = RunCommandLine({WriteScript("marker", "touch \"$0.ran\"\n")}, 1000, &stop);
  EXPECT_EQ(r.status, RunOutcome::NotStarted);
  EXPECT_FALSE(lwtest::Exists(dir.file("bin/marker.ran")));

  EXPECT_EQ(RunCommandLine({dir.file("bin/no such program")}).status, RunOutcome::NotStarted);
  EXPECT_EQ(RunCommandLine({}).status, RunOutcome::NotStarted);
  r = RunCommandLine({WriteScript("crasher", "echo working\nkill -SEGV $$\n")});
  EXPECT_EQ(r.status, RunOutcome::Crashed);
  EXPECT_EQ(r.output, "working\nended unexpectedly");
}

TEST_F(RunnerTest, AFileOverTheWholeFileLimitIsStoppedAndSaysSo) {
  UseRealConverter();
  // Forms drawing their child twice 32 levels deep: each page step gives up
  // only after its page time, far beyond this limit.
  const QString pdf = QStringLiteral(LW_SOURCE_DIR "/tests/data/pdf/hostile/nested_forms.pdf");
  ASSERT_TRUE(QFileInfo::exists(pdf));
  const ConvertOutcome out = ConvertPdfPages(pdf, {}, SysSetInfo.SwfToolPath, SysSetInfo.TempPathStr, nullptr, {}, 1500);
  EXPECT_EQ(out.status, ConvertOutcome::TimedOut) << out.run.output.toStdString();
  EXPECT_EQ(LastOutputLine(out.run), "stopped after 1.5 s, the longest a file may take");
  // Nothing of the stopped run is left: no page without its side files, no
  // private folder of the run.
  EXPECT_TRUE(QDir(out.folder).entryList({"*.swf", "*.json", "*.jpg"}, QDir::Files).isEmpty());
  EXPECT_TRUE(QDir(SysSetInfo.TempPathStr).entryList({"*.tmp-*"}, QDir::Dirs | QDir::Hidden).isEmpty());
}

TEST_F(RunnerTest, FindsAndKillsProcessesByName) {
  const QString probe = WriteScript("LwProbeName", "sleep 30\n");
  QProcess child;
  child.start(probe, {});
  ASSERT_TRUE(child.waitForStarted());
  // The shell names the process after the script; give it a moment to exec.
  QElapsedTimer clock;
  clock.start();
  std::uint32_t pid = 0;
  while (pid == 0 && clock.elapsed() < 3000) {
    pid = FindProcessByName("lwprobename");
    if (!pid) QThread::msleep(20);
  }
  EXPECT_EQ(pid, static_cast<std::uint32_t>(child.processId()));
  EXPECT_EQ(FindProcessByName("LWPROBENAME"), pid);
  EXPECT_EQ(FindProcessByName("lwprobenam"), 0u);
  EXPECT_EQ(FindProcessByName(""), 0u);

  // By the executable's file name and by its full path.
  const QString sleepCopy = dir.file("bin/LwSleepCopy");
  ASSERT_TRUE(QFile::copy(QStandardPaths::findExecutable("sleep"), sleepCopy));
  QProcess second;
  second.start(sleepCopy, {"30"});
  ASSERT_TRUE(second.waitForStarted());
  EXPECT_EQ(FindProcessByName("LWSLEEPCOPY"), static_cast<std::uint32_t>(second.processId()));
  EXPECT_EQ(FindProcessByName(sleepCopy.toUpper()), static_cast<std::uint32_t>(second.processId()));

  KillProcessByName("lwprobename");
  EXPECT_TRUE(child.waitForFinished(3000));
  EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
  EXPECT_EQ(FindProcessByName("lwprobename"), 0u);
  KillProcessByName("lwprobename");  // nothing left: does nothing
  EXPECT_EQ(second.state(), QProcess::Running);
  KillProcessByName("lwsleepcopy");
  EXPECT_TRUE(second.waitForFinished(3000));
}

TEST_F(RunnerTest, ConvertsARealPdfIntoItsConversionFolder) {
  UseRealConverter();
  const QString pdf = dir.file("My Docs/annual.report.pdf");
  QDir().mkpath(dir.file("My Docs"));
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 3));
  // Something else in the temporary folder that must survive.
  ASSERT_TRUE(lwtest::WriteFile(SysSetInfo.TempPathStr + "other.x/other_1.swf", "keep"));

  std::vector<std::pair<int, int>> pages;
  ConvertOutcome out = ConvertPdfToSwf(pdf, nullptr, [&](int d, int t) { pages.emplace_back(d, t); });
  ASSERT_EQ(out.status, ConvertOutcome::Converted) << out.run.output.toStdString();
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);
  EXPECT_EQ(out.folder, names.folder);
  // The pages with their side files, the first page's picture for the
  // book's first view, and the document's bookmarks for the package writer.
  EXPECT_EQ(Files(names.folder),
            (QStringList{"annual.report_1.jpg", "annual.report_1.page.json", "annual.report_1.swf",
                         "annual.report_2.page.json", "annual.report_2.swf", "annual.report_3.page.json",
                         "annual.report_3.swf", "annual.report_outline.json"}));
  const auto outline = ParseOutlineFile(lwtest::ReadFile(OutlineFileFor(names.PageFile(1))));
  ASSERT_TRUE(outline.has_value());
  EXPECT_TRUE(outline->empty());
  // Vector pages, deflated.
  for (int n = 1; n <= 3; ++n) EXPECT_TRUE(lwtest::ReadFile(names.PageFile(n)).startsWith("CWS"));
  EXPECT_EQ(pages, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));

  // A second run after the PDF shrank leaves only its own files.
  ASSERT_TRUE(lwtest::WriteFile(names.folder + "stray.txt", "old"));
  ASSERT_TRUE(QFile::remove(pdf));
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 2));
  out = ConvertPdfToSwf(pdf);
  ASSERT_EQ(out.status, ConvertOutcome::Converted);
  EXPECT_EQ(Files(names.folder),
            (QStringList{"annual.report_1.jpg", "annual.report_1.page.json", "annual.report_1.swf",
                         "annual.report_2.page.json", "annual.report_2.swf", "annual.report_outline.json"}));
  EXPECT_EQ(lwtest::ReadFile(SysSetInfo.TempPathStr + "other.x/other_1.swf"), "keep");

  // A "%" in the file name is not taken for the page number.
  const QString percent = dir.file("My Docs/50% off.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(percent, 1));
  ASSERT_EQ(ConvertPdfToSwf(percent).status, ConvertOutcome::Converted);
  EXPECT_TRUE(lwtest::Exists(ConversionNamesFor(SysSetInfo.TempPathStr, percent).PageFile(1)));

  // A damaged PDF: the converter refuses it, which is not a conversion.
  ASSERT_TRUE(lwtest::WriteFile(dir.file("My Docs/broken.pdf"), "%PDF-1.4 nothing else"));
  out = ConvertPdfToSwf(dir.file("My Docs/broken.pdf"));
  EXPECT_EQ(out.status, ConvertOutcome::Refused);
  EXPECT_NE(out.run.exitCode, 0);
  EXPECT_TRUE(out.run.output.contains("damaged")) << out.run.output.toStdString();
}

TEST_F(RunnerTest, MissingConverterOrPdfStartsNothingAndCreatesNoFolder) {
  const QString pdf = dir.file("a.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 1));
  const QStringList before = QDir(SysSetInfo.TempPathStr).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

  SetConverter(dir.file("bin/pdf2swf"));  // not there
  EXPECT_EQ(ConvertPdfToSwf(pdf).status, ConvertOutcome::Skipped);

  UseFakeConverter("touch \"$0.ran\"\n");
  EXPECT_EQ(ConvertPdfToSwf(dir.file("missing.pdf")).status, ConvertOutcome::Skipped);
  QDir().mkpath(dir.file("folder.pdf"));
  EXPECT_EQ(ConvertPdfToSwf(dir.file("folder.pdf")).status, ConvertOutcome::Skipped);
  EXPECT_FALSE(lwtest::Exists(SysSetInfo.SwfToolPath + ".ran"));
  EXPECT_EQ(QDir(SysSetInfo.TempPathStr).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

  // Cancelled before the start: the old pages stay, nothing runs.
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);
  ASSERT_TRUE(lwtest::WriteFile(names.PageFile(1), "old page"));
  std::atomic<bool> stop{true};
  EXPECT_EQ(ConvertPdfToSwf(pdf, &stop).status, ConvertOutcome::Cancelled);
  EXPECT_EQ(lwtest::ReadFile(names.PageFile(1)), "old page");
  EXPECT_FALSE(lwtest::Exists(SysSetInfo.SwfToolPath + ".ran"));
}

TEST_F(RunnerTest, PdfWithoutStemNeverClearsTheTemporaryFolder) {
  UseFakeConverter("p=$(printf '%s' \"$5\" | sed 's/%/1/'); printf FWS > \"$p\"\n");
  const QString pdf = dir.file("docs/.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 1));
  ASSERT_TRUE(lwtest::WriteFile(SysSetInfo.TempPathStr + "keep.txt", "keep"));
  const ConvertOutcome out = ConvertPdfToSwf(pdf);
  EXPECT_EQ(out.status, ConvertOutcome::Converted) << out.run.output.toStdString();
  EXPECT_NE(QDir::cleanPath(out.folder), QDir::cleanPath(SysSetInfo.TempPathStr));
  EXPECT_EQ(lwtest::ReadFile(SysSetInfo.TempPathStr + "keep.txt"), "keep");
  EXPECT_TRUE(lwtest::Exists(ConversionNamesFor(SysSetInfo.TempPathStr, pdf).PageFile(1)));
}

namespace {

// Writes pages 1..$PAGES (default 3) of the pattern, one a moment apart, and
// counts its runs in "<converter>.runs"; fails after page 2 when the PDF's
// name holds "fail".
const QByteArray kCountingConverter =
    "echo run >> \"$0.runs\"\n"
    "n=${PAGES:-3}; i=1\n"
    "while [ $i -le $n ]; do\n"
    "  case \"$1\" in *fail*) [ $i -eq 3 ] && exit 7;; esac\n"
    "  p=$(printf '%s' \"$5\" | sed \"s/%/$i/\"); printf 'FWS' > \"$p\"; echo page $i/$n\n"
    "  sleep 0.05; i=$((i+1))\n"
    "done\n";

int Runs(const QString &converter) {
  return static_cast<int>(lwtest::ReadFile(converter + ".runs").count("run"));
}

}  // namespace

TEST_F(RunnerTest, UnchangedPdfIsReusedChangedOneConvertedAgainFailedRunLeavesTheOldPages) {
  UseFakeConverter(kCountingConverter);
  const QString pdf = dir.file("docs/guide.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 3));
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);

  ConvertOutcome out = ConvertPdfToSwf(pdf);
  ASSERT_EQ(out.status, ConvertOutcome::Converted) << out.run.output.toStdString();
  EXPECT_EQ(out.pageCount, 3);
  EXPECT_FALSE(out.reused);
  EXPECT_FALSE(out.existedBefore);
  out = {};
  // The same file again: taken as it is, nothing runs.
  out = ConvertPdfToSwf(pdf);
  EXPECT_EQ(out.status, ConvertOutcome::Converted);
  EXPECT_TRUE(out.reused);
  EXPECT_EQ(out.pageCount, 3);
  EXPECT_EQ(Runs(SysSetInfo.SwfToolPath), 1);
  // A page file gone, or the file changed: converted again.
  ASSERT_TRUE(QFile::remove(names.PageFile(2)));
  out = ConvertPdfToSwf(pdf);
  EXPECT_FALSE(out.reused);
  EXPECT_EQ(Runs(SysSetInfo.SwfToolPath), 2);
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::ReadFile(pdf) + "\n% appended\n"));
  out = ConvertPdfToSwf(pdf);
  EXPECT_FALSE(out.reused);
  EXPECT_EQ(Runs(SysSetInfo.SwfToolPath), 3);
  EXPECT_TRUE(out.existedBefore);

  // A run that fails half-way leaves the previous pages whole and nothing
  // of its own.
  const QString failing = dir.file("docs/fail.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(failing, 3));
  const ConversionNames failNames = ConversionNamesFor(SysSetInfo.TempPathStr, failing);
  ASSERT_TRUE(lwtest::WriteFile(failNames.PageFile(1), "older page"));
  out = ConvertPdfToSwf(failing);
  EXPECT_EQ(out.status, ConvertOutcome::Failed);
  EXPECT_EQ(lwtest::ReadFile(failNames.PageFile(1)), "older page");
  EXPECT_EQ(Files(failNames.folder), QStringList{"fail_1.swf"});
  const QStringList left = QDir(SysSetInfo.TempPathStr).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString &name : left) EXPECT_FALSE(name.contains(".tmp-")) << name.toStdString();
}

TEST_F(RunnerTest, ConcurrentConversionsOfOnePdfEachEndWithEveryPage) {
  UseFakeConverter(kCountingConverter);
  qputenv("PAGES", "8");
  const QString pdf = dir.file("docs/long.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 8));
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);
  // Each thread keeps its lock while it checks the pages, as a publisher
  // keeps it while it copies them.
  std::atomic<int> complete{0};
  std::vector<QThread *> threads;
  for (int t = 0; t < 3; ++t) {
    threads.push_back(QThread::create([&] {
      const ConvertOutcome out = ConvertPdfToSwf(pdf);
      bool all = out.status == ConvertOutcome::Converted && out.pageCount == 8;
      for (int n = 1; n <= 8; ++n) all = all && QFileInfo(names.PageFile(n)).isFile();
      if (all) ++complete;
    }));
    threads.back()->start();
  }
  for (QThread *t : threads) {
    t->wait();
    delete t;
  }
  qunsetenv("PAGES");
  EXPECT_EQ(complete.load(), 3);
  EXPECT_EQ(Runs(SysSetInfo.SwfToolPath), 1) << "the later runs took the first one's pages";

  // One thread may name the same PDF twice while it holds the first lock.
  const ConvertOutcome first = ConvertPdfToSwf(pdf);
  const ConvertOutcome second = ConvertPdfToSwf(pdf);
  EXPECT_EQ(second.status, ConvertOutcome::Converted);
  EXPECT_FALSE(ConversionLock::TryAcquire(names.folder)) << "held while the outcomes live";
}

TEST_F(RunnerTest, PruningRemovesConversionsOfGoneOrLongUnusedFilesAndLeftovers) {
  UseFakeConverter(kCountingConverter);
  const QString temp = SysSetInfo.TempPathStr;
  auto convert = [&](const QString &name) {
    const QString pdf = dir.file("docs/" + name);
    EXPECT_TRUE(lwtest::MakeTestPdf(pdf, 1));
    EXPECT_EQ(ConvertPdfToSwf(pdf).status, ConvertOutcome::Converted);
    return ConversionNamesFor(temp, pdf).folder;
  };
  const QString kept = convert("kept.pdf");
  const QString gone = convert("gone.pdf");
  const QString busy = convert("busy.pdf");
  ASSERT_TRUE(QFile::remove(dir.file("docs/gone.pdf")));
  ASSERT_TRUE(QFile::remove(dir.file("docs/busy.pdf")));
  const QString leftover = temp + "kept.0123.tmp-99999-0";
  ASSERT_TRUE(QDir().mkpath(leftover));
  const QString unstamped = temp + "old.4567";
  ASSERT_TRUE(lwtest::WriteFile(unstamped + "/old_1.swf", "FWS"));

  // Another thread converting "busy" holds its lock: it stays.
  QSemaphore held, release;
  QThread *holder = QThread::create([&] {
    const auto lock = ConversionLock::Acquire(busy);
    held.release();
    release.acquire();
  });
  holder->start();
  held.acquire();

  // The lock of a folder that is gone, left by a process that died.
  const QString staleLock = temp + "vanished.89ab.lock";
  const pid_t child = ::fork();
  if (child == 0) {  // locks and dies without letting go
    QLockFile lock(staleLock);
    ::_exit(lock.tryLock(0) ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(QFileInfo::exists(staleLock));

  EXPECT_EQ(PruneConversions(temp), 3);  // gone, leftover, stale lock
  EXPECT_FALSE(QFileInfo::exists(staleLock));
  EXPECT_TRUE(QFileInfo::exists(kept));
  EXPECT_FALSE(QFileInfo::exists(gone));
  EXPECT_TRUE(QFileInfo::exists(busy));
  EXPECT_FALSE(QFileInfo::exists(leftover));
  EXPECT_TRUE(QFileInfo::exists(unstamped));
  release.release();
  holder->wait();
  delete holder;

  // A month on, what was not used goes; "busy" has lost its source too.
  EXPECT_EQ(PruneConversions(temp, QDateTime::currentDateTime().addDays(31)), 3);
  EXPECT_FALSE(QFileInfo::exists(kept));
  EXPECT_FALSE(QFileInfo::exists(unstamped));
  EXPECT_FALSE(QFileInfo::exists(busy));
}

namespace {

// The pages a conversion folder's stamp holds, or {-1} without a stamp.
std::vector<int> StampedPages(const QString &folder, int *count = nullptr) {
  ConversionStamp stamp;
  if (!ReadConversionStamp(folder, stamp)) return {-1};
  if (count) *count = stamp.pageCount;
  return stamp.HeldPages();
}

// Gives every file of `folder` a modification time in 2001, so that a file
// written again later shows it.
void AgeFiles(const QString &folder) {
  for (const QString &name : QDir(folder).entryList(QDir::Files)) {
    QFile f(folder + name);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime);
  }
}

bool Aged(const QString &path) { return QFileInfo(path).lastModified().date().year() == 2001; }

}  // namespace

TEST(ConversionStampText, HeldPagesAreReadBackAndAnOldStampHoldsEveryPage) {
  const QByteArray head = "leafweaver-conversion 3\nsource /d/a.pdf\nsize 10\nmodified 20\npages 6\n";
  const struct {
    const char *held;  // the "held" line, or null for none
    bool ok;
    std::vector<int> pages;
  } cases[] = {
      {nullptr, true, {1, 2, 3, 4, 5, 6}},  // as written before pages were held one by one
      {"held 1-3,5\n", true, {1, 2, 3, 5}},
      {"held 5, 2-3\n", true, {2, 3, 5}},
      {"held 1-6\n", true, {1, 2, 3, 4, 5, 6}},
      {"held 7\n", false, {}},  // beyond the document
      {"held 0-2\n", false, {}},
      {"held 3-1\n", false, {}},
      {"held two\n", false, {}},
      {"held \n", false, {}},
  };
  for (const auto &c : cases) {
    ConversionStamp stamp;
    const bool ok = ParseConversionStamp(head + (c.held ? c.held : ""), stamp);
    EXPECT_EQ(ok, c.ok) << (c.held ? c.held : "none");
    if (ok) EXPECT_EQ(stamp.HeldPages(), c.pages) << c.held;
  }
  // A stamp of other side files (the version before) is no conversion: its
  // folder is converted anew.
  ConversionStamp older;
  EXPECT_FALSE(ParseConversionStamp(QByteArray(head).replace("conversion 3", "conversion 2"), older));
  // Written and read again; every page held writes the old form.
  lwtest::TempDir dir;
  ConversionStamp stamp = ConversionStamp::ForSource(dir.file("none.pdf"), 397);
  stamp.sourcePath = "/d/a b.pdf";
  stamp.held = {1, 2, 3, 25, 30, 31};
  ASSERT_TRUE(WriteConversionStamp(dir.path(), stamp));
  EXPECT_TRUE(lwtest::ReadFile(dir.file(kConversionStampName)).endsWith("pages 397\nheld 1-3,25,30-31\n"));
  ConversionStamp read;
  ASSERT_TRUE(ReadConversionStamp(dir.path(), read));
  EXPECT_EQ(read.held, stamp.held);
  EXPECT_EQ(read.pageCount, 397);
  stamp.pageCount = 6;
  stamp.held = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(WriteConversionStamp(dir.path(), stamp));
  EXPECT_FALSE(lwtest::ReadFile(dir.file(kConversionStampName)).contains("held"));
}

// The real converter: a range gives only its pages, a wider one only the
// pages missing, a changed file starts again.
TEST_F(RunnerTest, PagesAreConvertedAsTheyAreAskedForAndKeptForTheUnchangedFile) {
  UseRealConverter();
  const QString pdf = dir.file("docs/long.pdf");
  QDir().mkpath(dir.file("docs"));
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 6));
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);

  std::vector<std::pair<int, int>> progress;
  ConvertOutcome out = ConvertPdfPages(pdf, {3, 2}, nullptr, [&](int d, int t) { progress.emplace_back(d, t); });
  ASSERT_EQ(out.status, ConvertOutcome::Converted) << out.run.output.toStdString();
  EXPECT_EQ(out.pageCount, 6);
  EXPECT_EQ(out.convertedPages, 2);
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
  int count = 0;
  EXPECT_EQ(StampedPages(names.folder, &count), (std::vector<int>{2, 3}));
  EXPECT_EQ(count, 6);
  EXPECT_EQ(Files(names.folder), (QStringList{"long_2.page.json", "long_2.swf", "long_3.page.json", "long_3.swf",
                                              "long_outline.json"}));
  EXPECT_EQ(CompleteConversionPages(names, pdf), 0) << "only some pages are held";
  out = {};

  // Wider: pages 1 and 4 are converted, 2 and 3 stay as they were.
  AgeFiles(names.folder);
  out = ConvertPdfPages(pdf, {1, 2, 3, 4});
  ASSERT_EQ(out.status, ConvertOutcome::Converted) << out.run.output.toStdString();
  EXPECT_EQ(out.convertedPages, 2);
  EXPECT_FALSE(out.reused);
  EXPECT_EQ(StampedPages(names.folder), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(Aged(names.PageFile(2)) && Aged(names.PageFile(3)));
  EXPECT_FALSE(Aged(names.PageFile(1)) || Aged(names.PageFile(4)));
  EXPECT_TRUE(lwtest::Exists(names.folder + "long_1.jpg"));  // the first page's picture
  out = {};

  // Held already: nothing runs.
  AgeFiles(names.folder);
  out = ConvertPdfPages(pdf, {4, 1});
  EXPECT_EQ(out.status, ConvertOutcome::Converted);
  EXPECT_TRUE(out.reused);
  EXPECT_EQ(out.convertedPages, 0);
  EXPECT_EQ(out.run.status, RunOutcome::NotStarted);
  out = {};

  // Every page: the last two join, and the stamp is the old form again.
  out = ConvertPdfToSwf(pdf);
  ASSERT_EQ(out.status, ConvertOutcome::Converted);
  EXPECT_EQ(out.convertedPages, 2);
  EXPECT_EQ(CompleteConversionPages(names, pdf), 6);
  EXPECT_TRUE(Aged(names.PageFile(1)));
  EXPECT_FALSE(lwtest::ReadFile(names.folder + kConversionStampName).contains("held"));
  out = {};

  // A page the file does not have fails the call and changes nothing.
  ASSERT_TRUE(QFile::remove(names.PageFile(6)));
  out = ConvertPdfPages(pdf, {6, 7});
  EXPECT_EQ(out.status, ConvertOutcome::Failed);
  EXPECT_TRUE(LastOutputLine(out.run).contains("beyond")) << out.run.output.toStdString();
  EXPECT_EQ(StampedPages(names.folder).size(), 6u);
  EXPECT_FALSE(lwtest::Exists(names.PageFile(6)));
  out = {};

  // The file changed: what was held is of no use; the folder holds the new
  // file's pages asked for.
  ASSERT_TRUE(QFile::remove(pdf));
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 4));
  out = ConvertPdfPages(pdf, {2});
  ASSERT_EQ(out.status, ConvertOutcome::Converted) << out.run.output.toStdString();
  EXPECT_EQ(out.pageCount, 4);
  EXPECT_EQ(StampedPages(names.folder), std::vector<int>{2});
  EXPECT_FALSE(Aged(names.PageFile(2)));
  EXPECT_FALSE(lwtest::Exists(names.PageFile(1)));
}

namespace {

// Writes the pages of --pages (without it 1..$PAGES, default 4) of the
// pattern, each with a side file of one link whose address names the run
// ("<converter>.runs" counts them); fails after the first page when $FAIL
// is set, or waits to be stopped after it when $HANG is set (touching
// "<converter>.hung" first).
const QByteArray kLinkingConverter =
    "echo run >> \"$0.runs\"\n"
    "r=$(grep -c run \"$0.runs\")\n"
    "if [ \"$8\" = --pages ]; then\n"
    "  list=$(for item in $(echo \"$9\" | tr ',' ' '); do seq ${item%-*} ${item#*-}; done)\n"
    "else list=$(seq 1 ${PAGES:-4}); fi\n"
    "n=$(echo $list | wc -w); k=0\n"
    "for i in $list; do\n"
    "  k=$((k+1))\n"
    "  if [ $k -eq 2 ] && [ -n \"$FAIL\" ]; then exit 7; fi\n"
    "  if [ $k -eq 2 ] && [ -n \"$HANG\" ]; then touch \"$0.hung\"; exec sleep 30; fi\n"
    "  p=$(printf '%s' \"$5\" | sed \"s/%/$i/\"); printf 'FWS' > \"$p\"\n"
    "  printf '{\"version\":3,\"width\":1,\"height\":1,\"links\":[[0,0,1,1,\"https://e.org/%s\"]]}' $r"
    " > \"${p%.swf}.page.json\"; echo page $k/$n\n"
    "done\n";

}  // namespace

// Pages joining a folder come with their side files; a run that fails or
// is stopped leaves the folder, its stamp and its side files as they were.
TEST_F(RunnerTest, JoiningPagesBringTheirSideFilesAndAnUnfinishedRunChangesNothing) {
  UseFakeConverter(kLinkingConverter);
  const QString pdf = dir.file("docs/guide.pdf");
  ASSERT_TRUE(lwtest::MakeTestPdf(pdf, 4));
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);
  auto linkOf = [&](int page) {
    const std::optional<PageWords> side = ParsePageSide(lwtest::ReadFile(PageSideFile(names.PageFile(page))));
    return side && side->links.size() == 1 ? side->links[0].url : QString();
  };
  ASSERT_EQ(ConvertPdfPages(pdf, {1, 2}).status, ConvertOutcome::Converted);
  EXPECT_EQ(StampedPages(names.folder), (std::vector<int>{1, 2}));
  EXPECT_EQ(linkOf(1), "https://e.org/1");
  EXPECT_EQ(linkOf(2), "https://e.org/1");
  EXPECT_FALSE(lwtest::Exists(PageSideFile(names.PageFile(3))));

  const QStringList before = Files(names.folder);
  for (const char *kind : {"FAIL", "HANG"}) {
    qputenv(kind, "1");
    std::atomic<bool> stop{false};
    QThread *stopper = QThread::create([&] {
      while (!lwtest::Exists(SysSetInfo.SwfToolPath + ".hung")) QThread::msleep(5);
      stop = true;
    });
    if (QByteArray(kind) == "HANG") stopper->start();
    const ConvertOutcome out = ConvertPdfPages(pdf, {1, 2, 3, 4}, &stop);
    stop = true;
    stopper->wait();
    delete stopper;
    qunsetenv(kind);
    EXPECT_EQ(out.status, QByteArray(kind) == "HANG" ? ConvertOutcome::Cancelled : ConvertOutcome::Failed);
    EXPECT_EQ(Files(names.folder), before) << kind;
    EXPECT_EQ(StampedPages(names.folder), (std::vector<int>{1, 2})) << kind;
    EXPECT_EQ(linkOf(1), "https://e.org/1") << kind;
    for (const QString &name : QDir(SysSetInfo.TempPathStr).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
      EXPECT_FALSE(name.contains(".tmp-")) << name.toStdString();
  }

  // Pages 3 and 4 join with their own side files; those of 1 and 2 stay.
  const ConvertOutcome out = ConvertPdfPages(pdf, {3, 4});
  ASSERT_EQ(out.status, ConvertOutcome::Converted) << out.run.output.toStdString();
  EXPECT_EQ(StampedPages(names.folder), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(linkOf(1), "https://e.org/1");
  EXPECT_EQ(linkOf(4), "https://e.org/4");
}
