// Turning source files into pages of the book.
#pragma once

#include "model/tbookobj.h"
#include "model/tfileobj.h"

#include <QString>
#include <vector>

namespace lw {

// Appends the pages of `file` to `book`: an image becomes one image page
// named after its file; a PDF gives one SWF page for each page file of its
// page range (found under `tempPath`) that exists, shown as the page file's
// name with ".pdf" for ".swf". Returns the new pages in book order (owned by
// the book); a file that has gone and page files that are missing add
// nothing, so the result may be empty. With `insertIndex` in 0..count the
// pages go in there, one after another, instead of at the end; any other
// index appends.
std::vector<TPageObj *> ImportFilePages(TBookObj &book, const TFileObj &file,
                                        const QString &tempPath, int insertIndex = -1);

// The same, but only the pages the book does not hold yet: an image page
// whose file is already a page of `book`, or a PDF page whose page file is,
// is left out, so adding a file again adds none of its pages twice (a wider
// range adds the pages that are new). Returns the new pages in book order,
// possibly none. `insertIndex` as for ImportFilePages.
std::vector<TPageObj *> ImportNewFilePages(TBookObj &book, const TFileObj &file,
                                           const QString &tempPath, int insertIndex = -1);

// The pages (from 1, ascending) of the page range of the PDF `file` whose
// page files are not in its conversion folder under `tempPath`: what must
// be converted before all of the range's pages can be added. Returns an
// empty vector for an image, a PDF that gives no pages or whose file is
// gone, and when every page file is there.
std::vector<int> RangePagesToConvert(const TFileObj &file, const QString &tempPath);

// The page-list name of an SWF page file: its file name with the last
// extension replaced by ".pdf" (report_3.swf shows as report_3.pdf).
QString SwfPageShowName(const QString &swfPath);

}  // namespace lw
