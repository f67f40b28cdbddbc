// The page converter: renders the pages of a PDF (every page, or those
// --pages names) and writes one SWF movie per page. The `pdf2swf`
// executable is a thin wrapper around ConvertPdf.
//
// Command line (options in any order, exactly one PDF):
//   pdf2swf "<pdf>" -j <quality> -o "<folder>/<stem>_%.swf" [-r <dpi>] [-t <threads>] [-z]
//           [--bitmap | --vector] [--report <file>] [--outline <file>]
//           [--pages <list>] [--page-time <seconds>]
//
// Progress: after each finished page one line "page <done>/<total>" goes to
// standard output and is flushed; <total> is the number of pages written,
// <done> counts the pages finished so far (1, 2, ... <total>), not the page
// number, because pages finish in any order. Nothing else is written to standard output. Errors go to standard
// error as one line "pdf2swf: <message>".
#pragma once

#include "swf/swfwriter.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace lw::pdf2swf {

// Exit codes of the converter.
enum ExitCode : int {
  kExitOk = 0,
  kExitUsage = 1,        // bad command line
  kExitMissing = 2,      // no file at the PDF path
  kExitUnreadable = 3,   // the PDF path cannot be read (a folder, no permission)
  kExitEncrypted = 4,    // the PDF needs a password
  kExitDamaged = 5,      // not a PDF, or too damaged to open, or no pages
  kExitWriteFailed = 6,  // a page file could not be written
  kExitRenderFailed = 7, // a page could not be rendered or encoded
  kExitNoSuchPage = 8,   // --pages names a page beyond the document's last
};

inline constexpr double kDefaultDpi = 150.0;

struct Options {
  QString pdfPath;
  QString pattern;  // output file pattern; its last "%" becomes the page number
  int quality = 100;
  double dpi = kDefaultDpi;
  int threads = 0;  // 0 = one per core
  bool compress = false;
  bool help = false;
  // Bitmap pages for the whole run instead of vector pages.
  bool bitmap = false;
  // --page-time: seconds a page may take to be read as vectors, and again to
  // be drawn as a bitmap; a page over both is written as a plain page.
  double pageSeconds = 30;
  QString report;  // when set: one line per page, how it was written
  QString outline;  // when set: the document's bookmarks (OutlineFileJson)
  // --pages: the pages to write (runs, ascending); empty for every page.
  std::vector<std::pair<int, int>> pages;
};

struct ParsedArguments {
  bool ok = false;
  Options options;
  QString error;  // set when !ok
};

// Parses the arguments that follow the program name. -j and -o are
// required unless -h/--help is given. Returns ok == false with a one-line
// error for an unknown option, a missing or repeated value, a quality
// outside 0..100, a resolution outside 18..1200 dpi, a thread count outside
// 0..64, a pattern without "%", a page list that ParsePageRuns refuses, or
// not exactly one PDF path.
ParsedArguments ParseArguments(const QStringList &args);

// The --help text.
QString UsageText();

// `pattern` with its last "%" replaced by `page` in decimal; any "%"
// before it (in a folder or file name) stays as it is.
QString PageFileName(const QString &pattern, int page);

// The progress line for `done` of `total` pages, without line break.
QString ProgressLine(int done, int total);

// The movie of one rendered page: `image` is stretched over a stage of
// `pagePoints` (converted to twips) and stored as a JPEG of `quality`.
// Returns an empty vector when the image is null, the page size is not
// positive or the JPEG encoder fails.
swf::Bytes PageMovieFromImage(const QImage &image, const QSizeF &pagePoints, int quality,
                              bool compress);

// Called after each finished page, from a worker thread, one call at a time.
using ProgressFn = std::function<void(int done, int total)>;

// Longest side of a page bitmap, in pixels: the player's runtime shows no
// larger bitmap.
inline constexpr double kMaxPagePixels = 4096;

// Converts the PDF's pages: all of them, or those of options.pages (a page
// beyond the document's last fails the run with kExitNoSuchPage before
// anything is written). The outline file lists the whole document's
// bookmarks. Each page is made by ConvertPage (convertpage.h) and written
// with its side file (model/sidefiles.h), page 1 of a vector run with its
// picture too; a page that cannot be rendered at all fails the run
// (kExitRenderFailed).
// Pages are shared among `threads` workers, each
// with its own document. Each page file is written under "<name>.part" and
// renamed when complete, so an interrupted run never leaves a half-written
// page file. Returns kExitOk, or the exit code of the first failure with a
// message in `error`; after a failure no further pages are started and the
// page files this run wrote are removed again.
int ConvertPdf(const Options &options, const ProgressFn &progress, QString *error);

}  // namespace lw::pdf2swf
