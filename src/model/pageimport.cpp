#include "model/pageimport.h"

#include "model/pagerange.h"

#include "model/conversionnames.h"

#include <QFileInfo>
#include <QSet>

namespace lw {

QString SwfPageShowName(const QString &swfPath) {
  const QString name = FileNameOfPath(swfPath);
  const qsizetype dot = name.lastIndexOf('.');
  return (dot < 0 ? name : name.left(dot)) + ".pdf";
}

namespace {

std::vector<TPageObj *> ImportPages(TBookObj &book, const TFileObj &file, const QString &tempPath,
                                    bool onlyNew, int insertIndex) {
  QSet<QString> held;
  if (onlyNew)
    for (const auto &page : book.pageList) held.insert(page->filePath);
  std::vector<TPageObj *> added;
  int at = insertIndex >= 0 && insertIndex <= book.PageCount() ? insertIndex : book.PageCount();
  auto add = [&](const QString &path) {
    TPageObj *page = book.InsertPageByPath(path, at);
    if (page) ++at;
    return page;
  };
  if (file.fileType == kFileImage) {
    if (held.contains(file.filePath)) return added;
    if (TPageObj *page = add(file.filePath)) {
      page->fileType = kPageImage;
      page->showName = FileNameOfPath(file.filePath);
      page->sourcePath = file.filePath;
      added.push_back(page);
    }
  } else if (file.fileType == kFilePdf) {
    const QStringList paths = file.GetRangeList(tempPath);
    const std::vector<int> numbers = ParsePageNumbers(file.rangeStr, file.count);
    for (qsizetype i = 0; i < paths.size(); ++i) {
      if (held.contains(paths[i])) continue;
      TPageObj *page = add(paths[i]);
      if (!page) continue;
      page->fileType = kPageSwf;
      page->showName = SwfPageShowName(paths[i]);
      page->sourcePath = file.filePath;
      page->sourcePage = numbers[static_cast<size_t>(i)];
      added.push_back(page);
    }
  }
  return added;
}

}  // namespace

std::vector<TPageObj *> ImportFilePages(TBookObj &book, const TFileObj &file,
                                        const QString &tempPath, int insertIndex) {
  return ImportPages(book, file, tempPath, false, insertIndex);
}

std::vector<TPageObj *> ImportNewFilePages(TBookObj &book, const TFileObj &file,
                                           const QString &tempPath, int insertIndex) {
  return ImportPages(book, file, tempPath, true, insertIndex);
}

std::vector<int> RangePagesToConvert(const TFileObj &file, const QString &tempPath) {
  std::vector<int> missing;
  if (file.fileType != kFilePdf || file.AddsNoPages() || !QFileInfo(file.filePath).isFile()) return missing;
  const ConversionNames names = ConversionNamesFor(tempPath, file.filePath);
  for (const int n : ParsePageNumbers(file.rangeStr, file.count))
    if (!QFileInfo(names.PageFile(n)).isFile()) missing.push_back(n);
  return missing;
}

}  // namespace lw
