#include "convert/converterrunner.h"

#include "convert/conversioncache.h"

#include "fsutil/fsutil.h"
#include "model/conversionnames.h"
#include "model/sidefiles.h"
#include "model/pagerange.h"
#include "model/uconst.h"
#include "pdf/pdfpagecount.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <csignal>
#include <iterator>
#include <sys/types.h>
#include <unistd.h>

namespace lw {

QStringList ConverterCommand(const QString &toolPath, const QString &pdfPath,
                             const QString &pattern) {
  return {toolPath, pdfPath, QStringLiteral("-j"), QStringLiteral("100"), QStringLiteral("-o"),
          pattern};
}

bool ParseProgressLine(const QString &line, int *done, int *total) {
  static const QRegularExpression re(QStringLiteral("^\\s*page (\\d{1,9})/(\\d{1,9})\\s*$"));
  const QRegularExpressionMatch m = re.match(line);
  if (!m.hasMatch()) return false;
  const int d = m.captured(1).toInt();
  const int t = m.captured(2).toInt();
  if (d > t) return false;
  *done = d;
  *total = t;
  return true;
}

namespace {

constexpr int kPollMs = 20;
constexpr qsizetype kMaxOutput = 1 << 20;

// Collects the child's output as lines and feeds progress lines onwards.
class OutputLines {
 public:
  explicit OutputLines(const PagesFn &onPages) : onPages_(onPages) {}

  void Add(const QByteArray &bytes) {
    pending_ += bytes;
    qsizetype start = 0;
    for (qsizetype nl; (nl = pending_.indexOf('\n', start)) >= 0; start = nl + 1)
      Line(pending_.mid(start, nl - start));
    pending_.remove(0, start);
  }

  QString Finish() {
    if (!pending_.isEmpty()) Line(pending_);
    pending_.clear();
    return lines_.join('\n');
  }

 private:
  void Line(QByteArray raw) {
    if (raw.endsWith('\r')) raw.chop(1);
    const QString text = QString::fromLocal8Bit(raw);
    int done = 0, total = 0;
    if (onPages_ && ParseProgressLine(text, &done, &total)) onPages_(done, total);
    if (kept_ + text.size() <= kMaxOutput) {
      lines_ << text;
      kept_ += text.size() + 1;
    }
  }

  const PagesFn &onPages_;
  QByteArray pending_;
  QStringList lines_;
  qsizetype kept_ = 0;
};

}  // namespace

RunOutcome RunCommandLine(const QStringList &command, int timeoutMs,
                          const std::atomic<bool> *stop, const PagesFn &onPages) {
  RunOutcome outcome;
  if (command.isEmpty() || command.front().isEmpty()) return outcome;
  if (stop && stop->load()) return outcome;

  QProcess child;
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.setStandardInputFile(QProcess::nullDevice());
  child.setProgram(command.front());
  child.setArguments(command.mid(1));
  child.start();
  if (!child.waitForStarted(30000)) return outcome;

  OutputLines lines(onPages);
  QElapsedTimer clock;
  clock.start();
  outcome.status = RunOutcome::Finished;
  for (;;) {
    // While waiting, QProcess reads the pipe into its own buffer, which is
    // emptied here: the child never blocks on a full pipe.
    const bool ended = child.waitForFinished(kPollMs) || child.state() == QProcess::NotRunning;
    lines.Add(child.readAll());
    if (ended) break;
    if (stop && stop->load()) {
      outcome.status = RunOutcome::Stopped;
      break;
    }
    if (clock.elapsed() >= timeoutMs) {
      outcome.status = RunOutcome::TimedOut;
      break;
    }
  }
  QString ending;  // the runner's own last line, for a child that did not end by itself
  if (outcome.status != RunOutcome::Finished) {
    child.kill();
    child.waitForFinished(10000);
    lines.Add(child.readAll());
    if (outcome.status == RunOutcome::TimedOut)
      ending = QStringLiteral("stopped after %1 s, the longest a file may take").arg(timeoutMs / 1000.0);
  } else if (child.exitStatus() == QProcess::CrashExit) {
    outcome.status = RunOutcome::Crashed;
    ending = QStringLiteral("ended unexpectedly");
  } else {
    outcome.exitCode = child.exitCode();
  }
  outcome.output = lines.Finish();
  if (!ending.isEmpty()) outcome.output += (outcome.output.isEmpty() ? "" : "\n") + ending;
  return outcome;
}

namespace {

// The converter's exit codes for a PDF it cannot use (missing, unreadable,
// encrypted, damaged or without pages), as opposed to its own failures.
bool isSourceRefusal(int exitCode) { return exitCode >= 2 && exitCode <= 5; }

// Page files 1..n that follow each other without a gap in `names.folder`.
int countPageFiles(const ConversionNames &names) {
  int n = 0;
  while (QFileInfo(names.PageFile(n + 1)).isFile()) ++n;
  return n;
}

}  // namespace

QString LastOutputLine(const RunOutcome &run) {
  const QStringList lines = run.output.split('\n', Qt::SkipEmptyParts);
  return lines.isEmpty() ? QString() : lines.last().trimmed();
}

QString SourceProblemText(const QString &line, const QString &pdfPath) {
  QString text = line.trimmed();
  const QString program = QStringLiteral("pdf2swf: ");
  if (text.startsWith(program)) text = text.mid(program.size());
  const QString quoted = '"' + pdfPath + "\" ";
  if (!pdfPath.isEmpty() && text.startsWith(quoted)) text = text.mid(quoted.size());
  return text.trimmed();
}

namespace {

// A name beside `folder` that no other run of this or another process uses.
QString privateFolder(const QString &folder, const char *kind) {
  static std::atomic<int> counter{0};
  return QStringLiteral("%1.%2-%3-%4")
      .arg(WithoutTrailingSlash(folder), QLatin1String(kind))
      .arg(::getpid())
      .arg(counter.fetch_add(1));
}

// Puts the finished conversion `fresh` in the place of `folder` (whatever
// was there goes). Returns false when the rename fails.
bool moveIntoPlace(const QString &fresh, const QString &folder) {
  const QString target = WithoutTrailingSlash(folder);
  QString old;
  if (QFileInfo::exists(target)) {
    old = privateFolder(folder, "old");
    if (!QDir().rename(target, old)) return false;
  }
  if (!QDir().rename(fresh, target)) {
    if (!old.isEmpty()) QDir().rename(old, target);
    return false;
  }
  if (!old.isEmpty()) DeleteFolderTree(old);
  return true;
}

}  // namespace

namespace {

// The page number of a file the converter writes for one page in a folder
// of `stem`: "<stem>_<n>.<anything>" (page, words, picture). 0 for others.
int pageOfConverterFile(const QString &name, const QString &stem) {
  const QString head = stem + '_';
  if (!name.startsWith(head)) return 0;
  const qsizetype dot = name.indexOf('.', head.size());
  if (dot <= head.size()) return 0;
  bool ok = false;
  const int n = name.mid(head.size(), dot - head.size()).toInt(&ok);
  return ok && n > 0 ? n : 0;
}

// Moves the files of `pages` and the outline file of the finished run in
// `fresh` into the conversion folder `names.folder` beside the pages it
// holds. False when a file cannot be put in place.
bool moveIntoFolder(const ConversionNames &freshNames, const ConversionNames &names,
                    const std::vector<int> &pages) {
  const QSet<int> runPages(pages.begin(), pages.end());
  const QString outline = QFileInfo(OutlineFileFor(freshNames.PageFile(1))).fileName();
  for (const QString &name : QDir(freshNames.folder).entryList(QDir::Files | QDir::Hidden)) {
    if (name == QLatin1String(kConversionStampName)) continue;
    if (name != outline && !runPages.contains(pageOfConverterFile(name, names.stem))) continue;
    const QString target = names.folder + name;
    QFile::remove(target);
    if (!QFile::rename(freshNames.folder + name, target)) return false;
  }
  return true;
}

}  // namespace

ConvertOutcome ConvertPdfPages(const QString &pdfPath, const std::vector<int> &pages,
                               const QString &toolPath, const QString &tempPath,
                               const std::atomic<bool> *stop, const PagesFn &onPages,
                               int timeoutMs) {
  ConvertOutcome outcome;
  if (toolPath.isEmpty() || !QFileInfo(toolPath).isFile() || pdfPath.isEmpty() ||
      !QFileInfo(pdfPath).isFile())
    return outcome;
  if (stop && stop->load()) {
    outcome.status = ConvertOutcome::Cancelled;
    return outcome;
  }
  const ConversionNames names = ConversionNamesFor(tempPath, pdfPath);
  outcome.folder = names.folder;
  // The temporary folder itself holds every other conversion: never clear it.
  if (QDir::cleanPath(names.folder) == QDir::cleanPath(tempPath) || tempPath.isEmpty()) {
    outcome.status = ConvertOutcome::Failed;
    return outcome;
  }
  std::unique_ptr<ConversionLock> lock = ConversionLock::Acquire(names.folder, stop);
  if (!lock) {
    outcome.status = stop && stop->load() ? ConvertOutcome::Cancelled : ConvertOutcome::Failed;
    return outcome;
  }
  outcome.lock = std::move(lock);
  outcome.existedBefore = QFileInfo::exists(names.folder);

  // What the folder holds of the unchanged file, converted before by this
  // or another process, and what is wanted of it.
  const ConversionStamp before = ConversionStamp::ForSource(pdfPath, 0);
  int total = 0;
  const std::vector<int> held = HeldConversionPages(names, pdfPath, &total);
  std::vector<int> wanted;
  for (const int n : pages)
    if (n > 0) wanted.push_back(n);
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  if (!wanted.empty() && total < 1) {
    // The document's page count decides whether a list is the whole file.
    const PdfPageCountResult counted = ReadPdfPageCountFile(pdfPath.toStdString());
    total = counted.count > 0 ? counted.count : 0;
    // A file the counter cannot read is converted whole.
    if (total < 1) wanted.clear();
  }
  if (wanted.empty())
    for (int n = 1; n <= total; ++n) wanted.push_back(n);
  std::vector<int> missing;
  std::set_difference(wanted.begin(), wanted.end(), held.begin(), held.end(),
                      std::back_inserter(missing));
  if (!wanted.empty() && missing.empty()) {
    TouchConversion(names.folder);
    outcome.status = ConvertOutcome::Converted;
    outcome.reused = true;
    outcome.pageCount = total;
    const int n = static_cast<int>(wanted.size());
    if (onPages) onPages(n, n);
    return outcome;
  }
  // Pages join those held; otherwise the run's folder replaces the folder.
  const bool join = !held.empty();
  const bool whole = !join && (wanted.empty() || static_cast<int>(missing.size()) == total);

  // Convert into a private folder, so that no reader ever sees a half-made
  // or half-deleted page set.
  const QString fresh = privateFolder(names.folder, "tmp");
  if (!QDir().mkdir(fresh)) {
    outcome.status = ConvertOutcome::Failed;
    return outcome;
  }
  ConversionNames freshNames = names;
  freshNames.folder = fresh + '/';
  // The bookmarks go beside the pages (OutlineFileFor), for the package
  // writer; each page's side file comes with its page file.
  QStringList command = ConverterCommand(toolPath, pdfPath, freshNames.Pattern());
  command << QStringLiteral("--outline") << OutlineFileFor(freshNames.PageFile(1));
  if (!whole) command << QStringLiteral("--pages") << PageListText(missing);
  outcome.run = RunCommandLine(command, timeoutMs, stop, onPages);
  switch (outcome.run.status) {
    case RunOutcome::Finished:
      outcome.status = outcome.run.exitCode == 0               ? ConvertOutcome::Converted
                       : isSourceRefusal(outcome.run.exitCode) ? ConvertOutcome::Refused
                                                               : ConvertOutcome::Failed;
      break;
    case RunOutcome::Stopped:
      outcome.status = ConvertOutcome::Cancelled;
      break;
    case RunOutcome::TimedOut:
      outcome.status = ConvertOutcome::TimedOut;
      break;
    case RunOutcome::NotStarted:
      // Stopped between the checks above and the start, or no start at all.
      outcome.status =
          stop && stop->load() ? ConvertOutcome::Cancelled : ConvertOutcome::Failed;
      break;
    case RunOutcome::Crashed:
      outcome.status = ConvertOutcome::Failed;
      break;
  }
  if (outcome.status == ConvertOutcome::Converted) {
    ConversionStamp stamp = before;
    std::vector<int> written = missing;
    if (whole) {
      stamp.pageCount = countPageFiles(freshNames);
      written.clear();
      for (int n = 1; n <= stamp.pageCount; ++n) written.push_back(n);
    } else {
      stamp.pageCount = total;
      for (const int n : missing)
        if (!QFileInfo(freshNames.PageFile(n)).isFile()) written.clear();
      std::set_union(held.begin(), held.end(), missing.begin(), missing.end(),
                     std::back_inserter(stamp.held));
    }
    bool placed = false;
    if (stamp.pageCount < 1 || written.empty()) {
      placed = false;
    } else if (!join) {
      placed = WriteConversionStamp(fresh, stamp) && moveIntoPlace(fresh, names.folder);
    } else {
      // The pages held came from the file as it was before the run: it must
      // not have changed meanwhile. The stamp comes last, so until it is
      // written the folder holds what it held.
      placed = ConversionStamp::ForSource(pdfPath, 0).SameSource(before) &&
               moveIntoFolder(freshNames, names, missing) &&
               WriteConversionStamp(names.folder, stamp);
    }
    if (!placed) {
      outcome.status = ConvertOutcome::Failed;
    } else {
      outcome.pageCount = stamp.pageCount;
      outcome.convertedPages = static_cast<int>(written.size());
    }
  }
  DeleteFolderTree(fresh);
  return outcome;
}

ConvertOutcome ConvertPdfPages(const QString &pdfPath, const std::vector<int> &pages,
                               const std::atomic<bool> *stop, const PagesFn &onPages) {
  return ConvertPdfPages(pdfPath, pages, SysSetInfo.SwfToolPath, SysSetInfo.TempPathStr, stop,
                         onPages);
}

ConvertOutcome ConvertPdfToSwf(const QString &pdfPath, const QString &toolPath,
                               const QString &tempPath, const std::atomic<bool> *stop,
                               const PagesFn &onPages, int timeoutMs) {
  return ConvertPdfPages(pdfPath, {}, toolPath, tempPath, stop, onPages, timeoutMs);
}

ConvertOutcome ConvertPdfToSwf(const QString &pdfPath, const std::atomic<bool> *stop,
                               const PagesFn &onPages) {
  return ConvertPdfToSwf(pdfPath, SysSetInfo.SwfToolPath, SysSetInfo.TempPathStr, stop, onPages);
}

namespace {

QString AsciiUpper(const QString &text) {
  QString out = text;
  for (QChar &c : out)
    if (c >= 'a' && c <= 'z') c = QChar(c.unicode() - 'a' + 'A');
  return out;
}

}  // namespace

std::uint32_t FindProcessByName(const QString &exeName) {
  if (exeName.isEmpty()) return 0;
  const QString wanted = AsciiUpper(exeName);
  const QDir proc(QStringLiteral("/proc"));
  std::vector<std::uint32_t> pids;
  for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool ok = false;
    const uint pid = entry.toUInt(&ok);
    if (ok && pid != 0) pids.push_back(pid);
  }
  std::sort(pids.begin(), pids.end());
  const auto self = static_cast<std::uint32_t>(::getpid());
  for (const std::uint32_t pid : pids) {
    if (pid == self) continue;
    const QString base = QStringLiteral("/proc/%1/").arg(pid);
    // A process that has ended but not been reaped yet is not running.
    QFile stat(base + "stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray statLine = stat.readAll();
    const qsizetype close = statLine.lastIndexOf(')');
    if (close < 0 || close + 2 >= statLine.size()) continue;
    const char state = statLine.at(close + 2);
    if (state == 'Z' || state == 'X') continue;
    QString exe = QFile::symLinkTarget(base + "exe");
    if (exe.endsWith(QStringLiteral(" (deleted)"))) exe.chop(10);
    if (!exe.isEmpty()) {
      const QString upper = AsciiUpper(exe);
      if (upper == wanted || AsciiUpper(QFileInfo(exe).fileName()) == wanted) return pid;
    }
    // The command name: what a script or a renamed program runs as.
    QFile comm(base + "comm");
    if (comm.open(QIODevice::ReadOnly)) {
      const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
      if (!name.isEmpty() && AsciiUpper(name) == wanted) return pid;
    }
  }
  return 0;
}

void KillProcessByName(const QString &exeName) {
  const std::uint32_t pid = FindProcessByName(exeName);
  if (pid != 0) ::kill(static_cast<pid_t>(pid), SIGKILL);
}

}  // namespace lw
