// The window program, started as a user would, prepares its work folder and
// stays up until it is closed.

#include "support/testdirs.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using lwtest::Exists;
using lwtest::TempDir;

namespace {

bool WaitFor(const std::function<bool()> &ready, int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    if (ready()) return true;
    QThread::msleep(50);
  }
  return ready();
}

}  // namespace

TEST(Leafweaver, StartsOffscreenAndPreparesWorkFolder) {
  TempDir home;
  QProcess proc;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_DATA_HOME", home.path());
  proc.setProcessEnvironment(env);
  proc.setProcessChannelMode(QProcess::MergedChannels);
  proc.start(lwtest::ProgramDir() + "/leafweaver", {});
  ASSERT_TRUE(proc.waitForStarted(10000));

  // The preview folder becomes a full copy of the resource folder.
  const QString work = home.slash() + "Folivant/";
  const QString resource = lwtest::ProgramDir() + "/Resource/";
  QStringList files;
  QDirIterator it(resource, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next().mid(resource.size());
  ASSERT_TRUE(files.contains("index.html"));
  ASSERT_TRUE(files.contains("source/Pages.xml"));
  EXPECT_TRUE(WaitFor(
      [&] {
        for (const QString &f : files)
          if (QFileInfo(work + "Preview/" + f).size() != QFileInfo(resource + f).size()) return false;
        return true;
      },
      30000))
      << proc.readAll().toStdString();
  EXPECT_TRUE(QDir(work + "TempFiles").exists());
  EXPECT_EQ(lwtest::ReadFile(work + "Preview/index.html"), lwtest::ReadFile(resource + "index.html"));

  // Still running: only closing the window ends it.
  EXPECT_FALSE(proc.waitForFinished(1500));
  EXPECT_EQ(proc.state(), QProcess::Running);
  proc.terminate();
  if (!proc.waitForFinished(10000)) proc.kill();
}
