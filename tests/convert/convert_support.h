// Shared set-up of the conversion tests: a workspace in a temporary folder
// (with blanks in its paths), fake converter scripts, and a recorder of the
// job's messages.
#pragma once

#include "convert/tconvertpafthread.h"
#include "model/uconst.h"
#include "pdf2swf/testpdf.h"
#include "support/testdirs.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace lwtest {

class ConvertFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = lw::SysSetInfo;
    lw::TSysSetInfo mine = saved_;
    mine.TempPathStr = dir.slash() + "Work Folder/TempFiles/";
    mine.SwfToolPath = dir.file("bin/pdf2swf");
    lw::SetWorkspace(mine);
    QDir().mkpath(lw::SysSetInfo.TempPathStr);
    QDir().mkpath(dir.file("bin"));
  }
  void TearDown() override { lw::SetWorkspace(saved_); }

  void SetConverter(const QString &path) {
    lw::TSysSetInfo mine = lw::SysSetInfo;
    mine.SwfToolPath = path;
    lw::SetWorkspace(mine);
  }

  // An executable shell script dir/bin/<name>.
  QString WriteScript(const QString &name, const QByteArray &body) {
    const QString path = dir.file("bin/" + name);
    WriteFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
  }

  void UseRealConverter() { SetConverter(ProgramDir() + "/pdf2swf"); }

  // A fake converter named pdf2swf in a folder with a blank in its name; it
  // gets the six arguments, so $5 is the output pattern.
  void UseFakeConverter(const QByteArray &body) {
    const QString path = dir.file("fake bin/pdf2swf");
    WriteFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    SetConverter(path);
  }

  // A PDF of `pages` pages in the source folder, as a library file.
  std::shared_ptr<lw::TFileObj> Pdf(const QString &name, int pages) {
    const QString path = dir.file("Source Files/" + name);
    EXPECT_TRUE(MakeTestPdf(path, pages));
    return std::make_shared<lw::TFileObj>(path);
  }

  static QStringList Files(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
  }

  TempDir dir;

 private:
  lw::TSysSetInfo saved_;
};

// Records the job's signals as the progress window receives them.
class JobRecorder : public QObject {
  Q_OBJECT
 public:
  void Watch(lw::TConvertPafThread &job) {
    connect(&job, &lw::TConvertPafThread::fileStarted, this, [this](int i) {
      EXPECT_EQ(QThread::currentThread(), thread());
      Add(QStringLiteral("started %1").arg(i));
    });
    connect(&job, &lw::TConvertPafThread::pagesConverted, this,
            [this](int i, int done, int) { pages.emplace_back(i, done); });
    connect(&job, &lw::TConvertPafThread::fileDone, this, [this](int i, const lw::ConvertFileResult &r) {
      Add(r.converted ? QStringLiteral("done %1 converted %2").arg(i).arg(r.pageCount)
                      : QStringLiteral("done %1 not converted").arg(i));
    });
    connect(&job, &lw::TConvertPafThread::allDone, this, [this] { Add("ended"); });
  }
  QStringList events;
  std::vector<std::pair<int, int>> pages;  // (index, done)
  int *delivered = nullptr;  // counts every signal received, when set

 private:
  void Add(const QString &event) {
    events << event;
    if (delivered) ++*delivered;
  }
};

}  // namespace lwtest
