#include "model/pageimport.h"

namespace lw {

QString SwfPageShowName(const QString &swfPath) {
  const QString name = FileNameOfPath(swfPath);
  const qsizetype dot = name.lastIndexOf('.');
  return (dot < 0 ? name : name.left(dot)) + ".pdf";
}

std::vector<TPageObj *> ImportFilePages(TBookObj &book, const TFileObj &file,
                                        const QString &tempPath) {
  std::vector<TPageObj *> added;
  if (file.fileType == kFileImage) {
    if (TPageObj *page = book.AddPageByPath(file.filePath)) {
      page->fileType = kPageImage;
      page->showName = FileNameOfPath(file.filePath);
      added.push_back(page);
    }
  } else if (file.fileType == kFilePdf) {
    for (const QString &path : file.GetRangeList(tempPath)) {
      TPageObj *page = book.AddPageByPath(path);
      if (!page) continue;
      page->fileType = kPageSwf;
      page->showName = SwfPageShowName(path);
      added.push_back(page);
    }
  }
  return added;
}

}  // namespace lw
