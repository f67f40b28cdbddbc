#include "model/uconst.h"

#include "fsutil/fsutil.h"

#include <QCoreApplication>
#include <QDir>

namespace lw {

TSysSetInfo SysSetInfo;
std::unique_ptr<TBookObj> BookObj;
bool bookSizeEdited = false;
bool autoSizeDone = false;

void InitWorkspace(const QString &appDir) {
  TSysSetInfo &s = SysSetInfo;
  s.AppPathStr = WithTrailingSlash(appDir.isEmpty() ? QCoreApplication::applicationDirPath() : appDir);

  s.AppDataPathStr = GetSpecialFolderPath(kFolderAppData) + '/' + kWorkFolderName + '/';
  if (!QDir(s.AppDataPathStr).exists()) QDir().mkpath(s.AppDataPathStr);

  s.TempPathStr = s.AppDataPathStr + "TempFiles/";
  if (!QDir(s.TempPathStr).exists()) QDir().mkdir(s.TempPathStr);

  s.ResPath = s.AppPathStr + "Resource/";

  s.PreviewPath = s.AppDataPathStr + "Preview/";
  if (QDir(s.PreviewPath).exists()) DeleteFolderTree(s.PreviewPath);
  QDir().mkdir(s.PreviewPath);

  s.ThemePath = s.AppPathStr + "Themes/";
  s.PreviewHtmlPath = s.PreviewPath + "index.html";
  CopyFolderTree(s.ResPath, s.PreviewPath, ".*");
  s.SwfToolPath = s.AppPathStr + kConverterName;
}

}  // namespace lw
