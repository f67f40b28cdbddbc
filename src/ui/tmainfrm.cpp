#include "ui/tmainfrm.h"

#include "fsutil/fsutil.h"
#include "ui/browseforfolder.h"
#include "model/booksizes.h"
#include "model/pageimport.h"
#include "model/pagerange.h"
#include "model/uconst.h"
#include "output/autobooksize.h"
#include "output/bookpackage.h"
#include "output/packagejob.h"
#include "output/imageconvert.h"
#include "ui/colorbutton.h"
#include "ui/errorbox.h"
#include "ui/previewweb.h"
#include "ui/tloadfrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <cmath>

namespace lw {

std::unique_ptr<TThemeManager> ThemeManager;

const char *const TMainFrm::kImageFilter = "Image files (*.png *.jpg *.bmp)";

namespace {

TMainFrm::ImageChooser &imageChooser() {
  static TMainFrm::ImageChooser chooser;
  return chooser;
}

constexpr int kPageRowHeight = 20;
constexpr QSize kImagePreviewSize(187, 150);
constexpr QSize kThumbSize(228, 171);
constexpr int kPageRole = Qt::UserRole;
constexpr int kThemeRole = Qt::UserRole;

QLabel *AddLabel(QWidget *parent, const QString &text, int x, int y) {
  auto *label = new QLabel(text, parent);
  label->move(x, y + 3);
  return label;
}

QPushButton *AddButton(QWidget *parent, const char *name, const QString &caption, QRect geometry) {
  auto *button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(geometry);
  return button;
}

}  // namespace

void TMainFrm::SetImageChooser(ImageChooser chooser) { imageChooser() = std::move(chooser); }

TMainFrm::TMainFrm(QWidget *parent, const QString &appDir) : QWidget(parent) {
  setObjectName("MainFrm");
  setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  FormCreate(appDir);
  BuildControls();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::FormCreate(const QString &appDir) {
  LibraryList.clear();
  BookObj = std::make_unique<TBookObj>();
  InitWorkspace(appDir);
  bookSizeEdited = false;
  autoSizeDone = false;
  QApplication::setApplicationDisplayName(kAppTitle);
  setWindowTitle(kAppTitle);
}

void TMainFrm::Guarded(const std::function<void()> &action) { RunGuarded(this, action); }

// ---------------------------------------------------------------------------
// Controls

void TMainFrm::BuildControls() {
  AddFileBtn = AddButton(this, "AddFileBtn", "Add Files", QRect(8, 10, 90, 28));
  PreviewBtn = AddButton(this, "PreviewBtn", "Preview", QRect(104, 10, 90, 28));
  ExportBtn = AddButton(this, "ExportBtn", "Publish", QRect(200, 10, 90, 28));

  SetingTabCon = new QTabWidget(this);
  SetingTabCon->setObjectName("SetingTabCon");
  SetingTabCon->setGeometry(4, 50, 289, 535);
  SetingTabCon->addTab(BuildThemeTab(), "Theme");
  SetingTabCon->addTab(BuildBookTab(), "Book Setting");
  SetingTabCon->addTab(BuildPageTab(), "Page Setting");
  SetingTabCon->setCurrentIndex(0);

  PreViewWeb = new PreviewWeb(this);
  PreViewWeb->setObjectName("PreViewWeb");
  PreViewWeb->setGeometry(303, 51, 725, 534);

  // Pages written of all while a package is being written.
  WriteProgressBar = new QProgressBar(this);
  WriteProgressBar->setObjectName("WriteProgressBar");
  WriteProgressBar->setGeometry(303, 16, 260, 18);
  WriteProgressBar->setFormat(QStringLiteral("Writing page %v of %m"));
  WriteProgressBar->hide();

  connect(AddFileBtn, &QPushButton::clicked, this, [this] { Guarded([this] { InsertBtnClick(); }); });
  connect(PreviewBtn, &QPushButton::clicked, this, [this] { Guarded([this] { PreviewBtnClick(); }); });
  connect(ExportBtn, &QPushButton::clicked, this, [this] { Guarded([this] { ExportBtnClick(); }); });
}

QWidget *TMainFrm::BuildThemeTab() {
  auto *tab = new QWidget;
  tab->setObjectName("ThemeTab");
  ThemeListView = new QListWidget(tab);
  ThemeListView->setObjectName("ThemeListView");
  ThemeListView->setGeometry(2, 2, 279, 500);
  ThemeListView->setViewMode(QListView::IconMode);
  ThemeListView->setIconSize(kThumbSize);
  ThemeListView->setResizeMode(QListView::Adjust);
  ThemeListView->setMovement(QListView::Static);
  ThemeListView->setSelectionMode(QAbstractItemView::SingleSelection);
  ThemeListView->setSpacing(4);
  connect(ThemeListView, &QListWidget::itemSelectionChanged, this,
          [this] { Guarded([this] { ThemeListViewSelectItem(); }); });
  return tab;
}

QWidget *TMainFrm::BuildBookTab() {
  auto *tab = new QWidget;
  tab->setObjectName("BookTab");
  constexpr int kGroupWidth = 269;
  constexpr int kEditLeft = 90;
  constexpr int kEditWidth = 168;

  auto *basic = new QGroupBox("Basic", tab);
  basic->setObjectName("BasicGrp");
  basic->setGeometry(6, 6, kGroupWidth, 112);
  auto addEdit = [&](const char *name, const QString &label, int y) {
    AddLabel(basic, label, 10, y);
    auto *edit = new QLineEdit(basic);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(kEditLeft, y, kEditWidth, 24);
    return edit;
  };
  BookTitleEdt = addEdit("BookTitleEdt", "Book Title:", 22);
  BookKeywordEdt = addEdit("BookKeywordEdt", "Keywords:", 52);
  BookDesEdt = addEdit("BookDesEdt", "Description:", 82);

  auto *background = new QGroupBox("Background", tab);
  background->setObjectName("BackgroundGrp");
  background->setGeometry(6, 124, kGroupWidth, 88);
  BgImageRad = new QRadioButton("Image", background);
  BgImageRad->setObjectName("BgImageRad");
  BgImageRad->setGeometry(10, 24, 70, 22);
  BgImageEdt = new QLineEdit(background);
  BgImageEdt->setObjectName("BgImageEdt");
  BgImageEdt->setReadOnly(true);
  BgImageEdt->setGeometry(kEditLeft, 22, kEditWidth - 42, 24);
  BgImageBtn = AddButton(background, "BgImageBtn", ">>", QRect(kEditLeft + kEditWidth - 38, 22, 38, 24));
  BgColorRad = new QRadioButton("Color", background);
  BgColorRad->setObjectName("BgColorRad");
  BgColorRad->setGeometry(10, 56, 70, 22);
  BgColorBtn = new TColorButton(background);
  BgColorBtn->setObjectName("BgColorBtn");
  BgColorBtn->setGeometry(kEditLeft, 54, 60, 26);
  connect(BgImageRad, &QRadioButton::clicked, this, [this] { Guarded([this] { UpdateBackgroundControls(); }); });
  connect(BgColorRad, &QRadioButton::clicked, this, [this] { Guarded([this] { UpdateBackgroundControls(); }); });
  connect(BgImageBtn, &QPushButton::clicked, this, [this] { Guarded([this] { BgImageBtnClick(); }); });

  auto *style = new QGroupBox("Style", tab);
  style->setObjectName("StyleGrp");
  style->setGeometry(6, 218, kGroupWidth, 84);
  AddLabel(style, "Button Color:", 10, 24);
  ButtonColorBtn = new TColorButton(style);
  ButtonColorBtn->setObjectName("ButtonColorBtn");
  ButtonColorBtn->setGeometry(kEditLeft, 22, 60, 26);
  AddLabel(style, "Panel Color:", 10, 54);
  PanelColorBtn = new TColorButton(style);
  PanelColorBtn->setObjectName("PanelColorBtn");
  PanelColorBtn->setGeometry(kEditLeft, 52, 60, 26);
  RtlChk = new QCheckBox("Right to left", style);
  RtlChk->setObjectName("RtlChk");
  RtlChk->setToolTip("Page 1 left of the spine, pages turning to the right (Arabic, Hebrew, manga)");
  RtlChk->setGeometry(kEditLeft + 70, 54, kEditWidth - 70, 22);

  auto *size = new QGroupBox("Book Size Setting", tab);
  size->setObjectName("BookSizeGrp");
  size->setGeometry(6, 308, kGroupWidth, 116);
  const char *captions[4] = {"A3", "A4", "A5", "Other"};
  for (int i = 0; i < 4; ++i) {
    auto *radio = new QRadioButton(captions[i], size);
    radio->setObjectName(QStringLiteral("BookSizeType%1").arg(i + 1));
    radio->setGeometry(10 + i * 62, 22, 60, 22);
    BookSizeType[i] = radio;
    if (i < 3)
      connect(radio, &QRadioButton::clicked, this, [this, i] { Guarded([this, i] { BookSizeType1Click(i); }); });
  }
  auto addSpin = [&](const char *name, const QString &label, int y) {
    AddLabel(size, label, 10, y);
    auto *spin = new QSpinBox(size);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(1, 9999);
    spin->setGeometry(kEditLeft, y, 90, 24);
    connect(spin, &QSpinBox::textChanged, this, [this] { Guarded([this] { BookSizeWidthEdtChange(); }); });
    return spin;
  };
  BookSizeWidthEdt = addSpin("BookSizeWidthEdt", "Width:", 52);
  BookSizeHeightEdt = addSpin("BookSizeHeightEdt", "Height:", 82);
  return tab;
}

QWidget *TMainFrm::BuildPageTab() {
  auto *tab = new QWidget;
  tab->setObjectName("PageTab");
  const QRect previewArea(QPoint(6, 6), kImagePreviewSize);

  ImagePreview = new QLabel(tab);
  ImagePreview->setObjectName("ImagePreview");
  ImagePreview->setGeometry(previewArea);
  ImagePreview->setAlignment(Qt::AlignCenter);
  ImagePreview->setFrameShape(QFrame::StyledPanel);

  ShowPdfScr = new QScrollArea(tab);
  ShowPdfScr->setObjectName("ShowPdfScr");
  ShowPdfScr->setGeometry(previewArea);
  ShowPdfScr->setWidgetResizable(true);
  ShowPdfWeb = new PageWeb(SysSetInfo.PreviewPath);
  ShowPdfWeb->setObjectName("ShowPdfWeb");
  ShowPdfScr->setWidget(ShowPdfWeb);
  ShowPdfScr->raise();  // in front of ImagePreview until a page is shown

  const int buttonLeft = previewArea.right() + 10;
  const struct {
    const char *name;
    const char *caption;
    QPushButton **button;
  } buttons[] = {{"InsertBtn", "Insert", &InsertBtn},
                 {"DeleteBtn", "Delete", &DeleteBtn},
                 {"ClearBtn", "Clear", &ClearBtn},
                 {"DownBtn", "Down", &DownBtn},
                 {"UpBtn", "Up", &UpBtn}};
  int y = previewArea.top();
  for (const auto &b : buttons) {
    *b.button = AddButton(tab, b.name, b.caption, QRect(buttonLeft, y, 70, 26));
    y += 31;
  }
  connect(InsertBtn, &QPushButton::clicked, this, [this] { Guarded([this] { InsertBtnClick(); }); });
  connect(DeleteBtn, &QPushButton::clicked, this, [this] { Guarded([this] { DeleteBtnClick(); }); });
  connect(ClearBtn, &QPushButton::clicked, this, [this] { Guarded([this] { ClearBtnClick(); }); });
  connect(DownBtn, &QPushButton::clicked, this, [this] { Guarded([this] { DownBtnClick(); }); });
  connect(UpBtn, &QPushButton::clicked, this, [this] { Guarded([this] { UpBtnClick(); }); });

  PageListView = new QTreeWidget(tab);
  PageListView->setObjectName("PageListView");
  PageListView->setGeometry(6, previewArea.bottom() + 10, 269, 500 - previewArea.bottom() - 10);
  PageListView->setColumnCount(2);
  PageListView->setHeaderLabels({"Page", "Content"});
  PageListView->setRootIsDecorated(false);
  PageListView->setUniformRowHeights(true);
  PageListView->setSelectionMode(QAbstractItemView::SingleSelection);
  PageListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  PageListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  PageListView->header()->setStretchLastSection(false);
  PageListView->setColumnWidth(1, 202);
  PageListView->setColumnWidth(0, 269 - 202 - 4);
  connect(PageListView, &QTreeWidget::itemSelectionChanged, this,
          [this] { Guarded([this] { ShowSelectedPage(); }); });
  return tab;
}

// ---------------------------------------------------------------------------
// Start-up

void TMainFrm::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  if (const QScreen *screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  Guarded([this] { FormShow(); });
}

void TMainFrm::FormShow() {
  ShowBookSetting();
  ShowPreview();
  ThemeManager = std::make_unique<TThemeManager>(SysSetInfo.ThemePath);
  ApplyTheme();
  FillThemeList();
}

void TMainFrm::ShowPreview() { PreViewWeb->ShowPreview(SysSetInfo.PreviewHtmlPath); }

// ---------------------------------------------------------------------------
// Book settings

void TMainFrm::ShowBookSetting() {
  isFillData = true;
  const TBookObj &book = *BookObj;
  BookTitleEdt->setText(book.titleStr);
  BookKeywordEdt->setText(book.keywordStr);
  BookDesEdt->setText(book.desStr);
  if (book.backgroundType != 0)
    BgColorRad->setChecked(true);
  else
    BgImageRad->setChecked(true);
  BgImageEdt->setText(book.backgroundImage);
  BgColorBtn->setColor(book.backgroundColor);
  UpdateBackgroundControls();
  ButtonColorBtn->setColor(book.buttonColor);
  PanelColorBtn->setColor(book.panelColor);
  RtlChk->setChecked(book.rightToLeft);
  BookSizeType[3]->setChecked(true);
  BookSizeWidthEdt->setValue(book.width);
  BookSizeHeightEdt->setValue(book.height);
  isFillData = false;
}

void TMainFrm::SaveBookSetting() {
  TBookObj &book = *BookObj;
  book.titleStr = BookTitleEdt->text();
  book.keywordStr = BookKeywordEdt->text();
  book.desStr = BookDesEdt->text();
  book.backgroundType = BgImageRad->isChecked() ? 0 : 1;
  book.backgroundImage = BgImageEdt->text();
  book.backgroundColor = BgColorBtn->color();
  book.buttonColor = ButtonColorBtn->color();
  book.panelColor = PanelColorBtn->color();
  book.rightToLeft = RtlChk->isChecked();
  bool ok = false;
  const int width = BookSizeWidthEdt->text().toInt(&ok);
  book.width = ok ? width : 800;
  const int height = BookSizeHeightEdt->text().toInt(&ok);
  book.height = ok ? height : 600;
}

void TMainFrm::UpdateBackgroundControls() {
  const bool image = BgImageRad->isChecked();
  BgImageEdt->setEnabled(image);
  BgImageBtn->setEnabled(image);
  BgColorBtn->setEnabled(!image);
}

void TMainFrm::BgImageBtnClick() {
  QString path;
  if (imageChooser())
    path = imageChooser()(this, kImageFilter);
  else
    path = QFileDialog::getOpenFileName(this, QString(), QString(), kImageFilter);
  if (!path.isEmpty()) BgImageEdt->setText(path);
}

void TMainFrm::BookSizeType1Click(int tag) {
  if (tag < 0 || tag > 2) return;
  BookSizeWidthEdt->setValue(kBookSizePresets[tag].width);
  BookSizeHeightEdt->setValue(kBookSizePresets[tag].height);
  // Choosing a preset is a size the user set, even when the edits already
  // held its values and so reported no change.
  BookSizeWidthEdtChange();
}

void TMainFrm::BookSizeWidthEdtChange() {
  if (!isFillData) bookSizeEdited = true;
}

// ---------------------------------------------------------------------------
// Page list

void TMainFrm::RefreshPageList() {
  PageListView->clear();
  for (const auto &page : BookObj->pageList) AddPageRow(page.get());
  PageListView->setFocus();
}

void TMainFrm::AddPageRow(TPageObj *page) {
  auto *row = new QTreeWidgetItem(PageListView);
  row->setText(0, QString::number(BookObj->IndexOfPage(page) + 1));
  row->setText(1, page->showName);
  row->setData(0, kPageRole, QVariant::fromValue(static_cast<void *>(page)));
  row->setSizeHint(0, QSize(-1, kPageRowHeight));
  PageListView->scrollToItem(row);
}

int TMainFrm::SelectedPageIndex() const {
  const QList<QTreeWidgetItem *> selected = PageListView->selectedItems();
  if (selected.isEmpty()) return -1;
  const int index = PageListView->indexOfTopLevelItem(selected.first());
  if (index < 0 || index >= BookObj->PageCount()) return -1;
  return index;
}

void TMainFrm::ShowSelectedPage() {
  const int index = SelectedPageIndex();
  if (index < 0) return;
  const TPageObj &page = *BookObj->Page(index);
  if (page.fileType == kPageImage) {
    QImageReader reader(page.filePath);
    const QImage image = reader.read();
    if (image.isNull())
      throw ImageError(QStringLiteral("Cannot show the image \"%1\": %2")
                           .arg(page.filePath, reader.errorString())
                           .toStdString());
    ShowPdfScr->hide();
    ImagePreview->show();
    ImagePreview->setPixmap(QPixmap::fromImage(
        image.scaled(kImagePreviewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  } else {
    ShowPdfScr->show();
    ImagePreview->hide();
    ShowPdfWeb->ShowPage(page.filePath);
  }
}

void TMainFrm::UpBtnClick() {
  const int index = SelectedPageIndex();
  if (index < 0) return;
  BookObj->UpPageByIndex(index);
  RefreshPageList();
}

void TMainFrm::DownBtnClick() {
  const int index = SelectedPageIndex();
  if (index < 0) return;
  BookObj->DownPageByIndex(index);
  RefreshPageList();
}

void TMainFrm::DeleteBtnClick() {
  const int index = SelectedPageIndex();
  if (index < 0) return;
  const int next = index == PageListView->topLevelItemCount() - 1 ? index - 1 : -1;
  delete PageListView->takeTopLevelItem(index);
  if (next >= 0) {
    if (QTreeWidgetItem *row = PageListView->topLevelItem(next)) {
      PageListView->setCurrentItem(row);
      row->setSelected(true);
    }
  }
  PageListView->setFocus();
  BookObj->DelPageByIndex(index);
  RefreshPageList();
}

void TMainFrm::ClearBtnClick() {
  BookObj->ClearPage();
  RefreshPageList();
  ImagePreview->clear();
  ShowPdfWeb->ShowPage(QString());
}

// ---------------------------------------------------------------------------
// Themes

void TMainFrm::FillThemeList() {
  ThemeListView->clear();
  ThemeImageList.clear();
  if (!ThemeManager) return;
  const QSignalBlocker block(ThemeListView);
  for (const auto &theme : ThemeManager->themeList) {
    auto *entry = new QListWidgetItem(theme->titleStr, ThemeListView);
    entry->setData(kThemeRole, QVariant::fromValue(static_cast<void *>(theme.get())));
    QImageReader reader(theme->thumbImagePath, "bmp");
    const QImage thumb = reader.read();
    if (thumb.isNull())
      throw ImageError(QStringLiteral("Cannot read the theme thumbnail \"%1\": %2")
                           .arg(theme->thumbImagePath, reader.errorString())
                           .toStdString());
    ThemeImageList.push_back(QPixmap::fromImage(thumb));
    entry->setIcon(QIcon(ThemeImageList.back()));
    entry->setSizeHint(kThumbSize + QSize(12, 30));
  }
  ThemeListView->clearSelection();
}

void TMainFrm::ThemeListViewSelectItem() {
  const QList<QListWidgetItem *> selected = ThemeListView->selectedItems();
  if (selected.isEmpty() || !ThemeManager) return;
  auto *theme = static_cast<TThemeObj *>(selected.first()->data(kThemeRole).value<void *>());
  if (!theme) return;
  ThemeManager->currThemeObj = theme;
  ApplyTheme();
}

void TMainFrm::ApplyTheme() {
  if (!ThemeManager || !ThemeManager->currThemeObj) return;
  const TBookLook look = ThemeBookLook(*ThemeManager->currThemeObj);
  if (look.backgroundType != 0)
    BgColorRad->setChecked(true);
  else
    BgImageRad->setChecked(true);
  BgImageEdt->setText(look.backgroundImage);
  BgColorBtn->setColor(look.backgroundColor);
  UpdateBackgroundControls();
  ButtonColorBtn->setColor(look.buttonColor);
  PanelColorBtn->setColor(look.panelColor);
}

// ---------------------------------------------------------------------------
// Adding files

void TMainFrm::InsertBtnClick() {
  TLoadFrm dialog(this);
  dialog.ShowTag = 1;
  if (dialog.exec() == TLoadFrm::kResultOk) AddCheckedFiles();
}

void TMainFrm::AddCheckedFiles() {
  // A copy: the list is not changed here, but it must not be walked while
  // something else could change it.
  const TFileList files = LibraryList;
  for (const auto &file : files)
    if (file->isChecked) AddFilePages(*file);
  AutoBookSize();
}

void TMainFrm::AddFilePages(const TFileObj &file) {
  for (TPageObj *page : ImportFilePages(*BookObj, file, SysSetInfo.TempPathStr)) AddPageRow(page);
}

void TMainFrm::AutoBookSize() {
  if (LibraryList.empty() || autoSizeDone) return;
  autoSizeDone = true;
  const TFileObj &first = *LibraryList.front();
  if (bookSizeEdited) return;
  const QSize size = AutoBookSizeFor(first);  // throws before any control changes
  BookSizeType[first.fileType == kFilePdf ? 1 : 3]->setChecked(true);
  BookObj->width = size.width();
  BookObj->height = size.height();
  // Filling the edits from the automatic size is not a user's change.
  isFillData = true;
  BookSizeWidthEdt->setValue(size.width());
  BookSizeHeightEdt->setValue(size.height());
  isFillData = false;
}

// ---------------------------------------------------------------------------
// Preview and publishing

void TMainFrm::SetCommandsEnabled(bool enabled) {
  // The writer has its own copy of the book, so the settings and the page
  // list stay usable; only the commands that write a package wait.
  for (QPushButton *b : {AddFileBtn, PreviewBtn, ExportBtn}) b->setEnabled(enabled);
}

void TMainFrm::WritePackage(bool isPreview, const QString &folder,
                            const std::function<void(const QString &root)> &then) {
  if (packageJob_) return;  // one package at a time; the commands are off meanwhile
  SetCommandsEnabled(false);
  WriteProgressBar->setRange(0, std::max(1, BookObj->PageCount()));
  WriteProgressBar->setValue(0);
  WriteProgressBar->setVisible(BookObj->PageCount() > 0);
  packageJob_ = std::make_unique<PackageJob>(*BookObj, SysSetInfo, isPreview, folder);
  connect(packageJob_.get(), &PackageJob::pagesWritten, this,
          [this](int done, int total) {
            WriteProgressBar->setRange(0, total);
            WriteProgressBar->setValue(done);
          });
  auto finish = [this] {
    WriteProgressBar->hide();
    SetCommandsEnabled(true);
    // The job's worker has ended once it signalled; release it outside its
    // own signal.
    packageJob_.release()->deleteLater();
  };
  connect(packageJob_.get(), &PackageJob::written, this, [this, then, finish](const QString &root) {
    finish();
    Guarded([&] { then(root); });
    emit packageWritten(root);
  });
  connect(packageJob_.get(), &PackageJob::failed, this, [this, finish](const QString &message) {
    finish();
    ShowErrorMessage(this, message);
    emit packageWritten(QString());
  });
}

void TMainFrm::PreviewBtnClick() {
  SaveBookSetting();
  WritePackage(true, QString(), [this](const QString &) { ShowPreview(); });
}

void TMainFrm::ExportBtnClick() {
  SaveBookSetting();
  if (BookObj->PageCount() == 0) return;
  QString folder;
  if (!BrowseForFolder(QStringLiteral("Select Directory"), QString(), this, folder)) return;
  WritePackage(false, WithTrailingSlash(folder), [this](const QString &root) { lastPackage_ = root; });
}

}  // namespace lw
