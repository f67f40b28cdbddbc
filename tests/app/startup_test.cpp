// The window program, started as a user would, prepares its work folder and
// stays up until it is closed; `leafweaver FILE.leafbook` opens that book,
// and a book that cannot be opened gets a message and opens nothing.

#include "app/startup.h"
#include "model/tbookobj.h"
#include "model/uconst.h"
#include "model/tfileobj.h"
#include "support/testdirs.h"
#include "ui/tmainfrm.h"
#include "uitest.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
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

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void TearDown() override { frm.reset(); }
  // Saves a book of one image page with `title` and returns its path.
  QString SaveBook(const QString &title) {
    Fresh();
    lw::TFileObj file(uitest::WritePng(ws.scratch() + "page.png", 40, 30));
    frm->AddFilePages(file);
    frm->findChild<QLineEdit *>("BookTitleEdt")->setText(title);
    const QString path = ws.scratch() + "Field Notes.leafbook";
    EXPECT_TRUE(frm->SaveBookTo(path));
    frm.reset();
    return path;
  }

  // A new window, the one before closed first.
  lw::TMainFrm &Fresh() {
    frm.reset();
    frm = uitest::ShowMainFrm(ws);
    return *frm;
  }

  uitest::Workspace ws{false};
  std::unique_ptr<lw::TMainFrm> frm;
};

}  // namespace

TEST_F(StartupTest, BookArgumentOpensTheBookAndABadOneOpensNothing) {
  const QString book = SaveBook("Field Notes");
  uitest::ErrorRecorder errors;

  // The first argument naming a book file (any letter case) is opened.
  Fresh();
  EXPECT_TRUE(lw::OpenBookArgument(*frm, {"--some-option", book}));
  EXPECT_EQ(frm->bookPath(), book);
  EXPECT_EQ(frm->session().book().PageCount(), 1);
  EXPECT_EQ(frm->session().book().titleStr, "Field Notes");
  EXPECT_TRUE(frm->windowTitle().startsWith("Field Notes"));
  EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
  const QString upper = ws.scratch() + "COPY.LEAFBOOK";
  ASSERT_TRUE(QFile::copy(book, upper));
  Fresh();
  EXPECT_TRUE(lw::OpenBookArgument(*frm, {upper}));
  EXPECT_EQ(frm->bookPath(), upper);

  // Without a book argument nothing is opened and nothing said.
  Fresh();
  EXPECT_FALSE(lw::OpenBookArgument(*frm, {}));
  EXPECT_FALSE(lw::OpenBookArgument(*frm, {ws.scratch() + "page.png"}));
  EXPECT_TRUE(errors.messages.isEmpty());

  // A missing and a damaged book: one clear message each, the window keeps
  // its empty book.
  lwtest::WriteFile(ws.scratch() + "damaged.leafbook", R"({"format": "leafweaver-book", "vers)");
  const struct {
    QString path;
    QString says;
  } bad[] = {{ws.scratch() + "absent.leafbook", "Cannot open the book file"},
             {ws.scratch() + "damaged.leafbook", "is damaged"}};
  for (const auto &[path, says] : bad) {
    errors.messages.clear();
    Fresh();
    EXPECT_FALSE(lw::OpenBookArgument(*frm, {path}));
    ASSERT_EQ(errors.messages.size(), 1) << path.toStdString();
    EXPECT_TRUE(errors.messages[0].contains(says)) << errors.messages[0].toStdString();
    EXPECT_TRUE(errors.messages[0].contains(path)) << errors.messages[0].toStdString();
    EXPECT_TRUE(frm->bookPath().isEmpty());
    EXPECT_EQ(frm->session().book().PageCount(), 0);
    EXPECT_FALSE(frm->isWindowModified());
  }
}

// The program itself, started with a book file: the book is opened, which
// it records among the recent books in the user's settings.
TEST_F(StartupTest, ProgramStartedWithABookOpensIt) {
  const QString book = SaveBook("Started");
  TempDir config;
  QProcess proc;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_DATA_HOME", ws.dataHome());
  env.insert("XDG_CONFIG_HOME", config.path());
  proc.setProcessEnvironment(env);
  proc.setProcessChannelMode(QProcess::MergedChannels);
  proc.start(lwtest::ProgramDir() + "/leafweaver", {book});
  ASSERT_TRUE(proc.waitForStarted(10000));
  auto recent = [&] {
    QDirIterator it(config.path(), {"*.conf"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
      if (QSettings(it.next(), QSettings::NativeFormat).value("recentBooks").toStringList().contains(book))
        return true;
    return false;
  };
  EXPECT_TRUE(WaitFor(recent, 60000)) << proc.readAll().toStdString();
  EXPECT_EQ(proc.state(), QProcess::Running);
  proc.terminate();
  if (!proc.waitForFinished(10000)) proc.kill();
}
