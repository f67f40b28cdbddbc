// The "Library" dialog: the source files of the library list with their
// page counts and page ranges. Files are added here (new PDFs are converted
// at once), deleted, given a page range and ticked for the book.
#pragma once

#include "model/tfileobj.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lw {

class TLoadFrm : public QDialog {
  Q_OBJECT
 public:
  // Shows and edits `library`, which outlives the dialog.
  explicit TLoadFrm(TFileList &library, QWidget *parent = nullptr);
  ~TLoadFrm() override;

  // Modal results.
  static constexpr int kResultOk = 1;
  static constexpr int kResultCancel = 2;

  // Columns of the library list.
  enum Column { kColId = 0, kColName = 1, kColCount = 2, kColRange = 3 };

  // Pick: check boxes, OK and Cancel; View: no check boxes, Cancel hidden,
  // OK captioned "Close". Set before showing.
  enum class ShowMode { View, Pick };
  ShowMode ShowTag = ShowMode::Pick;

  // Filter of the add dialog, in Qt's filter syntax: "All support files",
  // "PDF files", "Image files", the first one preselected.
  static const char *const kOpenFilter;

  // Replaces the add dialog (tests answer it without a window). The chooser
  // returns the chosen paths in order, or an empty list for a cancel. An
  // empty function restores the dialog.
  using FileChooser = std::function<QStringList(QWidget *owner, const QString &filter)>;
  static void SetFileChooser(FileChooser chooser);

  // Lets the user choose files (the dialog opens in the folder files were
  // last added from, LastFolder(FolderUse::AddFiles)) and adds them as
  // AddFiles does; the chosen folder is remembered.
  void AddBtnClick();
  // Adds `paths` as if chosen in the add dialog (AddBtnClick after its
  // dialog): the new ones join the library ticked, new PDFs are converted
  // (after a cancel the ones left unconverted are removed again), and a
  // PDF that gives no pages stays listed, unticked, saying why. A path of a
  // file the library has already ticks and selects that file's row. The
  // focus then goes to OK so that Enter closes the dialog.
  void AddFiles(const QStringList &paths);
  // True for a file the library takes: PDF, PNG, JPEG or BMP by its
  // extension (any letter case).
  static bool IsSupportedFile(const QString &path);
  // Removes the selected file from the library and selects its neighbour
  // (the next row, or the one before for the last row). The Delete key in
  // the list does the same.
  void DelBtnClick();
  // Sets every file's check state to the "Checked All" box's state. The
  // box follows the rows' ticks (ticked when every row is, unticked when
  // none is, partially checked otherwise); a click on it ticks every row,
  // or unticks every row when all were ticked.
  void CheckAllBtnClick();
  void OkBtnClick();
  // After OK: the ticked files, in library order, that the user asked for in
  // this dialog: ticked here (added, chosen again or ticked by hand), or
  // given another page range; a file left ticked from before is not among
  // them, so adding one file does not bring back pages deleted from
  // another. When the user asked for none in particular, every ticked file:
  // OK then adds the pages the book lacks, deleted ones included.
  TFileList FilesToAdd() const;
  // Closes the dialog and puts every file's tick back as it was when the
  // dialog was shown (files added meanwhile stay in the library, unticked).
  void CancelBtnClick();

  // True when no library file is the file at `path` (FindSourceFile: the
  // same file through a symbolic link is not new; paths compare with case).
  bool IsNewFile(const QString &path) const;
  // Adds a file for `path` to the library and a checked row for it; a PDF
  // also joins the batch to convert.
  void AddLibraryFile(const QString &path);
  // Removes every unconverted file of the current batch from the list and
  // the library.
  void RemoveUnconvertedFiles();

  // The text of a cell: ID (position in the library, from 1), file name,
  // page count and page range ("-" for the last two of an image). A PDF
  // that gives no pages (TFileObj::AddsNoPages) shows why in place of its
  // count ("damaged") and kNoPagesText in place of its range.
  QString LibraryTreeGetText(const TFileObj &file, int column) const;
  // The Page Range cell of a PDF that gives no pages.
  static const char *const kNoPagesText;
  // A file's problem as a cell shows it: "is damaged" becomes "damaged".
  static QString CellProblemText(const QString &problem);
  // Takes an edited Page Range text: stored when it is valid for the file's
  // page count, ignored (old text kept) when empty or invalid; then the
  // stored text is trimmed. Other columns are not editable. A rejected text
  // gives its reason (PageRangeProblem) in the line under the list
  // (LibraryMessageLbl) and the cell's tooltip; the next edit of a range
  // that is not rejected clears both.
  void LibraryTreeNewText(QTreeWidgetItem *row, int column, const QString &text);
  // May this cell be edited? Only the Page Range cell of a PDF row.
  bool LibraryTreeEditing(QTreeWidgetItem *row, int column) const;
  // The file of a row, or null.
  TFileObj *FileOfRow(QTreeWidgetItem *row) const;
  // The row of a file, or null when it has none.
  QTreeWidgetItem *RowOfFile(const TFileObj *file) const;

  // Selects `row` alone, makes it current, scrolls it into view and
  // focuses the list.
  void SelectOnlyNode(QTreeWidgetItem *row);

  // The library rows (for tests and the opener).
  QTreeWidget *tree() const { return LibraryTree; }

  void reject() override;  // a closed window counts as Cancel

 private:
  // Every cell's text; a tooltip with the file's full path, and for a PDF
  // that gives no pages the reason and that it adds none.
  void SetRowTexts(QTreeWidgetItem *row, const TFileObj &file);
 public:

 protected:
  void showEvent(QShowEvent *event) override;
  // Files dragged from a file manager: accepted when at least one is
  // supported; the supported ones are added as if chosen.
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;

 private:
  void FormShow();
  void ApplyShowTag();
  void FillLibraryTree();
  // Appends the row of `file` and initialises its check box.
  QTreeWidgetItem *AppendRow(const std::shared_ptr<TFileObj> &file);
  void LibraryTreeInitNode(QTreeWidgetItem *row);
  void LibraryTreeChecked(QTreeWidgetItem *row, int column);
  void LibraryTreeClick(QTreeWidgetItem *row, int column);
  void LibraryTreeDoubleClick(QTreeWidgetItem *row, int column);
  // Rewrites every row's texts (IDs renumber after a removal).
  void RefreshRowTexts();
  // Sets "Checked All" from the files of the rows; leaves it as it is when
  // there are no rows.
  void UpdateCheckAll();
  void DeleteRow(QTreeWidgetItem *row);

  TFileList &library_;
  TFileList currPdfList;  // the PDFs of the current Add
  // Each library file, its tick and its page range when the dialog was
  // shown, for Cancel and FilesToAdd.
  struct ShownState {
    std::shared_ptr<TFileObj> file;
    bool ticked;
    QString range;
  };
  std::vector<ShownState> shownStates_;
  TFileList chosenAgain_;  // library files chosen again in this dialog
  bool filling_ = false;  // rows are being written by the program
  bool shownOnce_ = false;

  QGroupBox *sGroupBox1 = nullptr;
  QTreeWidget *LibraryTree = nullptr;
  QPushButton *AddBtn = nullptr;
  QPushButton *DelBtn = nullptr;
  QCheckBox *CheckAllBtn = nullptr;
  QLabel *LibraryMessageLbl = nullptr;  // why a typed range was not taken
  QPushButton *CancelBtn = nullptr;
  QPushButton *OkBtn = nullptr;
};

}  // namespace lw
