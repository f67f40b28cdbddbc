// The workspace settings record with every folder path of the program, and
// the program-wide state that lives for the whole run.
#pragma once

#include "model/tbookobj.h"

#include <QString>
#include <memory>

namespace lw {

// Absolute paths of the workspace. Folder fields end with "/". Written once
// by InitWorkspace, read everywhere afterwards (the conversion worker
// included, which is why nothing writes them later).
struct TSysSetInfo {
  QString AppPathStr;       // folder of the executable
  QString AppDataPathStr;   // <data home>/Folivant/
  QString TempPathStr;      // AppDataPathStr + "TempFiles/"
  QString PreviewPath;      // AppDataPathStr + "Preview/"
  QString PreviewHtmlPath;  // PreviewPath + "index.html"
  QString ResPath;          // AppPathStr + "Resource/"
  QString SwfToolPath;      // AppPathStr + "pdf2swf"
  QString ThemePath;        // AppPathStr + "Themes/"
};

// The workspace of the run, read-only: InitWorkspace fills it once at
// start-up, before any worker runs.
extern const TSysSetInfo &SysSetInfo;

// Replaces the workspace record: InitWorkspace does at start-up, tests set
// their own folders. Not for use while a worker may read it.
void SetWorkspace(const TSysSetInfo &paths);

inline constexpr const char *kAppTitle = "Tarnwell Leafweaver";
inline constexpr const char *kWorkFolderName = "Folivant";
inline constexpr const char *kConverterName = "pdf2swf";
inline constexpr const char *kPlayerMovieName = "ImageTool.dll";

// Computes the workspace paths into SysSetInfo and prepares the work folder:
// creates Folivant (with parents) and TempFiles when missing, keeps
// TempFiles' contents, deletes Preview and copies the resource folder into
// a fresh one. `appDir` is the program folder; empty means the folder of
// the running executable. Failures to create folders are not reported;
// later writes into them fail where they happen.
void InitWorkspace(const QString &appDir = QString());

// The workspace paths for the program folder `appDir` (empty: the folder of
// the running executable) and the current data home, computed without
// touching the disk.
TSysSetInfo WorkspacePaths(const QString &appDir = QString());

// Creates the work folder and its temporary folder when they are missing,
// leaving the preview folder alone (for tools that convert while the window
// program may be running). Returns false when the temporary folder is not
// there afterwards.
bool PrepareTempFolder(const TSysSetInfo &paths);

}  // namespace lw
