#include "ui/libraryjoin.h"

#include "convert/tfrmloadprocess.h"
#include "model/sourcefiles.h"

#include <algorithm>

namespace lw {

TFileList JoinLibrary(QWidget *owner, const QStringList &paths) {
  TFileList files, toConvert;
  for (const QString &path : paths) {
    if (!IsSupportedSourceFile(path)) continue;
    const auto known = std::find_if(LibraryList.begin(), LibraryList.end(),
                                    [&](const auto &f) { return f->filePath == path; });
    std::shared_ptr<TFileObj> file;
    if (known != LibraryList.end()) {
      file = *known;
    } else {
      file = std::make_shared<TFileObj>(path);
      file->isChecked = true;
      LibraryList.push_back(file);
      if (file->fileType == kFilePdf) toConvert.push_back(file);
    }
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
  }
  if (!toConvert.empty()) {
    TFrmLoadProcess progress(owner);
    progress.loadTag = 1;
    progress.pdfList = toConvert;
    if (progress.exec() == TFrmLoadProcess::kResultCancelled) {
      for (const auto &file : toConvert) {
        if (file->isConverter) continue;
        LibraryList.erase(std::remove(LibraryList.begin(), LibraryList.end(), file), LibraryList.end());
        files.erase(std::remove(files.begin(), files.end(), file), files.end());
      }
    }
  }
  return files;
}

}  // namespace lw
