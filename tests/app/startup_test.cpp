// The window program, started as a user would, prepares its work folder and
// stays up until it is closed.

#include "support/testdirs.h"

#include <QDeadlineTimer>
#include <QDir>
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

  const QString work = home.slash() + "Folivant/";
  EXPECT_TRUE(WaitFor([&] { return Exists(work + "Preview/index.html"); }, 30000))
      << proc.readAll().toStdString();
  EXPECT_TRUE(QDir(work + "TempFiles").exists());
  EXPECT_EQ(lwtest::ReadFile(work + "Preview/index.html"),
            lwtest::ReadFile(lwtest::ProgramDir() + "/Resource/index.html"));
  EXPECT_TRUE(Exists(work + "Preview/source/Pages.xml"));

  // Still running: only closing the window ends it.
  EXPECT_FALSE(proc.waitForFinished(1500));
  EXPECT_EQ(proc.state(), QProcess::Running);
  proc.terminate();
  if (!proc.waitForFinished(10000)) proc.kill();
}
