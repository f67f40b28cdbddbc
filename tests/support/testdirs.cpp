#include "support/testdirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lwtest {

TempDir::TempDir() : dir_(QDir::tempPath() + "/lwtest-XXXXXX") {}

bool WriteFile(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

bool Exists(const QString &path) { return QFileInfo::exists(path); }

QString ProgramDir() { return QStringLiteral(LW_PROGRAM_DIR); }

}  // namespace lwtest
