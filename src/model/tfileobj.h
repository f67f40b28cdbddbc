// A source file of the library list: a PDF whose pages the converter turns
// into SWF page files, or an image that becomes one page by itself.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

namespace lw {

// What a source file is: a picture (one page) or a PDF.
enum class TFileKind { Image, Pdf };
inline constexpr TFileKind kFileImage = TFileKind::Image;
inline constexpr TFileKind kFilePdf = TFileKind::Pdf;

// The most pages a PDF can have: the format allows at most 8,388,607
// indirect objects and every page is one. A larger count read from a file
// is a damaged or hostile file, and "All" would list billions of names.
inline constexpr int kMaxPdfPageCount = 8388607;

class TFileObj {
 public:
  // Takes the file at `path` (made SourceFileIdentity(path), so a file
  // reached through a symbolic link is known by its real path) and fills
  // every field from it. For a PDF the page count is read here,
  // synchronously; a count that cannot be found, or one above
  // kMaxPdfPageCount, gives -1 (and no usable pages).
  explicit TFileObj(const QString &path);

  TFileObj(const TFileObj &) = delete;
  TFileObj &operator=(const TFileObj &) = delete;

  QString filePath;       // absolute path, symbolic links resolved (SourceFileIdentity)
  TFileKind fileType = kFileImage;  // kFilePdf when the extension is ".pdf" (any case)
  QString showName;       // last path component, extension included
  int count = 1;          // image: 1; PDF: page count, -1 when not found
  QString rangeStr;       // page-range text, "All" at first
  // Why a PDF gives no pages, in plain words ("is damaged", "is
  // password-protected", "has no pages"); empty while it has pages. Set
  // when the file is read and when its conversion fails.
  QString problemStr;
  // The file cannot be read or is not a PDF at all: unlike a damaged one,
  // no converter will read it either.
  bool isUnusable = false;
  // Set by the conversion worker when the converter has finished this PDF,
  // read by the user-interface thread.
  std::atomic<bool> isConverter{false};
  bool isChecked = false;  // ticked in the Library dialog

  // True for a PDF that gives the book no pages: its page count was not
  // found, or reading or converting it found a problem (problemStr). False
  // for an image.
  bool AddsNoPages() const;

  // Paths of the page files that `rangeStr` chooses, in ascending page
  // order, in the conversion folder of this file under the workspace's
  // temporary folder. Whether the files exist is not checked. Returns an
  // empty list when the range names no page (always so when `count` is
  // below 1) and for an image, which has no page files.
  QStringList GetRangeList() const;
  // The same under the temporary folder `tempPath` instead.
  QStringList GetRangeList(const QString &tempPath) const;

 private:
  void InitFromPath();
};

// A library list, in the order files were added (the book session owns the
// book's). A source file is shared; it lives while the list, a dialog batch
// or a conversion job refers to it.
using TFileList = std::vector<std::shared_ptr<TFileObj>>;

// The path by which the library knows a source file: for a file that exists,
// its absolute path with every symbolic link and "." or ".." resolved, so
// two paths reaching the same file give the same text (and the file one
// entry and one conversion); for a file that does not exist, the cleaned
// absolute path. Returns an empty string for an empty path.
QString SourceFileIdentity(const QString &path);

// The file of `list` that is the file at `path` (same SourceFileIdentity),
// or null when the list has none.
std::shared_ptr<TFileObj> FindSourceFile(const TFileList &list, const QString &path);

}  // namespace lw
