#include "ui/libraryjoin.h"

#include "ui/tfrmloadprocess.h"
#include "model/sourcefiles.h"

#include <algorithm>

namespace lw {

TFileList JoinLibrary(QWidget *owner, TFileList &library, const QStringList &paths) {
  TFileList files, toConvert;
  for (const QString &path : paths) {
    if (!IsSupportedSourceFile(path)) continue;
    // Known by its real path, as in the dialog: a link to a library file is that file.
    std::shared_ptr<TFileObj> file = FindSourceFile(library, path);
    if (!file) {
      file = std::make_shared<TFileObj>(path);
      file->isChecked = !file->AddsNoPages();
      library.push_back(file);
      if (file->fileType == kFilePdf) toConvert.push_back(file);
    }
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
  }
  if (!toConvert.empty()) {
    TFrmLoadProcess progress(owner);
    progress.loadTag = TFrmLoadProcess::LoadMode::Convert;
    progress.pdfList = toConvert;
    if (progress.exec() == TFrmLoadProcess::kResultCancelled) {
      for (const auto &file : toConvert) {
        if (file->isConverter) continue;
        library.erase(std::remove(library.begin(), library.end(), file), library.end());
        files.erase(std::remove(files.begin(), files.end(), file), files.end());
      }
    }
    // The converter may find a problem the page counter did not: such a
    // file is not ticked, as in the dialog.
    for (const auto &file : toConvert) file->isChecked = !file->AddsNoPages();
  }
  return files;
}

}  // namespace lw
