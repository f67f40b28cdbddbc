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

QProcessEnvironment EnvironmentWithoutDisplay() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(name));
  return env;
}

QByteArray TinySwf(const QByteArray &tail) {
  QByteArray swf("FWS\x0A", 4);
  const quint32 length = static_cast<quint32>(8 + tail.size());
  for (int i = 0; i < 4; ++i) swf += static_cast<char>((length >> (8 * i)) & 0xFF);
  return swf + tail;
}

}  // namespace lwtest
