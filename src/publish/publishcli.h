// Publishing a book from the command line: the same road as the window
// program (count, convert, build the book, write the package), driven by
// arguments instead of clicks.
#pragma once

#include "model/tbookobj.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>
#include <vector>

namespace lw {

// Exit statuses of leafweaver-publish.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 64;   // unknown option, missing or bad argument
inline constexpr int kExitInput = 65;   // a source file, range, theme or size that cannot be used
inline constexpr int kExitOutput = 74;  // conversion or writing failed

struct PublishSource {
  QString path;
  QString range = "All";
};

struct PublishOptions {
  std::vector<PublishSource> sources;
  QString title, keywords, description;
  std::optional<QSize> size;  // without it the first file decides
  QString theme;              // a theme's show name
  std::optional<TColor> backgroundColor;
  QString backgroundImage;
  std::optional<TColor> buttonColor, panelColor;
  QString bookFile;  // --book: a saved book instead of sources and settings
  QString outputFolder;
  QString runtimeUrl;  // --runtime-url: the runtime is on the site there, not in the book
  bool rtl = false;    // --rtl: the book reads from right to left
  bool portable = false;  // --portable: the book also opens from a disk
  bool quiet = false;
  bool replace = false;  // --replace: the book published under the same title goes
  bool help = false;
  QString serveFolder;  // --serve: serve this folder instead of publishing
  quint16 port = 0;
};

// Reads the arguments (without the program name). Returns false with a
// one-line `error` for an unknown option, a missing value, a bad colour,
// a bad port, a size outside 1..9999, a runtime address that
// IsRuntimeAddress refuses, a missing output folder, or --book together
// with source files or book settings.
bool ParsePublishArgs(const QStringList &args, PublishOptions &options, QString &error);

// The --help text: every option with an example.
QString PublishUsage();

// Publishes the book described by `options` (its sources and settings, or
// the saved book of --book, whose missing source files are an input error)
// with the program folder
// `appDir`. Progress goes to `err` unless quiet; the package folder's path
// goes to `out`. Returns one of the exit statuses above; on an input error
// nothing is converted or written, and a package folder that this run
// created is removed again when writing fails.
int RunPublish(const PublishOptions &options, const QString &appDir, QTextStream &out,
               QTextStream &err);

// Serves `options.serveFolder` on 127.0.0.1 until the process is
// interrupted. Returns the exit status.
int RunServe(const PublishOptions &options, QTextStream &out, QTextStream &err);

}  // namespace lw
