#include "pdf2swf/pdf2swf.h"

#include "model/pagerange.h"
#include "model/sidefiles.h"
#include "pdf2swf/convertpage.h"
#include "pdf2swf/jpegencode.h"
#include "pdf2swf/pageside.h"
#include "pdf2swf/pdfpages.h"

#include <poppler-qt6.h>

#include <QByteArray>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lw::pdf2swf {

namespace {

bool ReadInt(const QString &text, int low, int high, int *out) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < low || v > high) return false;
  *out = v;
  return true;
}

}  // namespace

ParsedArguments ParseArguments(const QStringList &args) {
  ParsedArguments r;
  Options &o = r.options;
  bool haveQuality = false, havePattern = false, haveDpi = false, haveThreads = false;
  bool haveMode = false, haveReport = false, havePages = false, havePageTime = false;
  QStringList positional;
  auto fail = [&r](const QString &why) {
    r.ok = false;
    r.error = why;
    return r;
  };
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString &a = args[i];
    if (a == "-h" || a == "--help") {
      o.help = true;
      continue;
    }
    if (a == "-z") {
      o.compress = true;
      continue;
    }
    if (a == "--bitmap" || a == "--vector") {
      if (haveMode) return fail("--bitmap or --vector given twice");
      o.bitmap = a == "--bitmap";
      haveMode = true;
      continue;
    }
    if (a == "--report") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      if (haveReport) return fail("option --report given twice");
      o.report = args[++i];
      haveReport = true;
      continue;
    }
    if (a == "--page-time") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      if (havePageTime) return fail("option --page-time given twice");
      bool ok = false;
      const QString v = args[++i];
      o.pageSeconds = v.toDouble(&ok);
      if (!ok || !(o.pageSeconds >= 0.1 && o.pageSeconds <= 3600))
        return fail(QStringLiteral("page time \"%1\" is not a number of seconds from 0.1 to 3600").arg(v));
      havePageTime = true;
      continue;
    }
    if (a == "--pages") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      if (havePages) return fail("option --pages given twice");
      QString problem;
      const std::optional<PageRuns> runs = ParsePageRuns(args[++i], &problem);
      if (!runs) return fail("--pages: " + problem);
      o.pages = *runs;
      havePages = true;
      continue;
    }
    if (a == "--outline") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      if (!o.outline.isEmpty()) return fail(QStringLiteral("option %1 given twice").arg(a));
      o.outline = args[++i];
      if (o.outline.isEmpty()) return fail(QStringLiteral("option %1 needs a file name").arg(a));
      continue;
    }
    if (a == "-j" || a == "-o" || a == "-r" || a == "-t") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      const QString v = args[++i];
      if (a == "-j") {
        if (haveQuality) return fail("option -j given twice");
        if (!ReadInt(v, 0, 100, &o.quality))
          return fail(QStringLiteral("JPEG quality \"%1\" is not a number from 0 to 100").arg(v));
        haveQuality = true;
      } else if (a == "-o") {
        if (havePattern) return fail("option -o given twice");
        if (!v.contains('%'))
          return fail(QStringLiteral("output pattern \"%1\" has no %% for the page number").arg(v));
        o.pattern = v;
        havePattern = true;
      } else if (a == "-r") {
        if (haveDpi) return fail("option -r given twice");
        bool ok = false;
        o.dpi = v.toDouble(&ok);
        if (!ok || !(o.dpi >= 18 && o.dpi <= 1200))
          return fail(QStringLiteral("resolution \"%1\" is not a number from 18 to 1200").arg(v));
        haveDpi = true;
      } else {
        if (haveThreads) return fail("option -t given twice");
        if (!ReadInt(v, 0, 64, &o.threads))
          return fail(QStringLiteral("thread count \"%1\" is not a number from 0 to 64").arg(v));
        haveThreads = true;
      }
      continue;
    }
    if (a.size() > 1 && a.startsWith('-')) return fail(QStringLiteral("unknown option %1").arg(a));
    positional << a;
  }
  if (o.help) {
    r.ok = true;
    return r;
  }
  if (positional.size() != 1)
    return fail(positional.isEmpty() ? QStringLiteral("no PDF file given")
                                     : QStringLiteral("more than one PDF file given"));
  if (!haveQuality) return fail("option -j <quality> is required");
  if (!havePattern) return fail("option -o <pattern> is required");
  o.pdfPath = positional.front();
  r.ok = true;
  return r;
}

QString UsageText() {
  return QStringLiteral(
      "usage: pdf2swf <pdf> -j <quality> -o <pattern> [options]\n"
      "\n"
      "Renders the pages of <pdf> and writes one SWF movie per page.\n"
      "\n"
      "  -j <quality>  JPEG quality of the page bitmaps, 0 to 100\n"
      "  -o <pattern>  output file; its last %% becomes the page number (from 1),\n"
      "                e.g. \"/books/report/report_%%.swf\"\n"
      "  -r <dpi>      rendering resolution, 18 to 1200 (default 150)\n"
      "  -t <threads>  worker threads, 0 = one per core (default 0)\n"
      "  -z            write bitmap pages compressed (CWS) too; vector pages\n"
      "                are always compressed\n"
      "  --vector      pages as vector movies: shapes, embedded glyphs, images;\n"
      "                a page that cannot be shown faithfully so is a bitmap page\n"
      "                (default)\n"
      "  --bitmap      every page as one bitmap, as before vector pages\n"
      "  --report <f>  write one line per page to <f>: page, \"vector\",\n"
      "                \"bitmap\" or \"plain\", bytes, and why a page became a\n"
      "                bitmap or a plain page\n"
      "  --page-time <s> seconds a page may take to be read as vectors, and\n"
      "                again to be drawn as a bitmap (default 30); a page over\n"
      "                its time or its budget of paths, clips and pattern cells\n"
      "                becomes a bitmap page, or a plain page saying it could\n"
      "                not be drawn\n"
      "  --outline <f> write the document's bookmarks to <f> as JSON: title,\n"
      "                level and page of each, in document order\n"
      "  --pages <list> write only these pages (from 1), e.g. \"1-25,30\"; a page\n"
      "                beyond the document's last is an error (default: all)\n"
      "  -h, --help    show this text\n"
      "\n"
      "Each movie: SWF version 10, the stage is the page size in points; a\n"
      "bitmap page is one JPEG bitmap stretched over the stage. Every movie is\n"
      "checked by reading it back before it is put in place. Beside each page\n"
      "file goes its side file \"<name>.page.json\": the page's words with\n"
      "their boxes, its outline headings and its links (web addresses and\n"
      "pages); beside page 1 of a vector run its picture \"<name>.jpg\".\n"
      "\n"
      "Progress: one line \"page <done>/<total>\" on standard output after each\n"
      "finished page, <done> counting the pages finished so far, <total> the\n"
      "pages written.\n"
      "\n"
      "Exit status: 0 done, 1 bad command line, 2 PDF missing, 3 PDF unreadable,\n"
      "4 PDF encrypted, 5 PDF damaged, 6 page file not written,\n"
      "7 page not rendered, 8 --pages names a page the PDF does not have.\n").replace(QStringLiteral("%%"), QStringLiteral("%"));
}

QString PageFileName(const QString &pattern, int page) {
  QString name = pattern;
  const qsizetype at = name.lastIndexOf('%');
  if (at >= 0) name.replace(at, 1, QString::number(page));
  return name;
}

QString ProgressLine(int done, int total) {
  return QStringLiteral("page %1/%2").arg(done).arg(total);
}

swf::Bytes PageMovieFromImage(const QImage &image, const QSizeF &pagePoints, int quality,
                              bool compress) {
  if (image.isNull() || !(pagePoints.width() > 0) || !(pagePoints.height() > 0)) return {};
  // Opaque 32-bit pixels: what the page renderer delivers anyway. Pixels
  // with alpha are flattened onto black by this conversion, as JPEG has no
  // alpha; page renders are opaque.
  const QImage rgb =
      image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  swf::PageMovie page;
  page.jpeg.reserve(static_cast<std::size_t>(rgb.width()) * rgb.height() / 2 + 256 * 1024);
  if (!EncodeJpeg(rgb, std::clamp(quality, 0, 100), &page.jpeg)) return {};
  page.widthTwips = static_cast<std::int32_t>(std::lround(pagePoints.width() * 20.0));
  page.heightTwips = static_cast<std::int32_t>(std::lround(pagePoints.height() * 20.0));
  page.imageWidth = rgb.width();
  page.imageHeight = rgb.height();
  page.compress = compress;
  return swf::BuildPageMovie(page);
}

namespace {

// Opens a document and sets it up for rendering; null when it cannot be
// opened or needs a password.
void SetUpForRendering(Poppler::Document &doc) {
  doc.setRenderHint(Poppler::Document::Antialiasing, true);
  doc.setRenderHint(Poppler::Document::TextAntialiasing, true);
  doc.setPaperColor(Qt::white);
}

std::unique_ptr<Poppler::Document> OpenDocument(const QByteArray &data) {
  std::unique_ptr<Poppler::Document> doc = Poppler::Document::loadFromData(data);
  if (!doc || doc->isLocked()) return nullptr;
  SetUpForRendering(*doc);
  return doc;
}

bool WritePageFile(const QString &path, const swf::Bytes &bytes, QString *error) {
  const QString part = path + ".part";
  QFile out(part);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    *error = QStringLiteral("cannot write \"%1\": %2").arg(part, out.errorString());
    return false;
  }
  const auto size = static_cast<qint64>(bytes.size());
  const bool written = out.write(reinterpret_cast<const char *>(bytes.data()), size) == size;
  out.close();
  if (!written || out.error() != QFileDevice::NoError) {
    *error = QStringLiteral("cannot write \"%1\": %2").arg(part, out.errorString());
    QFile::remove(part);
    return false;
  }
  // rename() replaces an existing page file in one step.
  if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0) {
    *error = QStringLiteral("cannot rename \"%1\" to \"%2\"").arg(part, path);
    QFile::remove(part);
    return false;
  }
  return true;
}

// Writes `bytes` to `path` through a temporary file renamed into place.
bool WriteSideFile(const QString &path, const QByteArray &bytes, QString *error) {
  return WritePageFile(path, swf::Bytes(bytes.begin(), bytes.end()), error);
}

struct PageReport {
  int page;
  QString kind;
  std::size_t bytes;
  QString reason;
};

bool WriteReport(const QString &path, std::vector<PageReport> reports) {
  std::sort(reports.begin(), reports.end(), [](const PageReport &a, const PageReport &b) { return a.page < b.page; });
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
  for (const PageReport &r : reports)
    out.write(QStringLiteral("%1\t%2\t%3\t%4\n").arg(r.page).arg(r.kind).arg(r.bytes).arg(r.reason).toUtf8());
  return out.error() == QFileDevice::NoError;
}

// The first page's picture as a JPEG file at `path`. False, with `error`
// set, when there is no picture or it cannot be encoded or written.
bool WritePagePicture(const QImage &image, const QString &path, QString *error) {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  if (image.isNull() || !buffer.open(QIODevice::WriteOnly) ||
      !image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", 85)) {
    *error = QStringLiteral("the first page of \"%1\" could not be drawn as a picture").arg(path);
    return false;
  }
  return WriteSideFile(path, jpeg, error);
}

// Writes the page file of `page` and its side files; the files written go
// into `written`. Returns kExitOk, or the exit code with `error` set.
int WritePage(const QString &target, const PageResult &page, int number, const Options &options, bool wantPicture,
              std::vector<QString> *written, QString *error) {
  if (page.movie.empty()) {
    *error = QStringLiteral("page %1 of \"%2\" could not be rendered").arg(number).arg(options.pdfPath);
    return kExitRenderFailed;
  }
  if (page.outOfMemory) {
    *error = QStringLiteral("page %1 of \"%2\": out of memory while reading its text").arg(number).arg(options.pdfPath);
    return kExitRenderFailed;
  }
  if (!page.sideRead) {
    *error = QStringLiteral("page %1 has no text to read").arg(number);
    return kExitWriteFailed;
  }
  if (!WritePageFile(target, page.movie, error)) return kExitWriteFailed;
  written->push_back(target);
  const QString side = PageSideFile(target);
  if (!WriteSideFile(side, PageSideJson(page.side), error)) return kExitWriteFailed;
  written->push_back(side);
  if (wantPicture) {
    const QString picture = PagePictureFile(target);
    if (!WritePagePicture(page.picture, picture, error)) return kExitWriteFailed;
    written->push_back(picture);
  }
  return kExitOk;
}

}  // namespace

namespace {

// The PDF's bytes, or kExitMissing / kExitUnreadable with `error` set.
int ReadSource(const QString &path, QByteArray *data, QString *error) {
  const QFileInfo info(path);
  if (!info.exists()) {
    *error = QStringLiteral("\"%1\" does not exist").arg(path);
    return kExitMissing;
  }
  QFile file(path);
  if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read \"%1\"%2")
                 .arg(path, info.isDir() ? QStringLiteral(": it is a folder") : ": " + file.errorString());
    return kExitUnreadable;
  }
  *data = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    *error = QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString());
    return kExitUnreadable;
  }
  return kExitOk;
}

// The document in `data`, set up for rendering, or kExitDamaged /
// kExitEncrypted with `error` set.
int OpenSource(const QString &path, const QByteArray &data, std::unique_ptr<Poppler::Document> *doc,
               QString *error) {
  // Poppler's own complaints about damaged files are not for our users.
  Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
  *doc = Poppler::Document::loadFromData(data);
  if (!*doc) {
    *error = QStringLiteral("\"%1\" is damaged or not a PDF file").arg(path);
    return kExitDamaged;
  }
  if ((*doc)->isLocked()) {
    *error = QStringLiteral("\"%1\" is encrypted and needs a password").arg(path);
    return kExitEncrypted;
  }
  if ((*doc)->numPages() < 1) {
    *error = QStringLiteral("\"%1\" is damaged: it has no pages").arg(path);
    return kExitDamaged;
  }
  SetUpForRendering(**doc);
  return kExitOk;
}

// The page indices (from 0, ascending) of options.pages in a document of
// `pageTotal` pages, or kExitNoSuchPage with `error` set.
int PageIndices(const Options &options, int pageTotal, std::vector<int> *indices, QString *error) {
  if (options.pages.empty()) {
    for (int i = 0; i < pageTotal; ++i) indices->push_back(i);
    return kExitOk;
  }
  if (options.pages.back().second > pageTotal) {
    *error = QStringLiteral("page %1 is beyond the last page of \"%2\", which has %3")
                 .arg(std::max(options.pages.back().first, pageTotal + 1))
                 .arg(options.pdfPath)
                 .arg(pageTotal);
    return kExitNoSuchPage;
  }
  for (const int page : PagesOfRuns(options.pages)) indices->push_back(page - 1);
  return kExitOk;
}

}  // namespace

int ConvertPdf(const Options &options, const ProgressFn &progress, QString *error) {
  QString scratch;
  if (!error) error = &scratch;
  QByteArray data;
  std::unique_ptr<Poppler::Document> first;
  std::vector<int> indices;
  if (const int code = ReadSource(options.pdfPath, &data, error); code != kExitOk) return code;
  if (const int code = OpenSource(options.pdfPath, data, &first, error); code != kExitOk) return code;
  const int pageTotal = first->numPages();
  if (const int code = PageIndices(options, pageTotal, &indices, error); code != kExitOk) return code;
  const int total = static_cast<int>(indices.size());
  // The outline is walked once: for the outline file and the pages' headings.
  const std::vector<OutlineEntry> outline = ReadOutline(*first);
  const std::vector<std::vector<PageHeading>> headings = HeadingsByPage(outline, pageTotal);
  if (!options.outline.isEmpty()) {
    QString why;
    if (!WriteSideFile(options.outline, OutlineFileJson(outline), &why)) {
      *error = QStringLiteral("cannot write the outline \"%1\"").arg(options.outline);
      return kExitWriteFailed;
    }
  }
  int workers = options.threads > 0 ? options.threads : QThread::idealThreadCount();
  workers = std::clamp(workers, 1, std::max(1, total));

  std::atomic<int> nextPage{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;  // guards done, result, written, reports and the progress callback
  int done = 0;
  int result = kExitOk;
  std::vector<QString> written;  // files of this run, removed again if it fails
  std::vector<PageReport> reports;
  auto fail = [&](int code, const QString &why) {
    std::lock_guard lock(mutex);
    if (result == kExitOk) {
      result = code;
      *error = why;
    }
    failed = true;
  };

  auto work = [&](std::unique_ptr<Poppler::Document> doc) {
    if (!doc) doc = OpenDocument(data);
    if (!doc) return fail(kExitDamaged, QStringLiteral("\"%1\" could not be opened again").arg(options.pdfPath));
    const std::unique_ptr<PdfPages> pages = PdfPages::Open(data);
    const PageSources sources{doc.get(), pages.get(), pageTotal};
    for (;;) {
      if (failed) return;
      const int slot = nextPage.fetch_add(1);
      if (slot >= total) return;
      const int index = indices[static_cast<size_t>(slot)];
      const bool wantPicture = index == 0 && !options.bitmap;
      const PageResult page = ConvertPage(sources, index, options, headings[static_cast<size_t>(index)], wantPicture);
      std::vector<QString> files;
      QString why;
      const int code = WritePage(PageFileName(options.pattern, index + 1), page, index + 1, options, wantPicture,
                                 &files, &why);
      std::lock_guard lock(mutex);
      written.insert(written.end(), files.begin(), files.end());
      if (code != kExitOk) {
        if (result == kExitOk) {
          result = code;
          *error = why;
        }
        failed = true;
        return;
      }
      reports.push_back({index + 1, PageKindText(page.kind), page.movie.size(), page.ReportReason()});
      ++done;
      if (progress) progress(done, total);
    }
  };

  std::vector<std::thread> threads;
  threads.reserve(workers);
  threads.emplace_back(work, std::move(first));
  for (int i = 1; i < workers; ++i) threads.emplace_back(work, nullptr);
  for (auto &t : threads) t.join();
  // A failed run leaves no partial page set that a later reader could take
  // for a complete conversion.
  if (result != kExitOk)
    for (const QString &path : written) QFile::remove(path);
  if (result == kExitOk && !options.report.isEmpty() && !WriteReport(options.report, reports)) {
    *error = QStringLiteral("cannot write the report \"%1\"").arg(options.report);
    return kExitWriteFailed;
  }
  return result;
}

}  // namespace lw::pdf2swf
