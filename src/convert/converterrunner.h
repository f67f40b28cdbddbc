// Runs the page converter on one PDF in a child process, and finds or ends
// processes by executable name.
//
// The converter is `pdf2swf` in the program folder (SysSetInfo.SwfToolPath).
// It is given the six-argument command line
//   "<converter>" "<pdf>" -j 100 -o "<conversion folder><stem>_%.swf"
// followed by "--outline" and its file and, when only some
// pages are wanted, "--pages <list>" (PageListText), and writes one page
// file per page into the conversion folder (the last "%" of the pattern
// becomes the page number), named by ConversionNamesFor
// (model/conversionnames.h), the same function the page lists of source
// files use. While it runs it prints one progress line "page <done>/<total>"
// per finished page, <total> counting the pages of this run.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace lw {

// Longest wait for one converter run.
inline constexpr int kConverterTimeoutMs = 600000;

// The converter's arguments in order: toolPath, pdfPath, "-j", "100", "-o",
// pattern. Pure; nothing is checked.
QStringList ConverterCommand(const QString &toolPath, const QString &pdfPath,
                             const QString &pattern);

// Reads a converter progress line "page <done>/<total>" (surrounding blanks
// allowed). Returns false, leaving the outputs alone, for any other line or
// when done is not within 0..total.
bool ParseProgressLine(const QString &line, int *done, int *total);

// Called on the runner's thread with each progress line's numbers.
using PagesFn = std::function<void(int done, int total)>;

struct RunOutcome {
  enum Status {
    NotStarted,  // empty command, stopped before the start, or the program could not start
    Finished,    // the child ended by itself; see exitCode
    Crashed,     // the child was ended by a signal it did not ask for
    TimedOut,    // the limit passed; the child was ended
    Stopped,     // `stop` was set; the child was ended
  };
  Status status = NotStarted;
  int exitCode = -1;  // valid for Finished
  QString output;     // standard output and error, lines joined with "\n"
};

// Runs command[0] with the remaining arguments as a child process with its
// standard output and error merged and read while it runs, so a talkative
// child never stalls on a full pipe; standard input is the null device.
// Waits at most `timeoutMs`. When `stop` becomes true the child is ended
// within a few tens of milliseconds. Each progress line goes to `onPages`.
// Keeps at most the first 1 MiB of output; a child that ran past the limit
// or crashed has a last line saying so ("stopped after <n> s, the longest a
// file may take", "ended unexpectedly"). Ending a child kills it and
// waits for it, so no child outlives the call.
RunOutcome RunCommandLine(const QStringList &command, int timeoutMs = kConverterTimeoutMs,
                          const std::atomic<bool> *stop = nullptr, const PagesFn &onPages = {});

// The last non-empty line of a run's output, trimmed: the converter's own
// words for a failure. Empty when there is none.
QString LastOutputLine(const RunOutcome &run);

// The converter's error line about the PDF at `pdfPath` as that file's
// problem in plain words: without the program's name and the quoted path,
// so 'pdf2swf: "/d/a.pdf" is encrypted and needs a password' becomes "is
// encrypted and needs a password". Another line comes back without the
// program's name only. Returns an empty string for an empty line.
QString SourceProblemText(const QString &line, const QString &pdfPath);

class ConversionLock;

struct ConvertOutcome {
  enum Status {
    Converted,  // the pages are complete in the conversion folder (converted now or before)
    Skipped,    // the converter or the PDF is missing: nothing was created, deleted or run
    Cancelled,  // `stop` was set; before the start nothing was touched
    Refused,    // the converter cannot use the PDF (unreadable, encrypted, damaged, no pages)
    Failed,     // the folder could not be made, or the converter failed or crashed
    TimedOut,   // the converter ran past the limit and was ended
  };
  Status status = Skipped;
  QString folder;  // the conversion folder (empty when skipped)
  // The document's page count when converted (for a whole conversion, the
  // pages the converter wrote).
  int pageCount = 0;
  int convertedPages = 0;      // pages the converter wrote in this call (0 when all were held)
  bool reused = false;         // every wanted page was held already; nothing ran
  bool existedBefore = false;  // the conversion folder was there before this call
  RunOutcome run;
  // The conversion folder's lock, held for as long as the caller keeps
  // this outcome (a publisher keeps it until its book is written); null
  // when none was taken.
  std::shared_ptr<ConversionLock> lock;
};

// Converts the pages `pages` of one PDF (page numbers from 1, in any order;
// empty for every page) with the converter `toolPath` into its conversion
// folder under `tempPath`. Waits for the folder's lock (other processes of
// the user may be converting the same PDF), then takes the pages the folder
// holds for the unchanged file (HeldConversionPages) and converts only the
// wanted ones it lacks, into a private folder:
//   - when the folder holds pages of the unchanged file, the new pages are
//     moved in beside them once all are written, their links merged into
//     the links file, and the stamp names the pages held then;
//   - otherwise (no conversion, or one of another or a changed file) the
//     private folder, stamped, replaces the conversion folder.
// A wanted page beyond the document's last fails the call. After a failure,
// a time-out or a stop the conversion folder is as it was (a page file it
// did not hold may be left beside the others, never named by the stamp)
// and nothing of the run is left. Returns Converted when every wanted page
// is in the folder.
ConvertOutcome ConvertPdfPages(const QString &pdfPath, const std::vector<int> &pages,
                               const QString &toolPath, const QString &tempPath,
                               const std::atomic<bool> *stop = nullptr, const PagesFn &onPages = {},
                               int timeoutMs = kConverterTimeoutMs);

// The same with SysSetInfo.SwfToolPath and SysSetInfo.TempPathStr.
ConvertOutcome ConvertPdfPages(const QString &pdfPath, const std::vector<int> &pages,
                               const std::atomic<bool> *stop = nullptr, const PagesFn &onPages = {});

// ConvertPdfPages for every page of the PDF.
ConvertOutcome ConvertPdfToSwf(const QString &pdfPath, const QString &toolPath,
                               const QString &tempPath, const std::atomic<bool> *stop = nullptr,
                               const PagesFn &onPages = {},
                               int timeoutMs = kConverterTimeoutMs);

// The same with SysSetInfo.SwfToolPath and SysSetInfo.TempPathStr.
ConvertOutcome ConvertPdfToSwf(const QString &pdfPath, const std::atomic<bool> *stop = nullptr,
                               const PagesFn &onPages = {});

// The id of the first running process (in ascending id order, this
// process and ended but unreaped ones excluded) whose executable's file name, whose executable's full
// path, or whose command name equals `exeName`, compared with ASCII letters
// upper-cased. Returns 0 when none matches or `exeName` is empty.
std::uint32_t FindProcessByName(const QString &exeName);

// Ends (SIGKILL) the process FindProcessByName finds, whichever program
// started it; does nothing when none matches. Reports nothing. The
// conversion job does not use this: it ends its own converter child.
void KillProcessByName(const QString &exeName);

}  // namespace lw
