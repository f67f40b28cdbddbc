// Temporary folders and small file helpers for tests.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace lwtest {

// A fresh temporary folder, removed with the object. path() has no
// trailing "/"; slash() has one.
class TempDir {
 public:
  TempDir();
  QString path() const { return dir_.path(); }
  QString slash() const { return dir_.path() + '/'; }
  QString file(const QString &relative) const { return dir_.filePath(relative); }

 private:
  QTemporaryDir dir_;
};

// Writes `bytes` to `path`, creating the parent folders. Returns success.
bool WriteFile(const QString &path, const QByteArray &bytes);
// The bytes of `path`, or an empty array when it cannot be read.
QByteArray ReadFile(const QString &path);
bool Exists(const QString &path);
// A whole uncompressed SWF movie: the header with its true length, then
// `tail` (not a valid tag list: enough for code that copies page files).
QByteArray TinySwf(const QByteArray &tail = {});

// The program folder of this build (executables, Resource/, Themes/).
QString ProgramDir();

// This process's environment without a display or a Qt platform, for the
// program folder's tools run as children (the converter needs none).
QProcessEnvironment EnvironmentWithoutDisplay();

}  // namespace lwtest
