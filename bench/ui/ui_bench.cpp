// Benchmark of the main window, run on demand (not part of the test suite):
//  1. start-up: from creating the main window to the window shown and to the
//     start-up preview page loaded in the embedded browser;
//  2. adding a 500-page PDF: the page count read on the user-interface
//     thread when the file joins the library;
//  3. the page list's thumbnails of that 300-page book: the time until all
//     are drawn on the worker, the longest pause of the event loop
//     meanwhile, and the page list filled again from the cache;
//  4. publishing a 300-page book of converted pages, against `cp -r` of the
//     same page files, with the longest pause of the event loop meanwhile.
//
// Build: cmake --build <build dir> --target ui_bench
// Run:   <build dir>/tests/ui/ui_bench [runs]   (offscreen by default)

#include "convert/converterrunner.h"
#include "fsutil/fsutil.h"
#include "ui/browseforfolder.h"
#include "model/conversionnames.h"
#include "model/tfileobj.h"
#include "model/uconst.h"
#include "output/bookpackage.h"
#include "output/thumbnailcache.h"
#include "support/testpdf.h"
#include "ui/previewweb.h"
#include "ui/tmainfrm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

using namespace lw;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

bool WriteBytes(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Runs the event loop until `done` or `ms` have passed.
bool SpinUntil(const std::function<bool()> &done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) {
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

}  // namespace

int main(int argc, char **argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

  // A private program folder and data home.
  QTemporaryDir home, program, scratch;
  qputenv("XDG_DATA_HOME", home.path().toUtf8());
  const QString built = QStringLiteral(LW_PROGRAM_DIR) + "/";
  const QString appDir = program.path() + "/";
  CopyFolderTree(built + "Resource", appDir + "Resource", ".*");
  CopyFolderTree(built + "Themes", appDir + "Themes", ".*");
  CopyOneFile(built + "ImageTool.dll", appDir + "ImageTool.dll", true);
  CopyOneFile(built + "pdf2swf", appDir + "pdf2swf", true);
  QFile(appDir + "pdf2swf").setPermissions(QFile(built + "pdf2swf").permissions());

  // 1. Start-up.
  std::vector<double> shown, loaded;
  double coldShown = 0, coldLoaded = 0;
  for (int r = 0; r < runs; ++r) {
    QElapsedTimer t;
    t.start();
    TMainFrm frm(nullptr, appDir);
    auto *web = frm.findChild<PreviewWeb *>("PreViewWeb");
    bool styled = false;
    QObject::connect(web, &PreviewWeb::previewStyled, [&] { styled = true; });
    frm.show();
    QApplication::processEvents();
    shown.push_back(t.nsecsElapsed() / 1e6);
    SpinUntil([&] { return styled; }, 20000);
    loaded.push_back(styled ? t.nsecsElapsed() / 1e6 : -1);
    if (r == 0) {
      coldShown = sinceStart.nsecsElapsed() / 1e6 - (loaded.back() - shown.back());
      coldLoaded = sinceStart.nsecsElapsed() / 1e6;
    }
  }
  std::printf("cold start, from process start (application object and browser engine included): "
              "window shown %.0f ms, preview page loaded %.0f ms\n",
              coldShown, coldLoaded);
  std::printf("start-up, median of %d: window shown %.0f ms (target 1500 ms, ratio %.2f), "
              "preview page loaded %.0f ms\n",
              runs, Median(shown), Median(shown) / 1500.0, Median(loaded));

  // 2. The page count of a 500-page PDF, on the user-interface thread.
  const QString bigPdf = scratch.path() + "/big500.pdf";
  WriteBytes(bigPdf, lwtest::MakeTextPdf(500));
  std::vector<double> counting;
  int counted = 0;
  for (int r = 0; r < runs; ++r) {
    QElapsedTimer t;
    t.start();
    TFileObj file(bigPdf);
    counting.push_back(t.nsecsElapsed() / 1e6);
    counted = file.count;
  }
  std::printf("adding a 500-page PDF: page count %d read in %.1f ms (median)\n", counted,
              Median(counting));

  // 3. Publishing 300 converted pages.
  TMainFrm frm(nullptr, appDir);
  frm.show();
  QApplication::processEvents();
  const QString pdf = scratch.path() + "/book300.pdf";
  WriteBytes(pdf, lwtest::MakeTextPdf(300));
  QElapsedTimer convertTime;
  convertTime.start();
  const ConvertOutcome outcome = ConvertPdfToSwf(pdf, SysSetInfo.SwfToolPath, SysSetInfo.TempPathStr);
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);
  qint64 bytes = 0;
  for (int n = 1; n <= 300; ++n) {
    if (TPageObj *page = frm.session().book().AddPageByPath(names.PageFile(n))) {
      page->fileType = kPageSwf;
      page->showName = FileNameOfPath(names.PageFile(n));
      page->sourcePath = pdf;  // as ImportFilePages leaves it
      page->sourcePage = n;
      bytes += QFileInfo(names.PageFile(n)).size();
    }
  }
  std::printf("converter: %d of 300 pages (%.1f MB) in %.1f s (status %d)\n", frm.session().book().PageCount(),
              bytes / 1e6, convertTime.elapsed() / 1000.0, int(outcome.status));
  if (frm.session().book().PageCount() == 0) return 1;
  {
    // Thumbnails: drawn on the worker while the event loop keeps ticking.
    ThumbnailCache *thumbs = frm.thumbnails();
    int arrived = 0;
    QEventLoop untilDrawn;
    QObject::connect(thumbs, &ThumbnailCache::thumbnailReady, &untilDrawn, [&] {
      if (++arrived == frm.session().book().PageCount()) untilDrawn.quit();
    });
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
      sinceTick.restart();
    });
    QElapsedTimer t;
    t.start();
    frm.RefreshPageList();
    const double fill = t.nsecsElapsed() / 1e6;
    tick.start(5);
    sinceTick.start();
    untilDrawn.exec();
    const double drawn = t.nsecsElapsed() / 1e6;
    tick.stop();
    t.restart();
    frm.RefreshPageList();
    const double again = t.nsecsElapsed() / 1e6;
    std::printf("thumbnails of %d pages: list filled in %.0f ms, all drawn after %.0f ms, longest "
                "event-loop pause %.0f ms; filled again from the cache in %.0f ms (%d drawn in all)\n",
                frm.session().book().PageCount(), fill, drawn, longest, again, thumbs->renderedCount());
  }

  QString target;
  SetBrowseForFolderHandler([&](const QString &, const QString &, QString &folder) {
    folder = target;
    return true;
  });
  std::vector<double> publish, copy, stalls, writer, templateCopy, pageCopy, fsCopy;
  for (int r = 0; r < runs; ++r) {
    QTemporaryDir out;
    target = out.path();
    // The longest gap between ticks of a 5 ms timer while publishing.
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
      sinceTick.restart();
    });
    tick.start(5);
    sinceTick.start();
    QElapsedTimer t;
    t.start();
    QEventLoop untilWritten;
    QObject::connect(&frm, &TMainFrm::packageWritten, &untilWritten, &QEventLoop::quit);
    frm.findChild<QPushButton *>("ExportBtn")->click();
    untilWritten.exec();
    publish.push_back(t.nsecsElapsed() / 1e6);
    longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
    tick.stop();
    stalls.push_back(longest);
    if (!QFile::exists(frm.lastPackageFolder() + "pages/300.swf")) {
      std::printf("publishing failed: no pages/300.swf\n");
      return 1;
    }

    QTemporaryDir direct;
    QElapsedTimer w;
    w.start();
    WriteBookPackage(frm.session().book(), SysSetInfo, false, direct.path() + "/");
    writer.push_back(w.nsecsElapsed() / 1e6);

    // Where the writer's time goes: the template copy and the page copies.
    QTemporaryDir parts;
    QElapsedTimer pt;
    pt.start();
    CopyFolderTree(SysSetInfo.ResPath, parts.path() + "/pkg", ".*");
    templateCopy.push_back(pt.nsecsElapsed() / 1e6);
    QDir().mkpath(parts.path() + "/pkg/pages2");
    pt.restart();
    for (int n = 1; n <= frm.session().book().PageCount(); ++n)
      QFile::copy(frm.session().book().Page(n - 1)->filePath, parts.path() + "/pkg/pages2/" + QString::number(n) + ".swf");
    pageCopy.push_back(pt.nsecsElapsed() / 1e6);
    QDir().mkpath(parts.path() + "/pkg/pages3");
    pt.restart();
    for (int n = 1; n <= frm.session().book().PageCount(); ++n) {
      std::error_code ec;
      std::filesystem::copy_file(
          QFile::encodeName(frm.session().book().Page(n - 1)->filePath).toStdString(),
          QFile::encodeName(parts.path() + "/pkg/pages3/" + QString::number(n) + ".swf").toStdString(),
          std::filesystem::copy_options::overwrite_existing, ec);
    }
    fsCopy.push_back(pt.nsecsElapsed() / 1e6);

    QTemporaryDir copyOut;
    QElapsedTimer c;
    c.start();
    QProcess cp;
    cp.start("cp", {"-r", names.folder, copyOut.path() + "/pages"});
    cp.waitForFinished(-1);
    copy.push_back(c.nsecsElapsed() / 1e6);
  }
  const double p = Median(publish), c = Median(copy);
  std::printf("publishing 300 pages, median of %d: %.0f ms; cp -r of the page files %.0f ms; "
              "ratio %.2f (target 1.5)\n",
              runs, p, c, c > 0 ? p / c : 0);
  std::printf("the package writer alone: %.0f ms (of it: template folder copy %.0f ms, "
              "300 page copies %.0f ms with QFile::copy, %.0f ms with std::filesystem::copy_file)\n",
              Median(writer), Median(templateCopy), Median(pageCopy), Median(fsCopy));
  std::printf("longest event-loop pause while publishing: %.0f ms (median of runs)\n", Median(stalls));
  SetBrowseForFolderHandler({});
  return 0;
}
