#include "convert/converterrunner.h"

#include "fsutil/fsutil.h"
#include "model/conversionnames.h"
#include "model/uconst.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace lw {

QStringList ConverterCommand(const QString &toolPath, const QString &pdfPath,
                             const QString &pattern) {
  return {toolPath, pdfPath, QStringLiteral("-j"), QStringLiteral("100"), QStringLiteral("-o"),
          pattern};
}

QString ConverterCommandLine(const QStringList &command) {
  QString line;
  for (qsizetype i = 0; i < command.size(); ++i) {
    if (!line.isEmpty()) line += ' ';
    const bool quoted = i == 0 || i == 1 || i == 5;
    line += quoted ? '"' + command[i] + '"' : command[i];
  }
  return line;
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
  if (outcome.status != RunOutcome::Finished) {
    child.kill();
    child.waitForFinished(10000);
    lines.Add(child.readAll());
  } else if (child.exitStatus() == QProcess::CrashExit) {
    outcome.status = RunOutcome::Crashed;
  } else {
    outcome.exitCode = child.exitCode();
  }
  outcome.output = lines.Finish();
  return outcome;
}

ConvertOutcome ConvertPdfToSwf(const QString &pdfPath, const QString &toolPath,
                               const QString &tempPath, const std::atomic<bool> *stop,
                               const PagesFn &onPages, int timeoutMs) {
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
  if (QFileInfo::exists(names.folder)) DeleteFolderTree(names.folder);
  QDir().mkdir(names.folder);
  if (!QFileInfo(names.folder).isDir()) {
    outcome.status = ConvertOutcome::Failed;
    return outcome;
  }
  outcome.run =
      RunCommandLine(ConverterCommand(toolPath, pdfPath, names.Pattern()), timeoutMs, stop, onPages);
  switch (outcome.run.status) {
    case RunOutcome::Finished:
      outcome.status =
          outcome.run.exitCode == 0 ? ConvertOutcome::Converted : ConvertOutcome::Failed;
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
  return outcome;
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
