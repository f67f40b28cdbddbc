#include "ui/tmainfrm.h"

#include "fsutil/fsutil.h"
#include "publish/bookserver.h"
#include "ui/browseforfolder.h"
#include "model/bookdocument.h"
#include "model/booksizes.h"
#include "model/pageimport.h"
#include "model/pagerange.h"
#include "model/sourcefiles.h"
#include "model/uconst.h"
#include "output/autobooksize.h"
#include "output/bookpackage.h"
#include "output/packagejob.h"
#include "output/imageconvert.h"
#include "output/thumbnailcache.h"
#include "ui/colorbutton.h"
#include "ui/errorbox.h"
#include "ui/lastfolders.h"
#include "ui/libraryjoin.h"
#include "ui/pagelistwidget.h"
#include "ui/previewweb.h"
#include "ui/tloadfrm.h"
#include "convert/tfrmloadprocess.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QSaveFile>
#include <QSettings>
#include <QUndoStack>
#include <QVBoxLayout>
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
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QScopeGuard>
#include <algorithm>
#include <cmath>

namespace lw {

std::unique_ptr<TThemeManager> ThemeManager;

const char *const TMainFrm::kImageFilter = "Image files (*.png *.jpg *.jpeg *.bmp)";
const char *const TMainFrm::kBookFilter = "Leafweaver books (*.leafbook)";

namespace {

TMainFrm::ImageChooser &imageChooser() {
  static TMainFrm::ImageChooser chooser;
  return chooser;
}
TMainFrm::SaveQuestion &saveQuestion() {
  static TMainFrm::SaveQuestion question;
  return question;
}
TMainFrm::UrlOpener &urlOpener() {
  static TMainFrm::UrlOpener opener;
  return opener;
}
void OpenUrl(const QUrl &url) {
  if (urlOpener())
    urlOpener()(url);
  else
    QDesktopServices::openUrl(url);
}
TMainFrm::BookChooser &bookChooser() {
  static TMainFrm::BookChooser chooser;
  return chooser;
}

constexpr int kMaxRecentBooks = 8;
const char *const kRecentBooksKey = "recentBooks";

// One change of the book: the whole book before and after it. The change
// has already been made when the command is pushed.
class BookChangeCommand : public QUndoCommand {
 public:
  BookChangeCommand(TMainFrm *frm, const QString &what, TBookObj before, int rowBefore,
                    TBookObj after, int rowAfter)
      : QUndoCommand(what), frm_(frm), before_(std::move(before)), after_(std::move(after)),
        rowBefore_(rowBefore), rowAfter_(rowAfter) {}
  void undo() override { frm_->RestoreBook(before_, rowBefore_); }
  void redo() override {
    if (pushed_) frm_->RestoreBook(after_, rowAfter_);
    pushed_ = true;
  }

 private:
  TMainFrm *frm_;
  TBookObj before_, after_;
  int rowBefore_, rowAfter_;
  bool pushed_ = false;
};

constexpr int kPageRowHeight = 34;
// Thumbnails are drawn to fit the grid's pictures; the rows show them
// smaller, beside the page's name.
constexpr QSize kPageThumbBox(60, 80);
constexpr QSize kPageRowIcon(24, 32);
constexpr QSize kPageGridCell(84, 112);
const char *const kPageGridKey = "pageGrid";
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
void TMainFrm::SetSaveQuestion(SaveQuestion question) { saveQuestion() = std::move(question); }
void TMainFrm::SetBookChooser(BookChooser chooser) { bookChooser() = std::move(chooser); }
void TMainFrm::SetUrlOpener(UrlOpener opener) { urlOpener() = std::move(opener); }

TMainFrm::TMainFrm(QWidget *parent, const QString &appDir) : QWidget(parent) {
  setObjectName("MainFrm");
  setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  undo_ = new QUndoStack(this);
  thumbs_ = std::make_unique<ThumbnailCache>(kPageThumbBox);
  connect(thumbs_.get(), &ThumbnailCache::thumbnailReady, this, &TMainFrm::ThumbnailArrived);
  // A blank page with a thin border stands for a thumbnail not drawn (yet).
  blankPage_ = QPixmap(QSize(kPageThumbBox.width() * 3 / 4, kPageThumbBox.height()));
  blankPage_.fill(Qt::white);
  {
    QPainter painter(&blankPage_);
    painter.setPen(QColor(0xB0, 0xB0, 0xB0));
    painter.drawRect(blankPage_.rect().adjusted(0, 0, -1, -1));
  }
  FormCreate(appDir);
  // The controls keep their places in a client area of the old window's
  // size; the menu bar sits above it, and the window takes both.
  client_ = new QWidget(this);
  client_->setObjectName("ClientArea");
  client_->setFixedSize(kClientWidth, kClientHeight);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(client_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  BuildControls();
  BuildMenus();
  connect(undo_, &QUndoStack::cleanChanged, this, [this] { UpdateCaption(); });
  UpdateCaption();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::ShowPublished(const QString &root) {
  auto *box = new QMessageBox(QMessageBox::Information, QLatin1String(kAppTitle),
                              tr("The book is published in\n%1").arg(QDir::toNativeSeparators(root)),
                              QMessageBox::Close, this);
  box->setObjectName("PublishedBox");
  box->setAttribute(Qt::WA_DeleteOnClose);
  QPushButton *folder = box->addButton(tr("Open Folder"), QMessageBox::ActionRole);
  folder->setObjectName("OpenFolderBtn");
  QPushButton *view = box->addButton(tr("View in Browser"), QMessageBox::ActionRole);
  view->setObjectName("ViewInBrowserBtn");
  connect(box, &QMessageBox::buttonClicked, this, [this, root, folder, view](QAbstractButton *b) {
    if (b == folder) OpenUrl(QUrl::fromLocalFile(root));
    if (b == view) Guarded([this, root] { ViewPublishedBook(root); });
  });
  box->open();
}

void TMainFrm::ViewPublishedBook(const QString &root) {
  server_.reset();
  auto server = std::make_unique<BookServer>(root);
  const quint16 port = server->ListenLocal(0);
  if (port == 0) {
    ShowErrorMessage(this, tr("The book in \"%1\" cannot be served on this computer.").arg(root));
    return;
  }
  server_ = std::move(server);
  OpenUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)));
}

void TMainFrm::FormCreate(const QString &appDir) {
  LibraryList.clear();
  BookObj = std::make_unique<TBookObj>();
  InitWorkspace(appDir);
  bookSizeEdited = false;
  autoSizeDone = false;
  QApplication::setApplicationDisplayName(kAppTitle);
}

void TMainFrm::Guarded(const std::function<void()> &action) { RunGuarded(this, action); }

// ---------------------------------------------------------------------------
// Controls

void TMainFrm::BuildControls() {
  AddFileBtn = AddButton(client_, "AddFileBtn", "Add Files", QRect(8, 10, 90, 28));
  PreviewBtn = AddButton(client_, "PreviewBtn", "Preview", QRect(104, 10, 90, 28));
  ExportBtn = AddButton(client_, "ExportBtn", "Publish", QRect(200, 10, 90, 28));

  SetingTabCon = new QTabWidget(client_);
  SetingTabCon->setObjectName("SetingTabCon");
  SetingTabCon->setGeometry(4, 50, 289, 535);
  SetingTabCon->addTab(BuildThemeTab(), "Theme");
  SetingTabCon->addTab(BuildBookTab(), "Book Setting");
  SetingTabCon->addTab(BuildPageTab(), "Page Setting");
  SetingTabCon->setCurrentIndex(0);

  PreViewWeb = new PreviewWeb(client_);
  PreViewWeb->setObjectName("PreViewWeb");
  PreViewWeb->setGeometry(303, 51, 725, 534);
  // Files dropped on the preview go to the window, as anywhere else.
  PreViewWeb->setAcceptDrops(false);
  setAcceptDrops(true);

  // Pages written of all while a package is being written.
  WriteProgressBar = new QProgressBar(client_);
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
  // A click on the theme in use (no change of selection) puts its look back
  // after the colours were changed by hand.
  connect(ThemeListView, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
    Guarded([this, item] {
      if (!ThemeManager || !item->isSelected()) return;
      if (item->data(kThemeRole).value<void *>() != ThemeManager->currThemeObj) return;
      ApplyTheme();
      RecordChange(tr("Theme"));
    });
  });
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
  for (QLineEdit *edit : {BookTitleEdt, BookKeywordEdt, BookDesEdt})
    connect(edit, &QLineEdit::editingFinished, this, [this] { RecordChange(tr("Edit Text")); });

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
  for (QRadioButton *radio : {BgImageRad, BgColorRad})
    connect(radio, &QRadioButton::clicked, this, [this] {
      Guarded([this] {
        UpdateBackgroundControls();
        RecordChange(tr("Background"));
      });
    });
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
  connect(RtlChk, &QCheckBox::toggled, this, [this] { RecordChange(tr("Reading Direction")); });
  for (TColorButton *button : {BgColorBtn, ButtonColorBtn, PanelColorBtn})
    connect(button, &TColorButton::colorChanged, this, [this] { RecordChange(tr("Color")); });

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
    connect(spin, &QSpinBox::editingFinished, this, [this] { RecordChange(tr("Book Size")); });
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

  PageViews = new QStackedWidget(tab);
  PageViews->setObjectName("PageViews");
  PageViews->setGeometry(6, previewArea.bottom() + 10, 269, 500 - previewArea.bottom() - 10);
  PageListView = new PageListWidget;
  PageListView->setObjectName("PageListView");
  PageListView->setColumnCount(2);
  PageListView->setHeaderLabels({"Page", "Content"});
  PageListView->setRootIsDecorated(false);
  PageListView->setUniformRowHeights(true);
  PageListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
  PageListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  PageListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  PageListView->setIconSize(kPageRowIcon);
  PageListView->header()->setStretchLastSection(false);
  PageListView->setColumnWidth(1, 202);
  PageListView->setColumnWidth(0, 269 - 202 - 4);
  PageGridView = new PageGridWidget(PageListView);
  PageGridView->setObjectName("PageGridView");
  PageGridView->setIconSize(kPageThumbBox);
  PageGridView->setGridSize(kPageGridCell);
  PageViews->addWidget(PageListView);
  PageViews->addWidget(PageGridView);
  connect(PageListView, &QTreeWidget::itemSelectionChanged, this,
          [this] { Guarded([this] { ShowSelectedPage(); }); });
  connect(PageListView, &PageListWidget::rowsDropped, this, [this](const QList<int> &rows, int before) {
    Guarded([&] { MovePageRows(rows, before); });
  });
  // After the drop has been handled: the progress window of a conversion
  // must not run inside the drop.
  connect(PageListView, &PageListWidget::filesDropped, this,
          [this](const QStringList &paths, int before) {
            Guarded([&] { AddDroppedFiles(paths, before); });
          }, Qt::QueuedConnection);
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
  // A book opened before the window was shown keeps its own look.
  if (bookPath_.isEmpty()) ApplyTheme();
  FillThemeList();
  if (!bookPath_.isEmpty()) {
    MarkTheme(BookObj->themeStr);
    return;
  }
  // The theme whose look the new book has is the one marked.
  if (ThemeManager->currThemeObj) MarkTheme(ThemeManager->currThemeObj->titleStr);
  // The look of the starting theme is where the history begins.
  SaveBookSetting();
  committed_ = BookObj->Copy();
}

void TMainFrm::ShowPreview(int page) { PreViewWeb->ShowPreview(SysSetInfo.PreviewHtmlPath, page); }

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
  BookSizeWidthEdt->setValue(book.width);
  BookSizeHeightEdt->setValue(book.height);
  MarkBookSize();
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
  if (path.isEmpty()) return;
  BgImageEdt->setText(path);
  RecordChange(tr("Background Image"));
}

void TMainFrm::BookSizeType1Click(int tag) {
  if (tag < 0 || tag > 2) return;
  BookSizeWidthEdt->setValue(kBookSizePresets[tag].width);
  BookSizeHeightEdt->setValue(kBookSizePresets[tag].height);
  // Choosing a preset is a size the user set, even when the edits already
  // held its values and so reported no change.
  BookSizeWidthEdtChange();
  RecordChange(tr("Book Size"));
}

void TMainFrm::BookSizeWidthEdtChange() {
  if (!isFillData) bookSizeEdited = true;
  MarkBookSize();
}

void TMainFrm::MarkBookSize() {
  const int preset = BookSizePresetIndex(BookSizeWidthEdt->value(), BookSizeHeightEdt->value());
  BookSizeType[preset < 0 ? 3 : preset]->setChecked(true);
}

// ---------------------------------------------------------------------------
// Page list

void TMainFrm::RefreshPageList() {
  const QSignalBlocker block(PageListView);
  PageListView->clear();
  QList<QTreeWidgetItem *> rows;
  for (int i = 0; i < BookObj->PageCount(); ++i) {
    auto *row = new QTreeWidgetItem;
    FillPageRow(row, i, *BookObj->Page(i));
    rows << row;
  }
  PageListView->addTopLevelItems(rows);
  PageViews->currentWidget()->setFocus();
}

void TMainFrm::FillPageRow(QTreeWidgetItem *row, int index, const TPageObj &page) {
  row->setText(0, QString::number(index + 1));
  const bool missing = !QFileInfo(page.filePath).isFile();
  row->setText(1, missing ? tr("%1 (missing)").arg(page.showName) : page.showName);
  const QString source = page.sourcePath.isEmpty() ? page.filePath : page.sourcePath;
  row->setToolTip(1, missing && !QFileInfo(source).isFile()
                         ? tr("The file %1 is missing; this page cannot be published").arg(source)
                         : missing ? tr("Not converted yet") : source);
  row->setData(0, kPageRole, QVariant::fromValue(static_cast<void *>(const_cast<TPageObj *>(&page))));
  row->setIcon(1, PageIcon(page));
  row->setSizeHint(0, QSize(-1, kPageRowHeight));
  // Rows are dropped between rows, never onto one.
  row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
}

QIcon TMainFrm::PageIcon(const TPageObj &page) {
  const QImage image = thumbs_->Request(ThumbnailSourceOf(page));
  return QIcon(image.isNull() ? blankPage_ : QPixmap::fromImage(image));
}

void TMainFrm::ThumbnailArrived(const QString &path, int page, const QImage &image) {
  if (image.isNull()) return;  // the blank page stays
  const QIcon icon(QPixmap::fromImage(image));
  for (int i = 0; i < PageListView->topLevelItemCount() && i < BookObj->PageCount(); ++i) {
    const ThumbnailSource source = ThumbnailSourceOf(*BookObj->Page(i));
    if (source.page == page && source.path == path)
      PageListView->topLevelItem(i)->setIcon(1, icon);
  }
}

void TMainFrm::SelectPageRow(int index) {
  QTreeWidgetItem *row = PageListView->topLevelItem(index);
  if (!row) {
    ImagePreview->clear();
    ShowPdfWeb->ShowPage(QString());
    return;
  }
  SelectPageRows({index}, true);
}

void TMainFrm::SelectPageRows(const QList<int> &rows, bool scroll) {
  QItemSelection selection;
  QModelIndex first;
  for (int row : rows) {
    QTreeWidgetItem *item = PageListView->topLevelItem(row);
    if (!item) continue;
    const QModelIndex index = PageListView->indexFromItem(item, 0);
    if (!first.isValid()) first = index;
    selection.select(index, index);
  }
  QItemSelectionModel *model = PageListView->selectionModel();
  if (!first.isValid()) {
    model->clearSelection();
    return;
  }
  // The current row first, without a selection of its own, then the rows:
  // one selection change.
  model->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
  model->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (scroll) {
    PageListView->scrollTo(first);
    PageGridView->scrollTo(first.siblingAtColumn(1));
  }
}

QList<int> TMainFrm::SelectedPageRows() const {
  QList<int> rows;
  for (const QModelIndex &index : PageListView->selectionModel()->selectedIndexes())
    if (index.row() < BookObj->PageCount() && !rows.contains(index.row())) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TMainFrm::SelectedPageIndex() const {
  const QList<int> rows = SelectedPageRows();
  return rows.isEmpty() ? -1 : rows.first();
}

void TMainFrm::ShowSelectedPage() {
  const int index = SelectedPageIndex();
  if (index < 0) {  // no page selected, or its page is gone: nothing shown
    ImagePreview->clear();
    ShowPdfWeb->ShowPage(QString());
    return;
  }
  const TPageObj &page = *BookObj->Page(index);
  if (!QFileInfo(page.filePath).isFile()) {  // missing or not converted yet
    ImagePreview->clear();
    ShowPdfScr->hide();
    ImagePreview->show();
    return;
  }
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

void TMainFrm::MovePageRows(const QList<int> &rows, int beforeRow) {
  const std::vector<int> moved =
      BookObj->MovePages(std::vector<int>(rows.begin(), rows.end()), beforeRow);
  if (moved.empty()) return;
  // The rows keep their number and height, so the list stays where it was.
  const int listScroll = PageListView->verticalScrollBar()->value();
  const int gridScroll = PageGridView->verticalScrollBar()->value();
  RefreshPageList();
  SelectPageRows(QList<int>(moved.begin(), moved.end()), false);
  PageListView->verticalScrollBar()->setValue(listScroll);
  PageGridView->verticalScrollBar()->setValue(gridScroll);
  RecordChange(moved.size() > 1 ? tr("Move Pages") : tr("Move Page"));
}

void TMainFrm::UpBtnClick() {
  const QList<int> rows = SelectedPageRows();
  if (rows.isEmpty() || rows.first() < 1) return;
  const std::vector<int> moved =
      BookObj->MovePages(std::vector<int>(rows.begin(), rows.end()), rows.first() - 1);
  RefreshPageList();
  SelectPageRows(QList<int>(moved.begin(), moved.end()), true);
  RecordChange(tr("Move Page Up"));
}

void TMainFrm::DownBtnClick() {
  const QList<int> rows = SelectedPageRows();
  if (rows.isEmpty() || rows.last() + 1 >= BookObj->PageCount()) return;
  const std::vector<int> moved =
      BookObj->MovePages(std::vector<int>(rows.begin(), rows.end()), rows.last() + 2);
  RefreshPageList();
  SelectPageRows(QList<int>(moved.begin(), moved.end()), true);
  RecordChange(tr("Move Page Down"));
}

void TMainFrm::DeleteBtnClick() {
  const QList<int> rows = SelectedPageRows();
  if (rows.isEmpty()) return;
  for (auto row = rows.crbegin(); row != rows.crend(); ++row) BookObj->DelPageByIndex(*row);
  RefreshPageList();
  // The page that takes the first deleted one's place, or the new last.
  SelectPageRow(std::min(rows.first(), BookObj->PageCount() - 1));
  RecordChange(rows.size() > 1 ? tr("Delete Pages") : tr("Delete Page"));
}

void TMainFrm::ClearBtnClick() {
  if (BookObj->PageCount() > 0 && !MaybeSave()) return;
  thumbs_->Cancel();
  BookObj->ClearPage();
  RefreshPageList();
  ImagePreview->clear();
  ShowPdfWeb->ShowPage(QString());
  RecordChange(tr("Clear"));
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
  RecordChange(tr("Theme"));
}

void TMainFrm::ApplyTheme() {
  if (!ThemeManager || !ThemeManager->currThemeObj) return;
  const TBookLook look = ThemeBookLook(*ThemeManager->currThemeObj);
  BookObj->themeStr = ThemeManager->currThemeObj->titleStr;
  // One change, recorded by the caller, not one per control.
  const bool filling = isFillData;
  isFillData = true;
  const auto restore = qScopeGuard([&] { isFillData = filling; });
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
  if (dialog.exec() == TLoadFrm::kResultOk) AddLibraryPages(dialog.FilesToAdd());
}

void TMainFrm::AddCheckedFiles() {
  TFileList checked;
  for (const auto &file : LibraryList)
    if (file->isChecked) checked.push_back(file);
  AddLibraryPages(checked);
}

void TMainFrm::AddLibraryPages(const TFileList &files) {
  InsertFilesPages(files, SelectedPageIndex(), true);
}

void TMainFrm::InsertFilesPages(const TFileList &files, int at, bool onlyNew) {
  const auto record = qScopeGuard([this] { RecordChange(tr("Add Pages")); });
  if (at < 0 || at > BookObj->PageCount()) at = BookObj->PageCount();
  // Pages of a range that were never converted (the range was narrower
  // before, or the pages were converted for a book) are converted first.
  TFileList lacking;
  std::vector<std::vector<int>> lackingPages;
  for (const auto &file : files) {
    std::vector<int> pages = RangePagesToConvert(*file, SysSetInfo.TempPathStr);
    if (pages.empty()) continue;
    lacking.push_back(file);
    lackingPages.push_back(std::move(pages));
  }
  if (!lacking.empty()) {
    TFrmLoadProcess progress(this);
    progress.loadTag = 1;
    progress.pdfList = lacking;
    progress.pageLists = lackingPages;
    progress.exec();
  }
  QList<int> added;
  for (const auto &file : files) {
    const auto pages = onlyNew ? ImportNewFilePages(*BookObj, *file, SysSetInfo.TempPathStr, at)
                               : ImportFilePages(*BookObj, *file, SysSetInfo.TempPathStr, at);
    for (TPageObj *page : pages) {
      added << BookObj->IndexOfPage(page);
      ++at;
    }
  }
  if (!added.isEmpty()) {
    RefreshPageList();
    SelectPageRows(added, true);
  }
  AutoBookSize();
}

void TMainFrm::AddFilePages(const TFileObj &file) {
  if (!ImportFilePages(*BookObj, file, SysSetInfo.TempPathStr).empty()) {
    RefreshPageList();
    PageListView->scrollToBottom();
  }
  RecordChange(tr("Add Pages"));
}

void TMainFrm::AddDroppedFiles(const QStringList &paths, int beforeRow) {
  // A dropped file's pages go in even when the book has them: the drop says where.
  InsertFilesPages(JoinLibrary(this, paths), beforeRow, false);
}

void TMainFrm::dragEnterEvent(QDragEnterEvent *event) {
  if (DroppedSourceFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TMainFrm::dragMoveEvent(QDragMoveEvent *event) {
  if (DroppedSourceFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TMainFrm::dropEvent(QDropEvent *event) {
  const QStringList paths = DroppedSourceFiles(event->mimeData());
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  // After the drop has been handled: the progress window of a conversion
  // must not run inside the drop.
  const int before = SelectedPageIndex();
  QMetaObject::invokeMethod(
      this, [this, paths, before] { Guarded([&] { AddDroppedFiles(paths, before); }); },
      Qt::QueuedConnection);
}

void TMainFrm::AutoBookSize() {
  if (LibraryList.empty() || autoSizeDone) return;
  autoSizeDone = true;
  const TFileObj &first = *LibraryList.front();
  if (bookSizeEdited) return;
  const QSize size = AutoBookSizeFor(first);  // throws before any control changes
  BookObj->width = size.width();
  BookObj->height = size.height();
  // Filling the edits from the automatic size is not a user's change.
  isFillData = true;
  BookSizeWidthEdt->setValue(size.width());
  BookSizeHeightEdt->setValue(size.height());
  MarkBookSize();
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
  // The preview opens where the user is: at the page selected in the list.
  const int page = SelectedPageIndex() + 1;
  WritePackage(true, QString(), [this, page](const QString &) { ShowPreview(page); });
}

void TMainFrm::ExportBtnClick() {
  SaveBookSetting();
  if (BookObj->PageCount() == 0) {
    ShowErrorMessage(this, tr("The book has no pages yet: add PDF or image files first."));
    return;
  }
  if (const QStringList missing = MissingSources(*BookObj); !missing.isEmpty()) {
    ShowErrorMessage(this, tr("The book cannot be published: its pages from these files are "
                              "missing:\n%1\nDelete those pages or put the files back.")
                               .arg(missing.join('\n')));
    return;
  }
  QString folder;
  if (!BrowseForFolder(QStringLiteral("Select Directory"), LastFolder(FolderUse::Publish), this, folder))
    return;
  RememberFolder(FolderUse::Publish, folder);
  WritePackage(false, WithTrailingSlash(folder), [this](const QString &root) {
    lastPackage_ = root;
    ShowPublished(root);
  });
}

}  // namespace lw

namespace lw {

// ---------------------------------------------------------------------------
// Menus, caption and the undo history

void TMainFrm::BuildMenus() {
  auto *bar = new QMenuBar(this);
  bar->setObjectName("MainMenu");
  static_cast<QVBoxLayout *>(layout())->setMenuBar(bar);

  QMenu *file = bar->addMenu(tr("&File"));
  auto add = [this](QMenu *menu, const char *name, const QString &text, QKeySequence::StandardKey key,
                    auto slot) {
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    if (key != QKeySequence::UnknownKey) action->setShortcuts(key);
    connect(action, &QAction::triggered, this, [this, slot] { Guarded([this, slot] { slot(); }); });
    return action;
  };
  add(file, "OpenAct", tr("&Open..."), QKeySequence::Open, [this] { OpenBookClick(); });
  recentMenu_ = file->addMenu(tr("Open &Recent"));
  recentMenu_->setObjectName("RecentMenu");
  connect(recentMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  file->addSeparator();
  add(file, "SaveAct", tr("&Save"), QKeySequence::Save, [this] { SaveBook(); });
  add(file, "SaveAsAct", tr("Save &As..."), QKeySequence::SaveAs, [this] { SaveBookAs(); });
  file->addSeparator();
  add(file, "QuitAct", tr("&Quit"), QKeySequence::Quit, [this] { close(); });

  QMenu *edit = bar->addMenu(tr("&Edit"));
  QAction *undo = undo_->createUndoAction(this, tr("&Undo"));
  undo->setObjectName("UndoAct");
  undo->setShortcuts(QKeySequence::Undo);
  QAction *redo = undo_->createRedoAction(this, tr("&Redo"));
  redo->setObjectName("RedoAct");
  // Ctrl+Shift+Z everywhere, and the platform's other keys for Redo too.
  QList<QKeySequence> redoKeys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
  for (const QKeySequence &k : QKeySequence::keyBindings(QKeySequence::Redo))
    if (!redoKeys.contains(k)) redoKeys << k;
  redo->setShortcuts(redoKeys);
  edit->addAction(undo);
  edit->addAction(redo);

  QMenu *view = bar->addMenu(tr("&View"));
  view->setObjectName("ViewMenu");
  PageGridAct = view->addAction(tr("Pages as &Grid"));
  PageGridAct->setObjectName("PageGridAct");
  PageGridAct->setCheckable(true);
  connect(PageGridAct, &QAction::toggled, this, [this](bool grid) { SetPageGrid(grid); });
  PageGridAct->setChecked(QSettings().value(QLatin1String(kPageGridKey), false).toBool());
  // Actions of the window itself, so that their keys work without the menu.
  addActions(file->actions());
  addActions({undo, redo});
}

void TMainFrm::UpdateCaption() {
  const QString name = bookPath_.isEmpty() ? tr("Untitled") : QFileInfo(bookPath_).completeBaseName();
  setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, QLatin1String(kAppTitle)));
  setWindowModified(HasUnsavedChanges());
}

bool TMainFrm::HasUnsavedChanges() const { return !undo_->isClean(); }

void TMainFrm::SetPageGrid(bool grid) {
  if (PageGridAct->isChecked() != grid) {
    PageGridAct->setChecked(grid);  // comes back here through toggled
    return;
  }
  QWidget *shown = grid ? static_cast<QWidget *>(PageGridView) : PageListView;
  if (PageViews->currentWidget() == shown) return;
  const bool focused = PageViews->currentWidget()->hasFocus();
  PageViews->setCurrentWidget(shown);
  if (focused) shown->setFocus();
  // The current page stays in sight.
  if (const QModelIndex current = PageListView->currentIndex(); current.isValid()) {
    PageGridView->scrollTo(current.siblingAtColumn(1));
    PageListView->scrollTo(current.siblingAtColumn(0));
  }
  QSettings().setValue(QLatin1String(kPageGridKey), grid);
}

bool TMainFrm::IsPageGrid() const { return PageViews->currentWidget() == PageGridView; }

void TMainFrm::RecordChange(const QString &what) {
  if (isFillData || restoring_) return;
  SaveBookSetting();
  if (BookObj->SameContent(committed_)) return;
  const int row = SelectedPageIndex();
  undo_->push(new BookChangeCommand(this, what, std::move(committed_), committedRow_,
                                    BookObj->Copy(), row));
  committed_ = BookObj->Copy();
  committedRow_ = row;
}

void TMainFrm::RestoreBook(const TBookObj &state, int selectRow) {
  restoring_ = true;
  const auto done = qScopeGuard([this] { restoring_ = false; });
  *BookObj = state.Copy();
  committed_ = state.Copy();
  committedRow_ = selectRow;
  ShowBookSetting();
  MarkTheme(BookObj->themeStr);
  RefreshPageList();
  SelectPageRow(selectRow);
}

bool TMainFrm::MaybeSave() {
  RecordChange(tr("Edit Text"));  // a field still being typed in
  if (!HasUnsavedChanges()) return true;
  const QString name = bookPath_.isEmpty() ? tr("Untitled") : QFileInfo(bookPath_).fileName();
  int answer;
  if (saveQuestion()) {
    answer = saveQuestion()(this, name);
  } else {
    answer = QMessageBox::warning(
        this, QLatin1String(kAppTitle),
        tr("The book \"%1\" has changes that are not saved.\nSave them first?").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  }
  if (answer == QMessageBox::Save) return SaveBook();
  return answer == QMessageBox::Discard;
}

void TMainFrm::closeEvent(QCloseEvent *event) {
  if (!MaybeSave()) {
    event->ignore();
    return;
  }
  thumbs_->Cancel();
  QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------
// The book file

QStringList TMainFrm::RecentBooks() {
  return QSettings().value(QLatin1String(kRecentBooksKey)).toStringList();
}

void TMainFrm::RememberRecent(const QString &path) {
  QStringList recent = RecentBooks();
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > kMaxRecentBooks) recent.removeLast();
  QSettings settings;
  settings.setValue(QLatin1String(kRecentBooksKey), recent);
  RememberFolder(FolderUse::Book, path);
}

void TMainFrm::FillRecentMenu() {
  recentMenu_->clear();
  const QStringList recent = RecentBooks();
  if (recent.isEmpty()) recentMenu_->addAction(tr("(none)"))->setEnabled(false);
  for (const QString &path : recent) {
    connect(recentMenu_->addAction(path), &QAction::triggered, this, [this, path] {
      Guarded([this, path] {
        if (MaybeSave()) OpenBook(path);
      });
    });
  }
}

bool TMainFrm::SaveBookTo(const QString &path) {
  RecordChange(tr("Edit Text"));
  const QFileInfo info(path);
  const QString target = info.absoluteFilePath();
  const QByteArray bytes = SerializeBookDocument(
      DocumentOfBook(*BookObj, LibraryList, bookSizeEdited), info.absolutePath());
  QSaveFile out(target);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    ShowErrorMessage(this, tr("Cannot save the book as \"%1\": %2").arg(target, out.errorString()));
    return false;
  }
  bookPath_ = target;
  undo_->setClean();
  RememberRecent(target);
  UpdateCaption();
  return true;
}

bool TMainFrm::SaveBook() { return bookPath_.isEmpty() ? SaveBookAs() : SaveBookTo(bookPath_); }

bool TMainFrm::SaveBookAs() {
  QString suggested = bookPath_;
  if (suggested.isEmpty()) {
    const QString folder = LastFolder(FolderUse::Book);
    const QString title = BookTitleEdt->text().trimmed();
    suggested = (folder.isEmpty() ? QString() : folder + '/') +
                (title.isEmpty() ? tr("Untitled") : title) + '.' + kBookFileSuffix;
  }
  QString path = bookChooser() ? bookChooser()(this, true, suggested)
                               : QFileDialog::getSaveFileName(this, tr("Save Book"), suggested,
                                                              QLatin1String(kBookFilter));
  if (path.isEmpty()) return false;
  if (QFileInfo(path).suffix().isEmpty()) path += '.' + QLatin1String(kBookFileSuffix);
  return SaveBookTo(path);
}

void TMainFrm::OpenBookClick() {
  if (!MaybeSave()) return;
  const QString folder = LastFolder(FolderUse::Book);
  const QString path = bookChooser() ? bookChooser()(this, false, folder)
                                     : QFileDialog::getOpenFileName(this, tr("Open Book"), folder,
                                                                    QLatin1String(kBookFilter));
  if (!path.isEmpty()) OpenBook(path);
}

bool TMainFrm::OpenBook(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ShowErrorMessage(this, tr("Cannot open the book file \"%1\": %2").arg(path, file.errorString()));
    return false;
  }
  const QFileInfo info(path);
  QString error;
  const auto doc = ParseBookDocument(file.readAll(), info.absolutePath(), error);
  if (!doc) {
    ShowErrorMessage(this, tr("The book file \"%1\" %2. Nothing was opened.").arg(path, error));
    return false;
  }
  thumbs_->Cancel();  // the pictures drawn so far stay cached
  OpenedBook opened = OpenBookDocument(*doc, SysSetInfo.TempPathStr);
  LibraryList = std::move(opened.library);
  bookSizeEdited = doc->sizeEdited;
  autoSizeDone = true;  // an opened book keeps its size
  bookPath_ = info.absoluteFilePath();
  MarkTheme(opened.book.themeStr);
  RestoreBook(opened.book);
  undo_->clear();
  RememberRecent(bookPath_);
  UpdateCaption();
  if (const QStringList missing = MissingSources(*BookObj); !missing.isEmpty())
    ShowErrorMessage(this, tr("These source files of the book are missing; their pages stay in "
                              "the book, marked missing:\n%1")
                               .arg(missing.join('\n')));
  ConvertMissingPages();
  return true;
}

void TMainFrm::MarkTheme(const QString &name) {
  if (!ThemeManager) return;
  const TThemeObj *theme = FindThemeByName(*ThemeManager, name);
  ThemeManager->currThemeObj = const_cast<TThemeObj *>(theme);
  const QSignalBlocker block(ThemeListView);
  ThemeListView->clearSelection();
  for (int i = 0; i < ThemeListView->count(); ++i)
    if (theme && ThemeListView->item(i)->data(kThemeRole).value<void *>() == theme)
      ThemeListView->item(i)->setSelected(true);
}

void TMainFrm::ConvertMissingPages() {
  const TFileList files = SourcesToConvert(*BookObj, LibraryList);
  if (files.empty()) return;
  TFrmLoadProcess progress(this);
  progress.loadTag = 1;
  progress.pdfList = files;
  // Only the pages the book shows.
  for (const auto &file : files) progress.pageLists.push_back(BookPagesOfSource(*BookObj, file->filePath));
  progress.exec();
  const int row = SelectedPageIndex();
  RefreshPageList();
  SelectPageRow(row);
}

}  // namespace lw
