// Benchmark of the book's thumbnails, run on demand (not part of the test
// suite): for books of 300 and 1,000 PDF pages it prints the time the
// thumbnails take (sheets drawn by Poppler and encoded; wall clock and
// processor time), the time of the
// whole package with them, and their bytes per page.
//
// Build: cmake --build <build dir> --target thumbnails_bench
// Run:   <build dir>/tests/output/thumbnails_bench [PDF...]
//        (without PDFs: generated ones of 300 and 1,000 pages)

#include "model/tbookobj.h"
#include "model/uconst.h"
#include "output/bookpackage.h"
#include "output/bookthumbnails.h"
#include "output/pagethumbnail.h"
#include "support/testpdf.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <memory>

using namespace lw;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A whole, tiny SWF movie, enough for the package writer to copy.
QByteArray tinySwf() {
  QByteArray m("FWS\x0a\0\0\0\0", 8);
  m += QByteArray(13, '\0');
  const quint32 n = m.size();
  for (int i = 0; i < 4; ++i) m[4 + i] = char((n >> (8 * i)) & 0xff);
  return m;
}

void measure(const QString &pdf, const QString &label) {
  QFile f(pdf);
  if (!f.open(QIODevice::ReadOnly)) {
    std::printf("%s: cannot read\n", qPrintable(pdf));
    return;
  }
  const int pages = PdfThumbnailer(f.readAll()).pageCount();
  QTemporaryDir dir;
  TBookObj book;
  for (int n = 1; n <= pages; ++n) {
    const QString page = dir.filePath(QStringLiteral("conv/doc_%1.swf").arg(n));
    writeFile(page, tinySwf());
    auto p = std::make_unique<TPageObj>(page);
    p->fileType = kPageSwf;
    p->sourcePath = pdf;
    p->sourcePage = n;
    book.pageList.push_back(std::move(p));
  }
  QDir().mkpath(dir.filePath("thumbs/source"));
  QElapsedTimer clock;
  clock.start();
  const std::clock_t cpu0 = std::clock();
  BookThumbnails thumbs(book, dir.filePath("thumbs") + "/");
  for (int n = 0; n < pages; ++n) thumbs.addNextPage();
  thumbs.finish();
  const qint64 thumbMs = clock.elapsed();
  const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;

  TSysSetInfo paths;
  paths.AppPathStr = dir.filePath("app") + "/";
  paths.ResPath = paths.AppPathStr + "Resource/";
  paths.PreviewPath = dir.filePath("preview") + "/";
  writeFile(paths.ResPath + "index.html", "<html>{title}</html>");
  writeFile(paths.ResPath + "source/Pages.xml", "<content/>");
  writeFile(paths.AppPathStr + kPlayerMovieName, tinySwf());
  clock.restart();
  WriteBookPackage(book, paths, false, dir.filePath("out"));
  const qint64 packageMs = clock.elapsed();
  std::printf("%-28s %5d pages  thumbnails %6lld ms (%.1f ms/page, processor %.1f ms/page)  "
              "whole package %6lld ms  %8lld bytes (%lld per page)\n",
              qPrintable(label), pages, static_cast<long long>(thumbMs), double(thumbMs) / pages, cpuMs / pages,
              static_cast<long long>(packageMs), static_cast<long long>(thumbs.bytesWritten()),
              static_cast<long long>(thumbs.bytesWritten() / std::max(1, pages)));
}

}  // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  QStringList pdfs;
  for (int i = 1; i < argc; ++i) pdfs << QString::fromLocal8Bit(argv[i]);
  if (pdfs.isEmpty()) {
    for (const int n : {300, 1000}) {
      const QString path = dir.filePath(QStringLiteral("generated_%1.pdf").arg(n));
      writeFile(path, lwtest::MakeTextPdf(n));
      pdfs << path;
    }
  }
  for (const QString &pdf : pdfs) measure(pdf, QFileInfo(pdf).fileName());
  return 0;
}
