// The book being edited: its pages in reading order and its publishing
// settings. The book owns its pages.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace lw {

// A colour as 0x00BBGGRR: red in the lowest byte, top byte zero.
using TColor = std::uint32_t;
inline constexpr TColor kWhite = 0xFFFFFF;
// Colours are 0x00BBGGRR, as the book file and the page list write them.
inline constexpr TColor kNewBookBackground = 0x70645A;  // #5A6470
inline constexpr TColor kNewBookPanel = 0xF1EEEC;       // #ECEEF1
inline constexpr TColor kNewBookButtons = 0x53463C;     // #3C4653

// The file-name extension of the last component of `path` (after the last
// "/", "\" or ":"), from its last "." to the end, case kept; empty when the
// last component has no ".".
QString ExtensionOfPath(const QString &path);

// The last component of `path`: the text after its last "/", "\" or ":".
QString FileNameOfPath(const QString &path);

// What a page file is: a picture, or an SWF page made from a PDF.
enum class TPageKind { Image, Swf };
inline constexpr TPageKind kPageImage = TPageKind::Image;
inline constexpr TPageKind kPageSwf = TPageKind::Swf;

// One page of the book.
class TPageObj {
 public:
  explicit TPageObj(const QString &path);

  QString filePath;  // image file or SWF page file
  TPageKind fileType = kPageImage;
  QString showName;  // name shown in the page list
  QString exeName;   // extension of filePath with its dot, case kept
  // Where the page comes from: the source file's absolute path and, for a
  // PDF, the page number in it (from 1); 0 for an image page. Empty for a
  // page added by path alone.
  QString sourcePath;
  int sourcePage = 0;

  // Same file, kind, name and source.
  bool operator==(const TPageObj &) const = default;
};

// The book's background: the picture `backgroundImage` or the colour
// `backgroundColor`.
enum class TBackgroundKind { Image, Color };

// The book's publishing settings, everything of the book but its pages.
struct TBookSettings {
  QString titleStr;
  QString keywordStr;
  QString desStr;
  TBackgroundKind backgroundType = TBackgroundKind::Color;
  QString backgroundImage;
  // A new book's look: the pages on slate, dark buttons on a light bar.
  // Books and themes stored before keep theirs (white was the old default).
  TColor backgroundColor = kNewBookBackground;
  TColor buttonColor = kNewBookButtons;
  TColor panelColor = kNewBookPanel;
  int width = 595;
  int height = 842;
  // The book reads from right to left: page 1 left of the spine, pages
  // turning to the right (Arabic, Hebrew, manga).
  bool rightToLeft = false;
  // The published book also opens from a disk (a folder opened by
  // double-click) without a web server; it carries its files twice.
  bool portable = false;
  QString themeStr;  // show name of the theme the look came from; empty for none

  bool operator==(const TBookSettings &) const = default;
};

class TBookObj : public TBookSettings {
 public:
  std::vector<std::unique_ptr<TPageObj>> pageList;

  TBookObj() = default;
  TBookObj(TBookObj &&) = default;
  TBookObj &operator=(TBookObj &&) = default;
  // A copy with pages of its own (for a writer that works while the book
  // may change). Never fails.
  TBookObj Copy() const;

  // Same settings and the same pages (file, kind, name and source) in the
  // same order.
  bool SameContent(const TBookObj &other) const;

  int PageCount() const { return static_cast<int>(pageList.size()); }
  TPageObj *Page(int index) const;  // nullptr outside 0..count-1
  int IndexOfPage(const TPageObj *page) const;  // -1 when not in the book

  // Appends a page for the existing file `addPath`. Returns the new page, or
  // nullptr (book unchanged) for an empty path or one that names no file.
  TPageObj *AddPageByPath(const QString &addPath);

  // Inserts a page for `addPath` at `insertIndex` (0..count; count appends).
  // Returns nullptr and leaves the book unchanged for an empty path, a path
  // that names no file (links followed, folders do not count) or an index
  // outside 0..count.
  TPageObj *InsertPageByPath(const QString &addPath, int insertIndex);

  // Removes and releases the page at `delIndex`; other indexes are ignored.
  void DelPageByIndex(int delIndex);

  // Removes and releases every page; the settings stay.
  void ClearPage();

  // Swap the page at `selIndex` with its front (Up) or back (Down)
  // neighbour. Nothing happens with fewer than 2 pages, at the ends, or for
  // an index outside the book.
  void UpPageByIndex(int selIndex);
  void DownPageByIndex(int selIndex);

  // Moves the pages at `rows` (any order, repeats count once), keeping their
  // order, so that they stand together where the page at `beforeRow` stood
  // (count: at the end). `beforeRow` counts in the book as it is before the
  // move, so dropping pages onto themselves or just after themselves changes
  // nothing. Returns the new indexes of the moved pages, ascending. Returns
  // an empty list and leaves the book unchanged when `rows` is empty, a row
  // is outside 0..count-1 or `beforeRow` is outside 0..count.
  std::vector<int> MovePages(std::vector<int> rows, int beforeRow);
};

}  // namespace lw
