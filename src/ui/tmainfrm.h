// The main window: book settings, pages, themes, preview and publishing.
#pragma once

#include "model/tbookobj.h"
#include "model/tfileobj.h"
#include "session/booksession.h"
#include "themes/tthememanager.h"

#include <QDateTime>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QGroupBox;
class QCloseEvent;
class QLabel;
class QMenu;
class QUndoStack;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSplitter;
class QStatusBar;
class QScrollArea;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace lw {

class BookServer;
class BookSession;
class PackageJob;
class PageGridWidget;
class PageListWidget;
class PageWeb;
class PreviewWeb;
class TColorButton;
class ThumbnailCache;

// The theme catalogue of the run, created when the main window is first
// shown; empty before that.
extern std::unique_ptr<TThemeManager> ThemeManager;

class TMainFrm : public QWidget {
  Q_OBJECT
 public:
  // `appDir` is the program folder (Resource/, Themes/, pdf2swf); empty
  // means the folder of the running executable.
  explicit TMainFrm(QWidget *parent = nullptr, const QString &appDir = QString());
  ~TMainFrm() override;

  // Size of the window below its menu bar ("ClientArea") when it opens for
  // the first time (smaller where the screen is); the window resizes, and
  // its size is remembered when it closes.
  static constexpr int kClientWidth = 1036;
  static constexpr int kClientHeight = 593;

  // --- The book file -------------------------------------------------------
  // Opens the book file at `path` in place of the current book (without
  // asking about unsaved changes: the menu's Open does that first). A file
  // that cannot be read, is damaged or of a newer format gets a message and
  // changes nothing; returns false then. Pages whose source file is gone
  // stay in the book, marked missing, with a message naming the files; PDF
  // pages not converted yet are converted in the progress window.
  bool OpenBook(const QString &path);
  // Writes the book file at `path` and makes it the book's file; a write
  // failure gets a message and returns false.
  bool SaveBookTo(const QString &path);
  // "Save": to the book's file, or as "Save As" for a new book.
  bool SaveBook();
  // "Save As": asks for a file name (the chooser), then SaveBookTo.
  bool SaveBookAs();
  // "Open": asks about unsaved changes, then for a file, then OpenBook.
  void OpenBookClick();
  // The book's file, empty for a book never saved.
  QString bookPath() const { return session_->bookPath(); }
  // The book being edited, its library and its history, which the window
  // shows.
  BookSession &session() const { return *session_; }
  // True when the book differs from its file (or, unsaved, from the empty
  // book the window started with).
  bool HasUnsavedChanges() const;
  // With unsaved changes, asks whether to save them first: Save saves (a
  // cancelled or failed save answers false), Discard goes on, Cancel
  // answers false. Without changes answers true at once.
  bool MaybeSave();
  // The undo history of the book: every page-list and settings change.
  QUndoStack *undoStack() const { return session_->undoStack(); }
  // Hands the controls to the book and, when the book differs from the book
  // as last recorded, makes the difference one undoable step named `what`,
  // with the selected rows. Every edit of the controls ends with it.
  void RecordChange(const QString &what);
  // "File > New": asks about unsaved changes, then starts an empty book
  // with the first theme's look, an empty library and the sample in the
  // preview.
  void NewBook();
  // Points the book's pages from the missing source `missingPath` at the
  // file `newPath` (a file of the same kind: PDF for PDF, picture for
  // picture), converts what it must and records one undoable step. A file
  // of another kind gets a message; returns false then, or when no page
  // came from `missingPath`.
  bool LocateSource(const QString &missingPath, const QString &newPath);
  // The source file of the selected page when it is missing, else empty.
  QString SelectedMissingSource() const;
  // "Locate Missing File...": asks for the selected missing page's file
  // (through the image chooser when one is set) and LocateSource.
  void LocateSelectedSource();
  // Shows `message` in the status bar until the book next changes.
  void ShowStatusMessage(const QString &message);

  // Replaces the question about unsaved changes (tests answer it without a
  // window). Returns QMessageBox::Save, Discard or Cancel.
  using SaveQuestion = std::function<int(QWidget *owner, const QString &bookName)>;
  static void SetSaveQuestion(SaveQuestion question);
  // Replaces the book file dialogs. `save` tells Save As from Open; the
  // chooser returns a path, or an empty text for a cancel.
  using BookChooser = std::function<QString(QWidget *owner, bool save, const QString &suggested)>;
  static void SetBookChooser(BookChooser chooser);
  // Opens an address in the desktop's default program (a folder in the
  // file manager, a page in the browser); tests record it instead. An empty
  // function restores the desktop's.
  // The opener answers whether a program could be started for it.
  using UrlOpener = std::function<bool(const QUrl &url)>;
  static void SetUrlOpener(UrlOpener opener);
  // Replaces the question whether to replace a book published before under
  // the same title (tests answer it without a window). Returns
  // QMessageBox::Yes (replace), No (keep both) or Cancel.
  using ReplaceQuestion = std::function<int(QWidget *owner, const QString &previousRoot)>;
  static void SetReplaceQuestion(ReplaceQuestion question);
  // After a publish: a box (not modal, "PublishedBox") with where the book
  // went, "Open Folder" and "View in Browser".
  void ShowPublished(const QString &root);
  // Serves the package `root` on 127.0.0.1 (one book at a time, while the
  // window lives) and opens it in the browser. A server that cannot listen
  // gets a message.
  void ViewPublishedBook(const QString &root);
  // Filter of the book file dialogs.
  static const char *const kBookFilter;
  // The recently opened or saved books (newest first, at most 8), kept in
  // the settings.
  static QStringList RecentBooks();

  // --- Book settings -----------------------------------------------------
  // Book -> controls. Leaves bookSizeEdited alone.
  void ShowBookSetting();
  // Controls -> book. A width or height text that is not a decimal integer
  // gives 800 or 600.
  void SaveBookSetting();
  // Enables the image edit and its button for an image background, the
  // colour selector for a colour background.
  void UpdateBackgroundControls();

  // --- Page list -----------------------------------------------------------
  // Rebuilds the page list from the book; afterwards no row is selected.
  // Each row shows its page's thumbnail from the window's cache, or a blank
  // page until it is drawn (and for good when its source is missing).
  void RefreshPageList();
  // Shows the first selected row's page in the preview area; without a
  // selected row the area is cleared. Throws ImageError for an image page
  // that cannot be loaded (the preview area is then unchanged).
  void ShowSelectedPage();
  // The selected rows, ascending; empty without a selection.
  QList<int> SelectedPageRows() const;
  // The page buttons. Each does nothing without a selected row. Up and Down
  // move every selected page together, one place up or down; Delete
  // removes every selected page.
  void UpBtnClick();
  void DownBtnClick();
  void DeleteBtnClick();
  // Moves the pages of `rows` before row `beforeRow` (the row count: to the
  // end), as a drop of rows does: one undoable step, the moved rows
  // selected, the list left where it was scrolled. Rows outside the book
  // change nothing.
  void MovePageRows(const QList<int> &rows, int beforeRow);
  // Adds `paths` to the library as the Library dialog's Add does (new PDFs
  // converted in the progress window) and inserts their pages before row
  // `beforeRow` (-1 or the row count: at the end), selected afterwards; one
  // undoable step. Paths the library does not take are skipped.
  void AddDroppedFiles(const QStringList &paths, int beforeRow);
  // The page list as a grid of thumbnails (true) or as rows (false); the
  // View menu's "Pages as Grid" toggles it and the choice is remembered.
  void SetPageGrid(bool grid);
  bool IsPageGrid() const;
  // The thumbnails of the page list: drawn on a worker, cancelled on Clear,
  // on opening a book and when the window closes.
  ThumbnailCache *thumbnails() const { return thumbs_.get(); }
  // Removes every page from the book and empties the page list.
  void ClearBtnClick();

  // --- Themes ------------------------------------------------------------
  // One entry per theme of ThemeManager, with its thumbnail. Throws
  // ImageError at the first thumbnail that is not a readable BMP; the
  // themes before it stay listed.
  void FillThemeList();
  // The current theme's background and colours into the book, one undoable
  // step; nothing without a current theme.
  void ApplyTheme();

  // --- Adding files, preview, publishing ------------------------------------
  // Opens the Library dialog and, on OK, adds the pages of the files it
  // says to add (TLoadFrm::FilesToAdd).
  void InsertBtnClick();
  // The pages of every checked library file (AddLibraryPages).
  void AddCheckedFiles();
  // The pages of `files` that the book does not have yet
  // (ImportNewFilePages), inserted before the first selected row (at the end
  // without a selection) and selected afterwards, then the automatic book size; one
  // undoable step.
  void AddLibraryPages(const TFileList &files);
  // The pages of `files` (only those the book lacks with `onlyNew`)
  // inserted from row `at` (out of range: at the end), selected afterwards,
  // then the automatic book size; one undoable step.
  void InsertFilesPages(const TFileList &files, int at, bool onlyNew);
  // Appends the pages of one source file (an image page, or the existing
  // page files of a PDF's range).
  void AddFilePages(const TFileObj &file);
  // Writes the book into the preview folder on a worker thread and shows
  // it when done; a failure goes to the error box.
  void PreviewBtnClick();
  // Asks for a folder (the picker starts in the one last published into)
  // and publishes the book there on a worker thread, into a folder named
  // after its title; where a book is published under that title already,
  // asks whether to replace it (written beside it and swapped in) or keep
  // both. A book without pages, or with missing pages, gets a message
  // instead. A failure goes to the error box.
  void ExportBtnClick();
  // Writes and shows the preview of the book as it is now; a book with
  // missing pages gets a note in the preview instead. While a package is
  // being written, it follows when that ends.
  void PreviewCurrentBook();
  // True while a package is being written (the commands are off).
  bool IsWritingPackage() const { return session_->IsWritingPackage(); }
  // Picks the background image file.
  void BgImageBtnClick();
  // The package folder the last publishing wrote (empty before).
  QString lastPackageFolder() const { return lastPackage_; }

  // Replaces the background image's file dialog (tests answer it without a
  // window). The chooser returns the chosen path, or an empty text for a
  // cancel. An empty function restores the dialog.
  using ImageChooser = std::function<QString(QWidget *owner, const QString &filter)>;
  static void SetImageChooser(ImageChooser chooser);

  // Filter of the background image dialog.
  static const char *const kImageFilter;

 signals:
  // A preview or a publishing has ended: the package root, or empty when
  // nothing was written or the writer failed.
  void packageWritten(const QString &root);

 protected:
  void showEvent(QShowEvent *event) override;
  // Asks about unsaved changes first; Cancel keeps the window open.
  void closeEvent(QCloseEvent *event) override;
  // Files dragged from a file manager anywhere on the window: taken when
  // the library takes at least one of them (AddDroppedFiles before the
  // selected row), refused otherwise.
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dropEvent(QDropEvent *event) override;

 private:
  // Creation steps: the workspace and the caption.
  void FormCreate(const QString &appDir);
  // The session's signals: the whole book is new (undo, redo, open, new,
  // relocate) with `rows` to select; the pages changed; the session changed
  // settings; a problem to tell the user.
  void OnBookChanged(const QList<int> &rows);
  void OnPagesChanged();
  void OnProblem(const SessionProblem &problem);
  // First-show steps: book settings into the controls, the preview, the
  // theme catalogue and the theme list.
  void FormShow();
  // Shows the preview book, opened at `page` (from 1; 0 for its start).
  void ShowPreview(int page = 0);

  void BuildControls();
  // Shrinks the window to the screen it is on and, unless it was placed as
  // the user left it, centres it there.
  void FitToScreen();
  void BuildMenus();
  void UpdateCaption();
  void RememberRecent(const QString &path);
  void FillRecentMenu();
  // The row of `page` in the page list: number, name, and a missing mark.
  void FillPageRow(QTreeWidgetItem *row, int index, const TPageObj &page);
  void SelectPageRow(int row);
  // Selects `rows` (current: the first) and, with `scroll`, brings the
  // first into view.
  void SelectPageRows(const QList<int> &rows, bool scroll);
  // The icon of `page`: its thumbnail, or a blank page while there is none.
  QIcon PageIcon(const TPageObj &page);
  // A thumbnail has been drawn: the rows of its page take it.
  void ThumbnailArrived(const QString &path, int page, const QImage &image);
  // Marks the theme called `name` as the current one, without applying it.
  void MarkTheme(const QString &name);
  QWidget *BuildThemeTab();
  QWidget *BuildBookTab();
  QWidget *BuildPageTab();

  void BookSizeType1Click(int tag);
  void BookSizeWidthEdtChange();
  // Marks the size button of the preset the width and height edits hold,
  // or "Other".
  void MarkBookSize();
  void ThemeListViewSelectItem();
  // Index of the selected page row within the book, or -1.
  int SelectedPageIndex() const;
  // Runs `action` through the general error box; slots call this.
  void Guarded(const std::function<void()> &action);
  // Writes a copy of the book as a package on a worker thread, with the
  // pages written shown and the commands off meanwhile; then `then` runs
  // with the package root. Does nothing while another package is written.
  // With `replaceRoot`, the book replaces the one published there.
  void WritePackage(bool isPreview, const QString &folder,
                    const std::function<void(const QString &root)> &then,
                    const QString &replaceRoot = QString());
  // The package being written has ended: written at `root` (empty: nothing
  // written), or stopped with `failure`.
  void PackageEnded(const QString &root, const QString &failure);
  // The status bar's page count, book size and last publishing.
  void UpdateStatus();
  // The page list's context menu at `globalPos`.
  void ShowPageMenu(const QPoint &globalPos);
  // Help: the README in a window of its own; the about box.
  void ShowGuide();
  void ShowAbout();
  void SetCommandsEnabled(bool enabled);

  bool shown_ = false;
  bool placed_ = false;  // the window's place and size came from the settings
  QWidget *client_ = nullptr;
  BookSession *session_ = nullptr;
  bool selecting_ = false;  // the program is selecting rows
  // What runs with the package root when the package being written ends.
  std::function<void(const QString &root)> afterPackage_;
  QMenu *recentMenu_ = nullptr;
  std::unique_ptr<BookServer> server_;
  bool isFillData = false;
  QString lastPackage_;
  QDateTime lastPublished_;
  bool previewPending_ = false;  // a preview asked for while a package was written
  QAction *LocateAct = nullptr;
  QProgressBar *WriteProgressBar = nullptr;

  QPushButton *AddFileBtn = nullptr;
  QPushButton *PreviewBtn = nullptr;
  QPushButton *ExportBtn = nullptr;
  QTabWidget *SetingTabCon = nullptr;
  QSplitter *Splitter = nullptr;
  QStatusBar *StatusBar = nullptr;
  QLabel *PageCountLbl = nullptr;
  QLabel *BookSizeLbl = nullptr;
  QLabel *LastPublishLbl = nullptr;
  PreviewWeb *PreViewWeb = nullptr;

  QListWidget *ThemeListView = nullptr;
  std::vector<QPixmap> ThemeImageList;

  QLineEdit *BookTitleEdt = nullptr;
  QLineEdit *BookKeywordEdt = nullptr;
  QLineEdit *BookDesEdt = nullptr;
  QRadioButton *BgImageRad = nullptr;
  QLineEdit *BgImageEdt = nullptr;
  QPushButton *BgImageBtn = nullptr;
  QRadioButton *BgColorRad = nullptr;
  TColorButton *BgColorBtn = nullptr;
  TColorButton *ButtonColorBtn = nullptr;
  TColorButton *PanelColorBtn = nullptr;
  QCheckBox *RtlChk = nullptr;  // the book reads from right to left
  QCheckBox *PortableChk = nullptr;  // the published book also opens from a disk
  QRadioButton *BookSizeType[4] = {};
  QSpinBox *BookSizeWidthEdt = nullptr;
  QSpinBox *BookSizeHeightEdt = nullptr;

  QLabel *ImagePreview = nullptr;
  QScrollArea *ShowPdfScr = nullptr;
  PageWeb *ShowPdfWeb = nullptr;
  QPushButton *InsertBtn = nullptr;
  QPushButton *DeleteBtn = nullptr;
  QPushButton *ClearBtn = nullptr;
  QPushButton *DownBtn = nullptr;
  QPushButton *UpBtn = nullptr;
  PageListWidget *PageListView = nullptr;
  PageGridWidget *PageGridView = nullptr;
  QStackedWidget *PageViews = nullptr;
  QAction *PageGridAct = nullptr;
  std::unique_ptr<ThumbnailCache> thumbs_;
  QPixmap blankPage_;
};

}  // namespace lw
