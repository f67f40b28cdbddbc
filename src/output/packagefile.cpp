#include "output/packagefile.h"

#include <QDir>
#include <QSaveFile>

namespace lw {

QString WritePackageFile(const QString &path, const QByteArray &bytes) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return {};
  // An uncommitted file's temporary goes with the object.
  return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
}

}  // namespace lw
