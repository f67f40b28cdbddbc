#include "publish/publishcli.h"

#include "convert/converterrunner.h"
#include "fsutil/fsutil.h"
#include "model/bookdocument.h"
#include "model/booksizes.h"
#include "model/pageimport.h"
#include "model/pagerange.h"
#include "model/tfileobj.h"
#include "model/uconst.h"
#include "output/autobooksize.h"
#include "output/bookpackage.h"
#include "convert/conversioncache.h"
#include "output/imageconvert.h"
#include "output/poster.h"
#include "server/bookserver.h"
#include "themes/colortext.h"
#include "themes/tthememanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace lw {
namespace {

// A failure that ends the run with `status` and one line on standard error.
struct RunError {
  int status;
  QString message;
};

std::optional<TColor> parseColor(const QString &text) {
  static const QRegularExpression six("^#?[0-9A-Fa-f]{6}$");
  if (!six.match(text).hasMatch()) return std::nullopt;
  return HexTextToColor('$' + text.right(6));
}

// Progress on standard error: nothing when quiet; on a terminal one status
// line rewritten in place ("\r") while a file is converted; elsewhere (a
// log, a pipe) only plain lines.
class Progress {
 public:
  Progress(QTextStream &err, bool quiet) : err_(err), quiet_(quiet), terminal_(onTerminal(err)) {}
  ~Progress() { endStatus(); }

  bool terminal() const { return terminal_; }

  // A line of its own, after any status line.
  void line(const QString &text) {
    if (quiet_) return;
    endStatus();
    err_ << text << '\n';
    err_.flush();
  }
  // The status line shown now, on a terminal only.
  void status(const QString &text) {
    if (quiet_ || !terminal_) return;
    // Blanks wipe the rest of a longer line shown before.
    err_ << '\r' << text << QString(std::max<qsizetype>(0, shown_ - text.size()), ' ');
    err_.flush();
    shown_ = std::max<qsizetype>(text.size(), 1);
  }
  // Ends the status line with a line break.
  void endStatus() {
    if (shown_ == 0) return;
    err_ << '\n';
    err_.flush();
    shown_ = 0;
  }

 private:
  static bool onTerminal(QTextStream &stream) {
    const auto *file = qobject_cast<QFile *>(stream.device());
    return file && file->handle() >= 0 && ::isatty(file->handle()) == 1;
  }

  QTextStream &err_;
  bool quiet_;
  bool terminal_;
  qsizetype shown_ = 0;
};

// The output folder, made and checked: it must take files before anything
// is converted. Also prepares the work folder.
QString prepareOutput(const PublishOptions &o, const TSysSetInfo &paths) {
  const QString folder = QFileInfo(o.outputFolder).absoluteFilePath();
  if (!QDir().mkpath(folder)) throw RunError{kExitOutput, folder + ": cannot create the output folder"};
  if (QTemporaryFile probe(JoinPath(folder, ".leafweaver-XXXXXX")); !probe.open())
    throw RunError{kExitOutput, folder + ": cannot write into the output folder: " + probe.errorString()};
  if (!PrepareTempFolder(paths))
    throw RunError{kExitOutput, paths.TempPathStr + ": the work folder cannot be created"};
  return folder;
}

void removeConversions(const std::vector<ConvertOutcome> &conversions) {
  for (const ConvertOutcome &c : conversions)
    if (c.status == ConvertOutcome::Converted && !c.existedBefore && !c.folder.isEmpty())
      DeleteFolderTree(c.folder);
}

// Converts the pages `pages` of the PDF `f` (empty: all) with the
// program's converter (the runner the window uses too), adding the outcome
// to `conversions`; a PDF the counter could not count takes the converter's
// count, and its range is checked then.
void convertPdf(TFileObj &f, const std::vector<int> &pages, const TSysSetInfo &paths, const QString &tag,
                Progress &progress, std::vector<ConvertOutcome> &conversions) {
  const int wanted = pages.empty() ? f.count : static_cast<int>(pages.size());
  QString what = f.showName;
  if (f.count > 0)
    what += wanted < f.count ? QStringLiteral(" (%1 of its %2 pages)").arg(wanted).arg(f.count)
                             : QStringLiteral(" (%1 pages)").arg(f.count);
  if (progress.terminal())
    progress.status(tag + "Converting " + what);
  else
    progress.line(tag + "Converting " + what);
  QElapsedTimer clock;
  clock.start();
  ConvertOutcome result = ConvertPdfPages(
      f.filePath, pages, paths.SwfToolPath, paths.TempPathStr, nullptr, [&](int done, int total) {
        progress.status(tag + QStringLiteral("Converting %1: page %2 of %3").arg(f.showName).arg(done).arg(total));
      });
  progress.endStatus();
  const QString why = LastOutputLine(result.run);
  const ConvertOutcome::Status status = result.status;
  const int converted = result.convertedPages;
  conversions.push_back(std::move(result));
  if (status == ConvertOutcome::Skipped)
    throw RunError{kExitOutput, paths.SwfToolPath + ": the converter is missing"};
  if (status == ConvertOutcome::Refused) {
    // The converter's own words say what is wrong with the file
    // ("is encrypted and needs a password", "is damaged").
    throw RunError{kExitInput, f.filePath + ": " +
                                   (why.isEmpty() ? "this PDF " + f.problemStr : why)};
  }
  if (status != ConvertOutcome::Converted)
    throw RunError{kExitOutput, f.filePath + ": conversion failed" + (why.isEmpty() ? "" : ": " + why)};
  if (!progress.terminal()) {
    progress.line(tag + (converted > 0 ? QStringLiteral("%1: %2 converted in %3 s")
                                             .arg(f.showName,
                                                  converted == 1 ? QStringLiteral("1 page")
                                                                 : QStringLiteral("%1 pages").arg(converted))
                                             .arg(clock.elapsed() / 1000.0, 0, 'f', 1)
                                       : f.showName + ": its pages were converted before"));
  }
  if (f.count < 1) {
    f.count = conversions.back().pageCount;
    f.problemStr.clear();
    if (!IsValidPageRange(f.rangeStr, f.count))
      throw RunError{kExitInput, QStringLiteral("%1: the page range \"%2\" selects no page of its %3")
                                     .arg(f.filePath, f.rangeStr)
                                     .arg(f.count)};
  }
}

// Writes the package of `book` into `folder` and prints its path.
int writeBook(const TBookObj &book, const TSysSetInfo &paths, const QString &folder,
              const PublishOptions &o, Progress &progress, QTextStream &out) {
  if (book.pageList.empty()) throw RunError{kExitInput, "the book has no pages"};
  if (book.portable && !o.runtimeUrl.isEmpty())
    throw RunError{kExitInput, "the book opens from a disk, so it carries its runtime: "
                               "it cannot take --runtime-url"};
  progress.line(QStringLiteral("Writing %1 pages into %2").arg(book.PageCount()).arg(folder));
  QString created;
  QString root;
  try {
    const QString previous = o.replace ? PublishedBookOfTitle(folder, book.titleStr) : QString();
    if (!previous.isEmpty())
      root = ReplaceBookPackage(book, paths, previous);
    else
      root = WriteBookPackage(book, paths, false, folder, QDateTime::currentDateTime(), &created);
    if (!o.runtimeUrl.isEmpty()) UseSharedRuntime(root, o.runtimeUrl);
  } catch (const std::exception &e) {
    if (!created.isEmpty()) DeleteFolderTree(created);
    throw RunError{kExitOutput, QString::fromUtf8(e.what())};
  }
  out << QDir::cleanPath(root) << '\n';
  out.flush();
  return kExitOk;
}

// Counts and checks every source before anything is converted or written.
std::vector<std::shared_ptr<TFileObj>> loadSources(const PublishOptions &o) {
  std::vector<std::shared_ptr<TFileObj>> files;
  for (const PublishSource &s : o.sources) {
    const QFileInfo info(s.path);
    if (!info.exists()) throw RunError{kExitInput, s.path + ": no such file"};
    if (!info.isFile()) throw RunError{kExitInput, s.path + ": not a file"};
    QFile probe(s.path);
    if (!probe.open(QIODevice::ReadOnly))
      throw RunError{kExitInput, s.path + ": cannot be read: " + probe.errorString()};
    probe.close();

    auto file = std::make_shared<TFileObj>(info.absoluteFilePath());
    if (file->fileType == kFilePdf) {
      // A file the counter cannot read may still be one the converter
      // reads: its range is checked once the converter has counted it.
      file->rangeStr = TrimBlanks(s.range);
      if (file->count == 0) throw RunError{kExitInput, s.path + ": this PDF " + file->problemStr};
      if (file->count < 0) {
        if (file->isUnusable)
          throw RunError{kExitInput, s.path + ": " + file->problemStr};
        files.push_back(file);
        continue;
      }
      if (!IsValidPageRange(s.range, file->count))
        throw RunError{kExitInput, QStringLiteral("%1: the page range \"%2\" selects no page of its %3")
                                       .arg(s.path, s.range)
                                       .arg(file->count)};
      file->rangeStr = TrimBlanks(s.range);
    } else {
      int w = 0, h = 0;
      try {
        GetImageFileSize(file->filePath, w, h);
      } catch (const std::exception &e) {
        throw RunError{kExitInput, QString::fromUtf8(e.what())};
      }
    }
    files.push_back(file);
  }
  return files;
}

// Book settings as the window would take them from its controls: the theme
// first, then what the options set explicitly.
void applySettings(TBookObj &book, const PublishOptions &o, const TThemeObj *theme, QSize size) {
  book.titleStr = o.title;
  book.keywordStr = o.keywords;
  book.desStr = o.description;
  if (theme) ApplyBookLook(book, ThemeBookLook(*theme));
  if (o.backgroundColor) {
    book.backgroundType = TBackgroundKind::Color;
    book.backgroundColor = *o.backgroundColor;
  }
  if (!o.backgroundImage.isEmpty()) {
    book.backgroundType = TBackgroundKind::Image;
    book.backgroundImage = QFileInfo(o.backgroundImage).absoluteFilePath();
  }
  if (o.buttonColor) book.buttonColor = *o.buttonColor;
  if (o.panelColor) book.panelColor = *o.panelColor;
  book.rightToLeft = o.rtl;
  book.portable = o.portable;
  book.width = size.width();
  book.height = size.height();
}

int publish(const PublishOptions &o, const QString &appDir, QTextStream &out, QTextStream &err) {
  Progress progress(err, o.quiet);
  const TSysSetInfo paths = WorkspacePaths(appDir);
  PruneLeftovers(paths.TempPathStr);  // what runs that died left

  const TThemeObj *theme = nullptr;
  std::unique_ptr<TThemeManager> themes;
  if (!o.theme.isEmpty()) {
    themes = std::make_unique<TThemeManager>(paths.ThemePath);
    theme = FindThemeByName(*themes, o.theme);
    if (!theme) {
      QStringList known;
      for (const auto &t : themes->themeList) known << '"' + t->titleStr + '"';
      throw RunError{kExitInput, QStringLiteral("unknown theme \"%1\" (themes: %2)")
                                     .arg(o.theme, known.isEmpty() ? "none" : known.join(", "))};
    }
  }
  if (!o.backgroundImage.isEmpty() && !QFileInfo(o.backgroundImage).isFile())
    throw RunError{kExitInput, o.backgroundImage + ": no such background image"};
  if (!o.backgroundImage.isEmpty())
    if (const QString problem = PictureFileProblem(o.backgroundImage); !problem.isEmpty())
      throw RunError{kExitInput, o.backgroundImage + ": " + problem};

  const auto files = loadSources(o);
  const QSize size = o.size ? *o.size : [&] {
    try {
      return AutoBookSizeFor(*files.front());
    } catch (const std::exception &e) {
      throw RunError{kExitInput, QString::fromUtf8(e.what())};
    }
  }();

  const QString folder = prepareOutput(o, paths);

  // The conversions stay locked until the book is written, so no other
  // Leafweaver process replaces or prunes their pages meanwhile; those this
  // run made are removed again at the end, whatever the outcome.
  std::vector<ConvertOutcome> conversions;
  const auto removeOwnConversions = qScopeGuard([&] { removeConversions(conversions); });

  const int n = static_cast<int>(files.size());
  for (int i = 0; i < n; ++i) {
    TFileObj &f = *files[static_cast<size_t>(i)];
    const QString tag = QStringLiteral("[%1/%2] ").arg(i + 1).arg(n);
    if (f.fileType != kFilePdf) {
      progress.line(tag + f.showName);
      continue;
    }
    // Only the pages of the range; a PDF the counter could not count is
    // converted whole.
    convertPdf(f, f.count > 0 ? ParsePageNumbers(f.rangeStr, f.count) : std::vector<int>(), paths, tag,
               progress, conversions);
  }

  TBookObj book;
  applySettings(book, o, theme, size);
  for (const auto &f : files) {
    const auto added = ImportFilePages(book, *f, paths.TempPathStr);
    const int wanted = f->fileType == kFilePdf ? static_cast<int>(f->GetRangeList(paths.TempPathStr).size()) : 1;
    if (static_cast<int>(added.size()) < wanted)
      throw RunError{kExitOutput, QStringLiteral("%1: %2 of its %3 chosen pages are missing after conversion")
                                      .arg(f->filePath)
                                      .arg(wanted - static_cast<int>(added.size()))
                                      .arg(wanted)};
  }
  return writeBook(book, paths, folder, o, progress, out);
}

// Publishes the saved book of --book: its sources, pages and settings as the
// window would publish them, converting the PDFs whose pages are not
// converted yet.
int publishBook(const PublishOptions &o, const QString &appDir, QTextStream &out, QTextStream &err) {
  Progress progress(err, o.quiet);
  const TSysSetInfo paths = WorkspacePaths(appDir);
  PruneLeftovers(paths.TempPathStr);  // what runs that died left
  QFile file(o.bookFile);
  // Only a plain file: a pipe or a device would never end.
  if (!QFileInfo(o.bookFile).isFile()) throw RunError{kExitInput, o.bookFile + ": not a file"};
  if (!file.open(QIODevice::ReadOnly))
    throw RunError{kExitInput, o.bookFile + ": cannot be read: " + file.errorString()};
  QString error;
  // Never more than a book file may hold, whatever the file's size.
  const auto doc =
      ParseBookDocument(file.read(kMaxBookFileBytes + 1), QFileInfo(o.bookFile).absolutePath(), error);
  if (!doc) throw RunError{kExitInput, o.bookFile + ": the book file " + error};
  OpenedBook opened = OpenBookDocument(*doc, paths.TempPathStr);
  if (const QStringList missing = MissingSources(opened.book); !missing.isEmpty())
    throw RunError{kExitInput, o.bookFile + ": the book's pages from these files cannot be "
                                            "published, the files are missing: " + missing.join(", ")};
  if (opened.book.pageList.empty()) throw RunError{kExitInput, "the book has no pages"};
  if (const QStringList outside = PagesOutsideTheirSource(*doc, opened.library); !outside.isEmpty())
    throw RunError{kExitInput, o.bookFile + ": " + outside.join("; ")};
  for (const auto &source : opened.library)
    if (source->fileType != kFilePdf && QFileInfo(source->filePath).isFile())
      if (const QString problem = PictureFileProblem(source->filePath); !problem.isEmpty())
        throw RunError{kExitInput, source->filePath + ": " + problem};
  if (const TBookObj &b = opened.book; b.backgroundType == TBackgroundKind::Image && QFileInfo(b.backgroundImage).isFile())
    if (const QString problem = PictureFileProblem(b.backgroundImage); !problem.isEmpty())
      throw RunError{kExitInput, o.bookFile + ": its background image " + b.backgroundImage + " " + problem};
  const QString folder = prepareOutput(o, paths);

  std::vector<ConvertOutcome> conversions;
  const auto removeOwnConversions = qScopeGuard([&] { removeConversions(conversions); });
  const TFileList pdfs = SourcesToConvert(opened.book, opened.library);
  const int n = static_cast<int>(pdfs.size());
  for (int i = 0; i < n; ++i) {
    TFileObj &f = *pdfs[static_cast<size_t>(i)];
    // Only the pages the book shows.
    convertPdf(f, BookPagesOfSource(opened.book, f.filePath), paths,
               QStringLiteral("[%1/%2] ").arg(i + 1).arg(n), progress, conversions);
  }
  int gone = 0;
  for (const auto &page : opened.book.pageList)
    if (!QFileInfo(page->filePath).isFile()) ++gone;
  if (gone > 0)
    throw RunError{kExitOutput, QStringLiteral("%1 of the book's %2 pages are missing after conversion")
                                    .arg(gone)
                                    .arg(opened.book.PageCount())};
  if (o.portable) opened.book.portable = true;
  return writeBook(opened.book, paths, folder, o, progress, out);
}

// Ctrl-C while serving: the handler writes to a socket pair, and the event
// loop quits when it sees the byte.
int signalPipe[2] = {-1, -1};
void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
}

}  // namespace

QString PublishUsage() {
  return QStringLiteral(R"(Usage: leafweaver-publish [options] FILE [--pages RANGE] [FILE [--pages RANGE]]... -o FOLDER
       leafweaver-publish --book FILE.leafbook -o FOLDER
  leafweaver-publish --serve FOLDER [--port N]

Publishes a page-turning book from PDF and image files (PNG, JPEG, BMP), in
the order given, into a new folder under FOLDER named after the book's title
(with the date and time too where that name is taken; Quirell_<date>_<time>
for a book without a title), and prints that folder's path. PDFs are
converted with the program's converter.

Sources:
  FILE                     a PDF or an image; each becomes pages of the book
  -p, --pages RANGE        pages of the PDF just named: "All" (default) or a
                           list like "1-5, 8"; only these pages are
                           converted                     --pages "1,3"

      --book FILE          a book saved by the window (.leafbook): its
                           sources, page order and settings; PDFs not
                           converted yet are converted   --book notes.leafbook

Book settings:
  -o, --output FOLDER      where the book folder is made (required)
                                                        -o ~/books
      --replace            replace the book published under the same title
                           in FOLDER (the new one is written beside it and
                           swapped in whole)
  -t, --title TEXT         title of the book page       -t "Spring catalogue"
  -k, --keywords TEXT      keywords of the book page    -k "shoes, spring"
  -d, --description TEXT   description of the book page -d "Our new range"
  -s, --size SIZE          A3, A4, A5 or WIDTHxHEIGHT (1..9999); without it
                           the first file decides (a PDF gives A4)
                                                        -s 800x600
      --theme NAME         take background and colours from a theme, by the
                           name shown in the window      --theme "Harbour Blue"
      --background-color RRGGBB
                           plain background colour      --background-color 1E3A5F
      --background-image FILE
                           background image             --background-image bg.jpg
      --button-color RRGGBB colour of the player's buttons --button-color FFCC00
      --panel-color RRGGBB  colour of the player's panel   --panel-color 333333
      --runtime-url URL    load the player runtime from URL (a folder on the
                           site, shared by its books) and leave it out of
                           the book                   --runtime-url /ruffle/
      --rtl                a right-to-left book (Arabic, Hebrew, manga):
                           page 1 left of the spine, pages turn to the right
      --portable           the book also opens from a disk (double-click
                           its index.html: a USB stick, a mail attachment)
                           without a web server; it carries its files twice
                           (some 12 MB more)
  -q, --quiet              no progress on standard error, only errors (on a
                           terminal the progress is one line kept up to
                           date, elsewhere a line or two for each file)
  -h, --help               this text

Serving a published book (browsers play it from disk only with --portable):
      --serve FOLDER       serve FOLDER on 127.0.0.1 and print its address;
                           Ctrl-C stops             --serve ~/books/"Spring catalogue"
      --port N             port for --serve (default: a free one) --port 8080

Exit status: 0 done, 64 usage error, 65 a source file, range, theme or
background that cannot be used, 74 conversion or writing failed.

Example:
  leafweaver-publish report.pdf --pages "1-3" cover.png -t "Report" -s A4 -o out
)");
}

bool ParsePublishArgs(const QStringList &args, PublishOptions &o, QString &error) {
  o = PublishOptions();
  bool pagesAllowed = false;
  for (int i = 0; i < args.size(); ++i) {
    const QString &a = args[i];
    auto value = [&](QString &into) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    auto color = [&](std::optional<TColor> &into) {
      QString v;
      if (!value(v)) return false;
      into = parseColor(v.trimmed());
      if (!into) error = a + ": \"" + v + "\" is not a colour of six hexadecimal digits (RRGGBB)";
      return into.has_value();
    };
    QString v;
    if (a == "-h" || a == "--help") {
      o.help = true;
    } else if (a == "-q" || a == "--quiet") {
      o.quiet = true;
    } else if (a == "--replace") {
      o.replace = true;
    } else if (a == "-o" || a == "--output") {
      if (!value(o.outputFolder)) return false;
    } else if (a == "-t" || a == "--title") {
      if (!value(o.title)) return false;
    } else if (a == "-k" || a == "--keywords") {
      if (!value(o.keywords)) return false;
    } else if (a == "-d" || a == "--description") {
      if (!value(o.description)) return false;
    } else if (a == "-s" || a == "--size") {
      if (!value(v)) return false;
      o.size = ParseBookSize(v);
      if (!o.size) {
        error = "--size: \"" + v + "\" is not A3, A4, A5 or WIDTHxHEIGHT with both in 1..9999";
        return false;
      }
    } else if (a == "--theme") {
      if (!value(o.theme)) return false;
    } else if (a == "--background-color") {
      if (!color(o.backgroundColor)) return false;
    } else if (a == "--background-image") {
      if (!value(o.backgroundImage)) return false;
    } else if (a == "--button-color") {
      if (!color(o.buttonColor)) return false;
    } else if (a == "--panel-color") {
      if (!color(o.panelColor)) return false;
    } else if (a == "-p" || a == "--pages") {
      if (!value(v)) return false;
      if (!pagesAllowed) {
        error = "--pages must follow the PDF it applies to";
        return false;
      }
      o.sources.back().range = v;
      pagesAllowed = false;
    } else if (a == "--runtime-url") {
      if (!value(o.runtimeUrl)) return false;
      if (!IsRuntimeAddress(o.runtimeUrl)) {
        error = "--runtime-url: \"" + o.runtimeUrl + "\" is not an http(s) address or a path";
        return false;
      }
    } else if (a == "--rtl") {
      o.rtl = true;
    } else if (a == "--portable") {
      o.portable = true;
    } else if (a == "--book") {
      if (!value(o.bookFile)) return false;
    } else if (a == "--serve") {
      if (!value(o.serveFolder)) return false;
    } else if (a == "--port") {
      if (!value(v)) return false;
      bool ok = false;
      const uint port = v.toUInt(&ok);
      if (!ok || port < 1 || port > 65535) {
        error = "--port: \"" + v + "\" is not a port number (1..65535)";
        return false;
      }
      o.port = static_cast<quint16>(port);
    } else if (a.startsWith('-') && a.size() > 1) {
      error = "unknown option " + a;
      return false;
    } else {
      o.sources.push_back({a, "All"});
      pagesAllowed = a.endsWith(".pdf", Qt::CaseInsensitive);
    }
  }
  if (o.help) return true;
  if (!o.serveFolder.isEmpty()) {
    if (!o.sources.empty()) {
      error = "--serve takes no source files";
      return false;
    }
    if (!o.runtimeUrl.isEmpty() || o.rtl || o.portable) {
      error = QString(o.rtl ? "--rtl" : o.portable ? "--portable" : "--runtime-url") +
              " goes with publishing, not with --serve";
      return false;
    }
    return true;
  }
  if (o.port != 0) {
    error = "--port only goes with --serve";
    return false;
  }
  if (o.portable && !o.runtimeUrl.isEmpty()) {
    error = "--portable carries the runtime in the book: it does not go with --runtime-url";
    return false;
  }
  if (o.backgroundColor && !o.backgroundImage.isEmpty()) {
    error = "choose either --background-color or --background-image";
    return false;
  }
  if (!o.bookFile.isEmpty()) {
    const bool settings = !o.title.isEmpty() || !o.keywords.isEmpty() || !o.description.isEmpty() ||
                          o.size || !o.theme.isEmpty() || o.backgroundColor || o.buttonColor ||
                          o.panelColor || !o.backgroundImage.isEmpty() || o.rtl;
    if (!o.sources.empty() || settings) {
      error = "--book takes its sources and settings from the book file: give no source files "
              "or book settings with it";
      return false;
    }
  }
  if (o.sources.empty() && o.bookFile.isEmpty()) {
    error = "no source files given";
    return false;
  }
  if (o.outputFolder.isEmpty()) {
    error = "no output folder given (-o FOLDER)";
    return false;
  }
  return true;
}

int RunPublish(const PublishOptions &options, const QString &appDir, QTextStream &out,
               QTextStream &err) {
  try {
    if (!options.bookFile.isEmpty()) return publishBook(options, appDir, out, err);
    return publish(options, appDir, out, err);
  } catch (const RunError &e) {
    err << "leafweaver-publish: " << e.message << '\n';
    err.flush();
    return e.status;
  }
}

int RunServe(const PublishOptions &options, QTextStream &out, QTextStream &err) {
  if (!QFileInfo(options.serveFolder).isDir()) {
    err << "leafweaver-publish: " << options.serveFolder << ": no such folder\n";
    return kExitInput;
  }
  BookServer server(options.serveFolder);
  const quint16 port = server.ListenLocal(options.port);
  if (port == 0) {
    err << "leafweaver-publish: cannot listen on 127.0.0.1 port " << options.port << '\n';
    return kExitOutput;
  }
  out << "Serving " << server.root() << " at http://127.0.0.1:" << port << "/\n";
  out << "Open that address in a browser; press Ctrl-C to stop.\n";
  out.flush();

  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &server);
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
  }
  QCoreApplication::exec();
  return kExitOk;
}

}  // namespace lw
