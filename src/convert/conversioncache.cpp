#include "convert/conversioncache.h"

#include "fsutil/fsutil.h"
#include "model/pagerange.h"
#include "model/sidefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QThread>

#include <map>
#include <mutex>
#include <thread>

namespace lw {
namespace {

QString stampPath(const QString &folder) {
  return WithoutTrailingSlash(folder) + '/' + kConversionStampName;
}

// Private folders of a run: "<name>.tmp-<pid>-<n>" while converting,
// "<name>.old-<pid>-<n>" for the conversion it replaces.
bool isPrivateFolder(const QString &name, QString *base) {
  for (const char *mark : {".tmp-", ".old-"}) {
    const qsizetype at = name.lastIndexOf(QLatin1String(mark));
    if (at > 0) {
      if (base) *base = name.left(at);
      return true;
    }
  }
  return false;
}

}  // namespace

ConversionStamp ConversionStamp::ForSource(const QString &pdfPath, int pages) {
  ConversionStamp stamp;
  stamp.sourcePath = pdfPath;
  stamp.pageCount = pages;
  const QFileInfo info(pdfPath);
  if (info.isFile()) {
    stamp.sourceSize = info.size();
    stamp.sourceModifiedMs = info.lastModified().toMSecsSinceEpoch();
  }
  return stamp;
}

std::vector<int> ConversionStamp::HeldPages() const {
  if (!held.empty()) return held;
  std::vector<int> all;
  for (int n = 1; n <= pageCount; ++n) all.push_back(n);
  return all;
}

bool ConversionStamp::SameSource(const ConversionStamp &other) const {
  return sourcePath == other.sourcePath && sourceSize == other.sourceSize &&
         sourceModifiedMs == other.sourceModifiedMs && sourceSize >= 0;
}

namespace {

// The stamp's first line, numbered after the side files' schema.
QByteArray stampHead() { return "leafweaver-conversion " + QByteArray::number(kSideFilesVersion); }

}  // namespace

bool WriteConversionStamp(const QString &folder, const ConversionStamp &stamp) {
  QSaveFile file(stampPath(folder));
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray text = stampHead() + "\nsource " + stamp.sourcePath.toUtf8() +
                          "\nsize " + QByteArray::number(stamp.sourceSize) + "\nmodified " +
                          QByteArray::number(stamp.sourceModifiedMs) + "\npages " +
                          QByteArray::number(stamp.pageCount) + '\n';
  file.write(text);
  if (!stamp.held.empty() && static_cast<int>(stamp.held.size()) < stamp.pageCount)
    file.write("held " + PageListText(stamp.held).toLatin1() + '\n');
  return file.commit();
}

bool ParseConversionStamp(const QByteArray &text, ConversionStamp &stamp) {
  const QList<QByteArray> lines = text.split('\n');
  if (lines.size() < 5 || lines[0] != stampHead()) return false;
  ConversionStamp read;
  bool okSize = false, okTime = false, okPages = false, okHeld = true;
  std::optional<PageRuns> held;
  for (const QByteArray &line : lines.mid(1)) {
    const qsizetype blank = line.indexOf(' ');
    if (blank < 0) continue;
    const QByteArray key = line.left(blank), value = line.mid(blank + 1);
    if (key == "source") read.sourcePath = QString::fromUtf8(value);
    else if (key == "size") read.sourceSize = value.toLongLong(&okSize);
    else if (key == "modified") read.sourceModifiedMs = value.toLongLong(&okTime);
    else if (key == "pages") read.pageCount = value.toInt(&okPages);
    else if (key == "held") okHeld = (held = ParsePageRuns(QString::fromLatin1(value))).has_value();
  }
  if (read.sourcePath.isEmpty() || !okSize || !okTime || !okPages || read.pageCount < 1 || !okHeld)
    return false;
  if (held) {
    if (held->back().second > read.pageCount) return false;
    read.held = PagesOfRuns(*held);
    if (static_cast<int>(read.held.size()) == read.pageCount) read.held.clear();
  }
  stamp = read;
  return true;
}

bool ReadConversionStamp(const QString &folder, ConversionStamp &stamp) {
  QFile file(stampPath(folder));
  if (!file.open(QIODevice::ReadOnly)) return false;
  return ParseConversionStamp(file.read(16 << 20), stamp);
}

void TouchConversion(const QString &folder) {
  QFile file(stampPath(folder));
  if (file.exists() && file.open(QIODevice::ReadWrite))
    file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
}

namespace {

// The conversion locks this process holds: the lock file, the thread that
// holds it and how often that thread took it.
struct HeldLock {
  std::unique_ptr<QLockFile> file;
  std::thread::id owner;
  int depth = 0;
};
std::mutex heldMutex;
std::map<QString, HeldLock> &heldLocks() {
  static std::map<QString, HeldLock> held;
  return held;
}

enum class Take { Taken, Busy, Impossible };

Take takeLock(const QString &key, bool again) {
  std::lock_guard guard(heldMutex);
  auto &held = heldLocks();
  if (auto it = held.find(key); it != held.end()) {
    if (!again || it->second.owner != std::this_thread::get_id()) return Take::Busy;
    ++it->second.depth;
    return Take::Taken;
  }
  auto file = std::make_unique<QLockFile>(key + ".lock");
  // A conversion may run for minutes: only a dead owner makes a lock stale.
  file->setStaleLockTime(0);
  if (!file->tryLock(0)) {
    return file->error() == QLockFile::LockFailedError ? Take::Busy : Take::Impossible;
  }
  held.emplace(key, HeldLock{std::move(file), std::this_thread::get_id(), 1});
  return Take::Taken;
}

}  // namespace

ConversionLock::~ConversionLock() {
  std::lock_guard guard(heldMutex);
  auto &held = heldLocks();
  const auto it = held.find(key_);
  if (it == held.end() || --it->second.depth > 0) return;
  it->second.file->unlock();
  held.erase(it);
}

std::unique_ptr<ConversionLock> ConversionLock::TryAcquire(const QString &folder) {
  const QString key = WithoutTrailingSlash(folder);
  if (takeLock(key, false) != Take::Taken) return nullptr;
  return std::unique_ptr<ConversionLock>(new ConversionLock(key));
}

std::unique_ptr<ConversionLock> ConversionLock::Acquire(const QString &folder,
                                                        const std::atomic<bool> *stop) {
  const QString key = WithoutTrailingSlash(folder);
  for (;;) {
    if (stop && stop->load()) return nullptr;
    switch (takeLock(key, true)) {
      case Take::Taken:
        return std::unique_ptr<ConversionLock>(new ConversionLock(key));
      case Take::Impossible:
        return nullptr;
      case Take::Busy:
        QThread::msleep(50);
        break;
    }
  }
}

int CompleteConversionPages(const ConversionNames &names, const QString &pdfPath) {
  int count = 0;
  const std::vector<int> held = HeldConversionPages(names, pdfPath, &count);
  return count > 0 && static_cast<int>(held.size()) == count ? count : 0;
}

std::vector<int> HeldConversionPages(const ConversionNames &names, const QString &pdfPath,
                                     int *pageCount) {
  std::vector<int> pages;
  if (pageCount) *pageCount = 0;
  ConversionStamp stamp;
  if (!ReadConversionStamp(names.folder, stamp)) return pages;
  if (!stamp.SameSource(ConversionStamp::ForSource(pdfPath, stamp.pageCount))) return pages;
  if (pageCount) *pageCount = stamp.pageCount;
  for (const int n : stamp.HeldPages())
    if (QFileInfo(names.PageFile(n)).isFile()) pages.push_back(n);
  return pages;
}

int PruneLeftovers(const QString &tempPath) {
  const QDir temp(tempPath);
  if (tempPath.isEmpty() || !temp.exists()) return 0;
  int removed = 0;
  for (const QFileInfo &entry : temp.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
    QString base;
    if (entry.isSymLink() || !isPrivateFolder(entry.fileName(), &base)) continue;
    // Left by a run that ended without cleaning up: its owner held the
    // base folder's lock while it lived.
    const auto lock = ConversionLock::TryAcquire(temp.absoluteFilePath(base));
    if (!lock) continue;
    DeleteFolderTree(entry.absoluteFilePath());
    removed += !QFileInfo::exists(entry.absoluteFilePath());
  }
  // Locks of folders that are gone: taken and let go, a lock file goes with
  // its lock (one held by a live run is left alone).
  for (const QFileInfo &entry : temp.entryInfoList({QStringLiteral("*.lock")}, QDir::Files | QDir::Hidden)) {
    const QString folder = entry.absoluteFilePath().chopped(5);
    if (QFileInfo::exists(folder)) continue;
    if (ConversionLock::TryAcquire(folder)) ++removed;
  }
  return removed;
}

int PruneConversions(const QString &tempPath, const QDateTime &now, int maxAgeDays) {
  const QDir temp(tempPath);
  if (tempPath.isEmpty() || !temp.exists()) return 0;
  const QDateTime oldest = now.addDays(-maxAgeDays);
  int removed = PruneLeftovers(tempPath);
  for (const QFileInfo &entry : temp.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
    if (entry.isSymLink() || isPrivateFolder(entry.fileName(), nullptr)) continue;
    const QString folder = entry.absoluteFilePath();
    const auto lock = ConversionLock::TryAcquire(folder);
    if (!lock) continue;
    ConversionStamp stamp;
    bool prune = false;
    if (ReadConversionStamp(folder, stamp)) {
      prune = !QFileInfo(stamp.sourcePath).isFile() ||
              QFileInfo(stampPath(folder)).lastModified() < oldest;
    } else {
      prune = entry.lastModified() < oldest;
    }
    if (!prune) continue;
    DeleteFolderTree(folder);
    removed += !QFileInfo::exists(folder);
  }
  return removed;
}

}  // namespace lw
