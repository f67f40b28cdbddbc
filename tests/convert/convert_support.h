// Shared set-up of the conversion tests: a workspace in a temporary folder
// (with blanks in its paths), fake converter scripts, and a recorder of the
// job's messages.
#pragma once

#include "model/uconst.h"
#include "support/testdirs.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace lwtest {

class ConvertFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = lw::SysSetInfo;
    lw::SysSetInfo.TempPathStr = dir.slash() + "Work Folder/TempFiles/";
    QDir().mkpath(lw::SysSetInfo.TempPathStr);
    QDir().mkpath(dir.file("bin"));
    lw::SysSetInfo.SwfToolPath = dir.file("bin/pdf2swf");
  }
  void TearDown() override { lw::SysSetInfo = saved_; }

  // An executable shell script dir/bin/<name>.
  QString WriteScript(const QString &name, const QByteArray &body) {
    const QString path = dir.file("bin/" + name);
    WriteFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
  }

  void UseRealConverter() { lw::SysSetInfo.SwfToolPath = ProgramDir() + "/pdf2swf"; }

  // A fake converter named pdf2swf in a folder with a blank in its name; it
  // gets the six arguments, so $5 is the output pattern.
  void UseFakeConverter(const QByteArray &body) {
    const QString path = dir.file("fake bin/pdf2swf");
    WriteFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    lw::SysSetInfo.SwfToolPath = path;
  }

  static QStringList Files(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
  }

  TempDir dir;

 private:
  lw::TSysSetInfo saved_;
};

// Receives the job's messages like the progress window does.
class MessageRecorder : public QObject {
  Q_OBJECT
 public:
  std::vector<std::pair<int, int>> codes;
  std::vector<std::pair<int, int>> pages;  // (index, done)
 public slots:
  void OnConvertProgress(int index, int code) {
    codes.emplace_back(index, code);
    EXPECT_EQ(QThread::currentThread(), thread());
  }
  void OnPagesConverted(int index, int done, int) { pages.emplace_back(index, done); }
};

}  // namespace lwtest
