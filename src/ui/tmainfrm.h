// The main window: book settings, pages, themes, preview and publishing.
#pragma once

#include "model/tbookobj.h"
#include "model/tfileobj.h"
#include "themes/tthememanager.h"

#include <QPixmap>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace lw {

class PackageJob;
class PageWeb;
class PreviewWeb;
class TColorButton;

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

  // Client area of the window; it cannot be resized.
  static constexpr int kClientWidth = 1036;
  static constexpr int kClientHeight = 593;

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
  void RefreshPageList();
  // Appends the row of `page` (numbered by its position in the book).
  void AddPageRow(TPageObj *page);
  // Shows the selected row's page in the preview area; nothing without a
  // selected row. Throws ImageError for an image page that cannot be
  // loaded (the preview area is then unchanged).
  void ShowSelectedPage();
  // The page buttons. Each does nothing without a selected row.
  void UpBtnClick();
  void DownBtnClick();
  void DeleteBtnClick();
  // Removes every page from the book and empties the page list.
  void ClearBtnClick();

  // --- Themes ------------------------------------------------------------
  // One entry per theme of ThemeManager, with its thumbnail. Throws
  // ImageError at the first thumbnail that is not a readable BMP; the
  // themes before it stay listed.
  void FillThemeList();
  // The current theme's background and colours into the controls; nothing
  // without a current theme.
  void ApplyTheme();

  // --- Adding files, preview, publishing ------------------------------------
  // Opens the Library dialog and, on OK, adds the checked files' pages.
  void InsertBtnClick();
  // The pages of every checked library file, then AutoBookSize.
  void AddCheckedFiles();
  // The pages of one source file (an image page, or the existing page files
  // of a PDF's range).
  void AddFilePages(const TFileObj &file);
  // Takes the book size from the first library file, once per run and only
  // while the user has not set a size. Throws ImageError when that file is
  // an image that cannot be decoded (the size then stays).
  void AutoBookSize();
  // Writes the book into the preview folder on a worker thread and shows
  // it when done; a failure goes to the error box.
  void PreviewBtnClick();
  // Asks for a folder and publishes the book into a new package folder
  // there on a worker thread; nothing for a book without pages. A failure
  // goes to the error box.
  void ExportBtnClick();
  // True while a package is being written (the commands are off).
  bool IsWritingPackage() const { return packageJob_ != nullptr; }
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

 private:
  // Creation steps: the library list, the book, the workspace, the size
  // flags and the caption.
  void FormCreate(const QString &appDir);
  // First-show steps: book settings into the controls, the preview, the
  // theme catalogue and the theme list.
  void FormShow();
  void ShowPreview();

  void BuildControls();
  QWidget *BuildThemeTab();
  QWidget *BuildBookTab();
  QWidget *BuildPageTab();

  void BookSizeType1Click(int tag);
  void BookSizeWidthEdtChange();
  void ThemeListViewSelectItem();
  // Index of the selected page row within the book, or -1.
  int SelectedPageIndex() const;
  // Runs `action` through the general error box; slots call this.
  void Guarded(const std::function<void()> &action);
  // Writes a copy of the book as a package on a worker thread, with the
  // pages written shown and the commands off meanwhile; then `then` runs
  // with the package root. Does nothing while another package is written.
  void WritePackage(bool isPreview, const QString &folder,
                    const std::function<void(const QString &root)> &then);
  void SetCommandsEnabled(bool enabled);

  bool shown_ = false;
  bool isFillData = false;
  QString lastPackage_;
  std::unique_ptr<PackageJob> packageJob_;
  QProgressBar *WriteProgressBar = nullptr;

  QPushButton *AddFileBtn = nullptr;
  QPushButton *PreviewBtn = nullptr;
  QPushButton *ExportBtn = nullptr;
  QTabWidget *SetingTabCon = nullptr;
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
  QTreeWidget *PageListView = nullptr;
};

}  // namespace lw
