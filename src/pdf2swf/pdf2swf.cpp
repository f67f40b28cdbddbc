#include "pdf2swf/pdf2swf.h"

#include <poppler-qt6.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QThread>

// jpeglib.h needs FILE declared first.
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lw::pdf2swf {

namespace {

// Longest side of a page bitmap, in pixels.
constexpr double kMaxPixels = 12000;

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
      "Renders every page of <pdf> and writes one SWF movie per page.\n"
      "\n"
      "  -j <quality>  JPEG quality of the page bitmaps, 0 to 100\n"
      "  -o <pattern>  output file; its last %% becomes the page number (from 1),\n"
      "                e.g. \"/books/report/report_%%.swf\"\n"
      "  -r <dpi>      rendering resolution, 18 to 1200 (default 150)\n"
      "  -t <threads>  worker threads, 0 = one per core (default 0)\n"
      "  -z            write compressed (CWS) movies\n"
      "  -h, --help    show this text\n"
      "\n"
      "Each movie: SWF version 10, the stage is the page size in points, the\n"
      "page is one JPEG bitmap stretched over the stage.\n"
      "\n"
      "Progress: one line \"page <done>/<total>\" on standard output after each\n"
      "finished page, <done> counting the pages finished so far.\n"
      "\n"
      "Exit status: 0 done, 1 bad command line, 2 PDF missing, 3 PDF unreadable,\n"
      "4 PDF encrypted, 5 PDF damaged, 6 page file not written,\n"
      "7 page not rendered.\n").replace(QStringLiteral("%%"), QStringLiteral("%"));
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

namespace {

// libjpeg writes into a growing byte vector.
struct VectorDestination {
  jpeg_destination_mgr mgr;
  swf::Bytes *out;
};

constexpr std::size_t kJpegChunk = 256 * 1024;

void InitDestination(j_compress_ptr cinfo) {
  auto *dest = reinterpret_cast<VectorDestination *>(cinfo->dest);
  dest->out->resize(std::max(dest->out->capacity(), kJpegChunk));
  dest->mgr.next_output_byte = dest->out->data();
  dest->mgr.free_in_buffer = dest->out->size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto *dest = reinterpret_cast<VectorDestination *>(cinfo->dest);
  const std::size_t used = dest->out->size();
  dest->out->resize(used * 2);
  dest->mgr.next_output_byte = dest->out->data() + used;
  dest->mgr.free_in_buffer = dest->out->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto *dest = reinterpret_cast<VectorDestination *>(cinfo->dest);
  dest->out->resize(dest->out->size() - dest->mgr.free_in_buffer);
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}

void SilentMessage(j_common_ptr) {}

// Encodes an opaque 32-bit image (Format_RGB32: bytes B, G, R, X in memory)
// without converting it first. Returns false when libjpeg fails.
bool EncodeJpeg(const QImage &image, int quality, swf::Bytes *out) {
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = ErrorExit;
  err.mgr.output_message = SilentMessage;
  VectorDestination dest;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest.out = out;
  dest.mgr.init_destination = InitDestination;
  dest.mgr.empty_output_buffer = EmptyOutputBuffer;
  dest.mgr.term_destination = TermDestination;
  cinfo.dest = &dest.mgr;
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = 4;
  cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

swf::Bytes PageMovieFromImage(const QImage &image, const QSizeF &pagePoints, int quality,
                              bool compress) {
  if (image.isNull() || !(pagePoints.width() > 0) || !(pagePoints.height() > 0)) return {};
  // Opaque 32-bit pixels: what the page renderer delivers anyway. Pixels
  // with alpha are flattened onto black by this conversion, as JPEG has no
  // alpha; page renders are opaque.
  const QImage rgb =
      image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  swf::PageMovie page;
  page.jpeg.reserve(static_cast<std::size_t>(rgb.width()) * rgb.height() / 2 + kJpegChunk);
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

}  // namespace

int ConvertPdf(const Options &options, const ProgressFn &progress, QString *error) {
  QString scratch;
  if (!error) error = &scratch;
  const QFileInfo info(options.pdfPath);
  if (!info.exists()) {
    *error = QStringLiteral("\"%1\" does not exist").arg(options.pdfPath);
    return kExitMissing;
  }
  QFile file(options.pdfPath);
  if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read \"%1\"%2")
                 .arg(options.pdfPath, info.isDir() ? QStringLiteral(": it is a folder")
                                                    : ": " + file.errorString());
    return kExitUnreadable;
  }
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    *error = QStringLiteral("cannot read \"%1\": %2").arg(options.pdfPath, file.errorString());
    return kExitUnreadable;
  }
  file.close();

  // Poppler's own complaints about damaged files are not for our users.
  Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
  std::unique_ptr<Poppler::Document> first = Poppler::Document::loadFromData(data);
  if (!first) {
    *error = QStringLiteral("\"%1\" is damaged or not a PDF file").arg(options.pdfPath);
    return kExitDamaged;
  }
  if (first->isLocked()) {
    *error = QStringLiteral("\"%1\" is encrypted and needs a password").arg(options.pdfPath);
    return kExitEncrypted;
  }
  if (first->numPages() < 1) {
    *error = QStringLiteral("\"%1\" is damaged: it has no pages").arg(options.pdfPath);
    return kExitDamaged;
  }
  SetUpForRendering(*first);
  const int total = first->numPages();
  int workers = options.threads > 0 ? options.threads : QThread::idealThreadCount();
  workers = std::clamp(workers, 1, std::max(1, total));

  std::atomic<int> nextPage{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;  // guards done, result and the progress callback
  int done = 0;
  int result = kExitOk;
  std::vector<QString> written;  // page files of this run, removed again if it fails

  auto work = [&](std::unique_ptr<Poppler::Document> doc) {
    if (!doc) doc = OpenDocument(data);
    if (!doc) {
      std::lock_guard lock(mutex);
      if (result == kExitOk) {
        result = kExitDamaged;
        *error = QStringLiteral("\"%1\" could not be opened again").arg(options.pdfPath);
      }
      failed = true;
      return;
    }
    for (;;) {
      if (failed) return;
      const int index = nextPage.fetch_add(1);
      if (index >= total) return;
      int code = kExitOk;
      QString why;
      const std::unique_ptr<Poppler::Page> page = doc->page(index);
      QImage image;
      QSizeF size;
      if (page) {
        size = page->pageSizeF();
        // Giant pages are rendered at a lower resolution rather than not at all.
        const double longest = std::max(size.width(), size.height());
        const double dpi =
            longest > 0 ? std::min(options.dpi, kMaxPixels * 72.0 / longest) : options.dpi;
        image = page->renderToImage(dpi, dpi);
        // Keep the stage in the orientation the page was rendered in.
        if (!image.isNull() && (image.width() > image.height()) != (size.width() > size.height()) &&
            std::abs(size.width() - size.height()) > 0.5)
          size.transpose();
      }
      const swf::Bytes movie =
          PageMovieFromImage(image, size, options.quality, options.compress);
      if (movie.empty()) {
        code = kExitRenderFailed;
        why = QStringLiteral("page %1 of \"%2\" could not be rendered")
                  .arg(index + 1)
                  .arg(options.pdfPath);
      }
      const QString target = PageFileName(options.pattern, index + 1);
      if (code == kExitOk && !WritePageFile(target, movie, &why)) code = kExitWriteFailed;
      std::lock_guard lock(mutex);
      if (code != kExitOk) {
        if (result == kExitOk) {
          result = code;
          *error = why;
        }
        failed = true;
        return;
      }
      written.push_back(target);
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
  return result;
}

}  // namespace lw::pdf2swf
