#include "model/uconst.h"

#include "fsutil/fsutil.h"

#include <QCoreApplication>
#include <QDir>

namespace lw {

namespace {
TSysSetInfo workspace;
}  // namespace

const TSysSetInfo &SysSetInfo = workspace;

void SetWorkspace(const TSysSetInfo &paths) { workspace = paths; }

TSysSetInfo WorkspacePaths(const QString &appDir) {
  TSysSetInfo s;
  s.AppPathStr = WithTrailingSlash(appDir.isEmpty() ? QCoreApplication::applicationDirPath() : appDir);
  s.AppDataPathStr = GetSpecialFolderPath(kFolderAppData) + '/' + kWorkFolderName + '/';
  s.TempPathStr = s.AppDataPathStr + "TempFiles/";
  s.ResPath = s.AppPathStr + "Resource/";
  s.PreviewPath = s.AppDataPathStr + "Preview/";
  s.ThemePath = s.AppPathStr + "Themes/";
  s.PreviewHtmlPath = s.PreviewPath + "index.html";
  s.SwfToolPath = s.AppPathStr + kConverterName;
  return s;
}

bool PrepareTempFolder(const TSysSetInfo &paths) {
  if (!QDir(paths.AppDataPathStr).exists()) QDir().mkpath(paths.AppDataPathStr);
  if (!QDir(paths.TempPathStr).exists()) QDir().mkdir(paths.TempPathStr);
  return QDir(paths.TempPathStr).exists();
}

void InitWorkspace(const QString &appDir) {
  SetWorkspace(WorkspacePaths(appDir));
  const TSysSetInfo &s = SysSetInfo;
  PrepareTempFolder(s);
  if (QDir(s.PreviewPath).exists()) DeleteFolderTree(s.PreviewPath);
  QDir().mkdir(s.PreviewPath);
  CopyFolderTree(s.ResPath, s.PreviewPath, ".*");
}

}  // namespace lw
