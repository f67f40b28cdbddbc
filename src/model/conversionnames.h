// Where the pages of a converted PDF live. One function decides the
// conversion folder and the page-file names, and both the converter runner
// and the page lists of source files use it, so they always agree.
#pragma once

#include <QString>

namespace lw {

struct ConversionNames {
  QString stem;    // file name before its last "." (may be empty)
  QString folder;  // conversion folder, ends with "/"; never the temp folder itself

  // Page file of page n (from 1): folder + stem + "_" + n + ".swf".
  QString PageFile(int n) const;
  // The converter's output pattern: folder + stem + "_%.swf".
  QString Pattern() const;
};

// The names for the PDF at `pdfPath` under the temporary folder `tempPath`
// (with or without its trailing "/"). The folder is named after the stem and
// a short stable hash of the full path, so two PDFs of the same name in
// different folders never share one; a PDF whose stem is empty still gets a
// folder of its own.
ConversionNames ConversionNamesFor(const QString &tempPath, const QString &pdfPath);

// The page number n of a page file (folder + stem + "_" + n + ".swf"), or
// 0 for a name not of that form.
int PageNumberOfPageFile(const QString &pageFile);

}  // namespace lw
