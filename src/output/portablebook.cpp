#include "output/portablebook.h"

#include "fsutil/fsutil.h"
#include "output/bookpackage.h"
#include "output/packagefile.h"
#include "output/poster.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

namespace lw {

namespace {

constexpr const char *kRuntimeFolder = "ruffle/";

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason) {
  throw PackageError(
      QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason).toStdString());
}

// The unpacked size a gzip file gives in its last four bytes (modulo 4 GiB,
// plenty for a runtime), or 0 when it cannot be read.
qint64 gzipUnpackedSize(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || f.size() < 18 || !f.seek(f.size() - 4)) return 0;
  const QByteArray tail = f.read(4);
  if (tail.size() != 4) return 0;
  const auto byte = [&](int i) { return static_cast<qint64>(static_cast<unsigned char>(tail[i])); };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

// `text` as a JavaScript string literal (JSON's quoting).
QByteArray literal(const QString &text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);
}

}  // namespace

qint64 TrimOwnRuntime(const QString &root) {
  qint64 removed = 0;
  const QDir runtime(root + kRuntimeFolder);
  for (const QFileInfo &plain : runtime.entryInfoList({"*.wasm"}, QDir::Files)) {
    if (!QFileInfo(plain.filePath() + ".gz").isFile()) continue;
    if (!QFile::remove(plain.filePath())) fail("Cannot remove", plain.filePath(), "the file stays");
    removed += plain.size();
  }
  return removed;
}

qint64 OwnRuntimeBytes(const QString &root) {
  qint64 largest = 0;
  const QDir runtime(root + kRuntimeFolder);
  for (const QFileInfo &f : runtime.entryInfoList({"*.wasm", "*.wasm.gz"}, QDir::Files))
    largest = std::max(largest, f.suffix() == "gz" ? gzipUnpackedSize(f.filePath()) : f.size());
  return largest;
}

bool IsFetchedFile(const QString &path) {
  const QString name = path.section('/', -1);
  if (path.startsWith(kPortableFolder) || name.startsWith('.') || name.startsWith("LICENSE") ||
      name.startsWith("README") || path == "index.html")
    return false;
  if (name.endsWith(".wasm.gz")) return true;
  return !name.endsWith(".js") && !name.endsWith(".br") && !name.endsWith(".js.gz") &&
         !name.endsWith(".map");
}

qint64 MakePortable(const QString &root) {
  const QString folder = root + kPortableFolder;
  if (QDir(folder).exists()) DeleteFolderTree(folder);
  qint64 added = 0;
  QDirIterator files(root, QDir::Files, QDirIterator::Subdirectories);
  QStringList paths;
  while (files.hasNext()) paths << QDir(root).relativeFilePath(files.next());
  paths.sort();
  for (const QString &path : paths) {
    if (!IsFetchedFile(path)) continue;
    QFile f(root + path);
    if (!f.open(QIODevice::ReadOnly)) fail("Cannot read", root + path, f.errorString());
    const QByteArray bytes = f.readAll();
    f.close();
    const bool packed = path.endsWith(".wasm.gz");
    const QString asked = packed ? path.chopped(3) : path;
    const QByteArray script = "leafweaver.portable.put(" + literal(asked) + ", \"" + bytes.toBase64() + '"' +
                              (packed ? ", \"gzip\"" : "") + ");\n";
    const QString target = folder + asked + ".js";
    if (!QDir().mkpath(QFileInfo(target).path())) fail("Cannot make", QFileInfo(target).path(), "no folder");
    if (const QString error = WritePackageFile(target, script); !error.isEmpty())
      throw PackageError(error.toStdString());
    added += script.size();
  }
  SetBookSetting(root, "portable", true);
  return added;
}

}  // namespace lw
