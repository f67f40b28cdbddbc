#include "model/uconst.h"
#include "support/testdirs.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace lw;
using lwtest::Exists;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

// Points the data home at a temp folder for the life of the object.
class DataHome {
 public:
  explicit DataHome(const QString &path) : old_(qgetenv("XDG_DATA_HOME")) {
    qputenv("XDG_DATA_HOME", path.toUtf8());
  }
  ~DataHome() { qputenv("XDG_DATA_HOME", old_); }

 private:
  QByteArray old_;
};

}  // namespace

TEST(InitWorkspace, PathsFollowProgramFolderAndDataHome) {
  TempDir app, home;
  DataHome guard(home.path());
  InitWorkspace(app.file("Apps/Tool"));
  const QString work = home.slash() + "Folivant/";
  EXPECT_EQ(SysSetInfo.AppPathStr, app.file("Apps/Tool/"));
  EXPECT_EQ(SysSetInfo.ResPath, app.file("Apps/Tool/Resource/"));
  EXPECT_EQ(SysSetInfo.ThemePath, app.file("Apps/Tool/Themes/"));
  EXPECT_EQ(SysSetInfo.SwfToolPath, app.file("Apps/Tool/pdf2swf"));
  EXPECT_EQ(SysSetInfo.AppDataPathStr, work);
  EXPECT_EQ(SysSetInfo.TempPathStr, work + "TempFiles/");
  EXPECT_EQ(SysSetInfo.PreviewPath, work + "Preview/");
  EXPECT_EQ(SysSetInfo.PreviewHtmlPath, work + "Preview/index.html");
}

TEST(InitWorkspace, FirstAndSecondStart) {
  TempDir app, home;
  DataHome guard(home.file("deep/data"));  // parents are created too
  WriteFile(app.file("Resource/index.html"), "<html>{title}</html>");
  WriteFile(app.file("Resource/source/Pages.xml"), "<content/>");

  InitWorkspace(app.path());
  const QString work = home.file("deep/data/Folivant/");
  EXPECT_TRUE(QDir(work + "TempFiles").exists());
  EXPECT_EQ(lwtest::ReadFile(work + "Preview/index.html"), "<html>{title}</html>");
  EXPECT_TRUE(Exists(work + "Preview/source/Pages.xml"));

  // An earlier preview and earlier conversions.
  WriteFile(work + "Preview/pages/1.swf", "old page");
  WriteFile(work + "Preview/source/Pages.xml", "<content><page/></content>");
  WriteFile(work + "TempFiles/report.0123/report_1.swf", "converted");

  InitWorkspace(app.path());
  EXPECT_FALSE(Exists(work + "Preview/pages"));
  EXPECT_EQ(lwtest::ReadFile(work + "Preview/source/Pages.xml"), "<content/>");
  EXPECT_EQ(lwtest::ReadFile(work + "TempFiles/report.0123/report_1.swf"), "converted");
}

TEST(InitWorkspace, MissingResourceLeavesEmptyPreview) {
  TempDir app, home;
  DataHome guard(home.path());
  InitWorkspace(app.path());
  EXPECT_TRUE(QDir(SysSetInfo.PreviewPath).exists());
  EXPECT_TRUE(QDir(SysSetInfo.PreviewPath).isEmpty());
}
