#include "ui/tmainfrm.h"

#include "fsutil/fsutil.h"
#include "server/bookserver.h"
#include "ui/browseforfolder.h"
#include "model/bookdocument.h"
#include "model/booksizes.h"
#include "model/pageimport.h"
#include "model/pagerange.h"
#include "model/sourcefiles.h"
#include "model/uconst.h"
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
#include "ui/tfrmloadprocess.h"

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
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLocale>
#include <QGridLayout>
#include <QHBoxLayout>
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
bool OpenUrl(const QUrl &url) {
  return urlOpener() ? urlOpener()(url) : QDesktopServices::openUrl(url);
}
TMainFrm::BookChooser &bookChooser() {
  static TMainFrm::BookChooser chooser;
  return chooser;
}
TMainFrm::ReplaceQuestion &replaceQuestion() {
  static TMainFrm::ReplaceQuestion question;
  return question;
}

constexpr int kMaxRecentBooks = 8;
const char *const kRecentBooksKey = "recentBooks";

constexpr int kPageRowHeight = 34;
// Thumbnails are drawn to fit the grid's pictures; the rows show them
// smaller, beside the page's name.
constexpr QSize kPageThumbBox(60, 80);
constexpr QSize kPageRowIcon(24, 32);
const char *const kPageGridKey = "pageGrid";
const char *const kGeometryKey = "windowGeometry";
const char *const kSplitterKey = "windowSplitter";
// The settings' width when the window opens; the preview takes the rest.
constexpr int kSettingsWidth = 289;
constexpr QSize kImagePreviewSize(187, 150);
constexpr QSize kThumbSize(228, 171);
constexpr int kPageRole = Qt::UserRole;
constexpr int kThemeRole = Qt::UserRole;

// A label for `buddy`: its mnemonic, if any, focuses the buddy.
bool IsPdfPath(const QString &name) { return name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive); }

QLabel *AddLabel(const QString &text, QWidget *buddy) {
  auto *label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

QPushButton *AddButton(QWidget *parent, const char *name, const QString &caption) {
  auto *button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

}  // namespace

void TMainFrm::SetImageChooser(ImageChooser chooser) { imageChooser() = std::move(chooser); }
void TMainFrm::SetSaveQuestion(SaveQuestion question) { saveQuestion() = std::move(question); }
void TMainFrm::SetBookChooser(BookChooser chooser) { bookChooser() = std::move(chooser); }
void TMainFrm::SetUrlOpener(UrlOpener opener) { urlOpener() = std::move(opener); }
void TMainFrm::SetReplaceQuestion(ReplaceQuestion question) { replaceQuestion() = std::move(question); }

TMainFrm::TMainFrm(QWidget *parent, const QString &appDir) : QWidget(parent) {
  setObjectName("MainFrm");
  setWindowFlag(Qt::Window);
  session_ = new BookSession(this);
  // The controls hold the settings the user is editing: the book takes them
  // before it changes and before it is written.
  session_->SetEditsSource([this](TBookObj &) {
    if (!isFillData) SaveBookSetting();
  });
  session_->SetConverter([this](const TFileList &files, const std::vector<std::vector<int>> &pages) {
    TFrmLoadProcess progress(this);
    progress.loadTag = TFrmLoadProcess::LoadMode::Convert;
    progress.pdfList = files;
    progress.pageLists = pages;
    progress.exec();
  });
  connect(session_, &BookSession::bookChanged, this, &TMainFrm::OnBookChanged);
  connect(session_, &BookSession::pagesChanged, this, &TMainFrm::OnPagesChanged);
  connect(session_, &BookSession::settingsChanged, this, [this] {
    ShowBookSetting();
    UpdateStatus();
  });
  connect(session_, &BookSession::problem, this, &TMainFrm::OnProblem);
  // A message about the last command is out of date once the book changed.
  connect(session_, &BookSession::recorded, this, [this] {
    StatusBar->clearMessage();
    UpdateStatus();
  });
  connect(session_, &BookSession::unsavedChanged, this, [this] { UpdateCaption(); });
  connect(session_, &BookSession::packageProgress, this, [this](int done, int total) {
    WriteProgressBar->setRange(0, total);
    WriteProgressBar->setValue(done);
  });
  connect(session_, &BookSession::packageWritten, this, [this](const QString &root) { PackageEnded(root, {}); });
  connect(session_, &BookSession::packageFailed, this,
          [this](const QString &message) { PackageEnded({}, message); });
  connect(session_, &BookSession::pathChanged, this, [this](const QString &path) {
    if (!path.isEmpty()) RememberRecent(path);
    UpdateCaption();
  });
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
  // The menu bar on top, the controls below it; the page list and the
  // preview take the room the window has beyond its opening size.
  client_ = new QWidget(this);
  client_->setObjectName("ClientArea");
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(client_);
  BuildControls();
  BuildMenus();
  UpdateCaption();
  UpdateStatus();
  // Opens at the size of its controls' area below the menu bar, or as the
  // user last left it.
  const QSize opening(kClientWidth, kClientHeight + layout->menuBar()->sizeHint().height());
  resize(opening.expandedTo(minimumSizeHint()));
  placed_ = restoreGeometry(QSettings().value(QLatin1String(kGeometryKey)).toByteArray());
  Splitter->restoreState(QSettings().value(QLatin1String(kSplitterKey)).toByteArray());
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::ShowPublished(const QString &root) {
  auto *box = new QMessageBox(QMessageBox::Information, QLatin1String(kAppTitle),
                              tr("The book is published in\n%1").arg(QDir::toNativeSeparators(root)),
                              QMessageBox::Close, this);
  box->setObjectName("PublishedBox");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  QPushButton *folder = box->addButton(tr("Open &Folder"), QMessageBox::ActionRole);
  folder->setObjectName("OpenFolderBtn");
  QPushButton *view = box->addButton(tr("&View in Browser"), QMessageBox::ActionRole);
  view->setObjectName("ViewInBrowserBtn");
  connect(box, &QMessageBox::buttonClicked, this, [this, root, folder, view](QAbstractButton *b) {
    if (b == folder && !OpenUrl(QUrl::fromLocalFile(root)))
      ShowErrorMessage(this, tr("No file manager could be started to show the folder. Its path, to "
                                "copy:\n%1").arg(QDir::toNativeSeparators(root)));
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
  const QUrl address(QStringLiteral("http://127.0.0.1:%1/").arg(port));
  if (!OpenUrl(address)) {
    ShowErrorMessage(this, tr("No web browser could be started. The book is served at this address "
                              "while Leafweaver runs; copy it into a browser:\n%1")
                               .arg(address.toString()));
    return;
  }
  ShowStatusMessage(tr("The book is served at %1 while Leafweaver runs.").arg(address.toString()));
}

void TMainFrm::FormCreate(const QString &appDir) {
  InitWorkspace(appDir);
  QApplication::setApplicationDisplayName(kAppTitle);
}

void TMainFrm::Guarded(const std::function<void()> &action) { RunGuarded(this, action); }

// ---------------------------------------------------------------------------
// Controls

void TMainFrm::BuildControls() {
  auto *column = new QVBoxLayout(client_);
  column->setContentsMargins(4, 0, 4, 0);
  column->setSpacing(6);

  // The commands, with the progress of a package being written beside them.
  auto *commands = new QHBoxLayout;
  commands->setContentsMargins(4, 10, 0, 0);
  commands->setSpacing(6);
  AddFileBtn = AddButton(nullptr, "AddFileBtn", tr("&Add Files"));
  PreviewBtn = AddButton(nullptr, "PreviewBtn", tr("&Preview"));
  ExportBtn = AddButton(nullptr, "ExportBtn", tr("Pub&lish"));
  for (QPushButton *b : {AddFileBtn, PreviewBtn, ExportBtn}) {
    b->setMinimumWidth(90);
    commands->addWidget(b);
  }
  commands->addSpacing(8);
  // Pages written of all while a package is being written.
  WriteProgressBar = new QProgressBar;
  WriteProgressBar->setObjectName("WriteProgressBar");
  WriteProgressBar->setFixedWidth(260);
  WriteProgressBar->setFormat(QStringLiteral("Writing page %v of %m"));
  // Hidden, it keeps its room, so the buttons do not move.
  QSizePolicy keep = WriteProgressBar->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  WriteProgressBar->setSizePolicy(keep);
  WriteProgressBar->hide();
  commands->addWidget(WriteProgressBar);
  commands->addStretch(1);
  column->addLayout(commands);

  // The settings on the left, the preview taking the rest; the user may
  // move the border between them.
  Splitter = new QSplitter(Qt::Horizontal);
  Splitter->setObjectName("MainSplitter");
  Splitter->setChildrenCollapsible(false);
  Splitter->setHandleWidth(8);
  SetingTabCon = new QTabWidget;
  SetingTabCon->setObjectName("SetingTabCon");
  SetingTabCon->addTab(BuildThemeTab(), tr("&Theme"));
  SetingTabCon->addTab(BuildBookTab(), tr("&Book Setting"));
  SetingTabCon->addTab(BuildPageTab(), tr("Pa&ge Setting"));
  SetingTabCon->setCurrentIndex(0);
  PreViewWeb = new PreviewWeb;
  PreViewWeb->setObjectName("PreViewWeb");
  PreViewWeb->setMinimumSize(320, 240);
  // Files dropped on the preview go to the window, as anywhere else.
  PreViewWeb->setAcceptDrops(false);
  setAcceptDrops(true);
  Splitter->addWidget(SetingTabCon);
  Splitter->addWidget(PreViewWeb);
  Splitter->setStretchFactor(0, 0);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({kSettingsWidth, kClientWidth - kSettingsWidth});
  column->addWidget(Splitter, 1);

  // Book pages, book size and the last publishing; messages for the user
  // show on the left until the next change of the book.
  StatusBar = new QStatusBar;
  StatusBar->setObjectName("StatusBar");
  StatusBar->setSizeGripEnabled(false);
  auto addInfo = [this](const char *name) {
    auto *label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setContentsMargins(10, 0, 10, 0);
    label->setFrameShape(QFrame::StyledPanel);
    StatusBar->addPermanentWidget(label);
    return label;
  };
  PageCountLbl = addInfo("PageCountLbl");
  BookSizeLbl = addInfo("BookSizeLbl");
  LastPublishLbl = addInfo("LastPublishLbl");
  column->addWidget(StatusBar);

  connect(AddFileBtn, &QPushButton::clicked, this, [this] { Guarded([this] { InsertBtnClick(); }); });
  connect(PreviewBtn, &QPushButton::clicked, this, [this] { Guarded([this] { PreviewBtnClick(); }); });
  connect(ExportBtn, &QPushButton::clicked, this, [this] { Guarded([this] { ExportBtnClick(); }); });
}

QWidget *TMainFrm::BuildThemeTab() {
  auto *tab = new QWidget;
  tab->setObjectName("ThemeTab");
  auto *layout = new QVBoxLayout(tab);
  layout->setContentsMargins(2, 2, 2, 2);
  ThemeListView = new QListWidget;
  ThemeListView->setObjectName("ThemeListView");
  ThemeListView->setViewMode(QListView::IconMode);
  ThemeListView->setIconSize(kThumbSize);
  ThemeListView->setResizeMode(QListView::Adjust);
  ThemeListView->setMovement(QListView::Static);
  ThemeListView->setSelectionMode(QAbstractItemView::SingleSelection);
  ThemeListView->setSpacing(4);
  layout->addWidget(ThemeListView);
  connect(ThemeListView, &QListWidget::itemSelectionChanged, this,
          [this] { Guarded([this] { ThemeListViewSelectItem(); }); });
  // A click on the theme in use (no change of selection) puts its look back
  // after the colours were changed by hand.
  connect(ThemeListView, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
    Guarded([this, item] {
      if (!ThemeManager || !item->isSelected()) return;
      if (item->data(kThemeRole).value<void *>() != ThemeManager->currThemeObj) return;
      session_->ApplyTheme(*ThemeManager->currThemeObj);
    });
  });
  return tab;
}

QWidget *TMainFrm::BuildBookTab() {
  // The groups scroll when the window is lower than they are.
  auto *tab = new QScrollArea;
  tab->setObjectName("BookTab");
  tab->setWidgetResizable(true);
  tab->setFrameShape(QFrame::NoFrame);
  auto *content = new QWidget;
  content->setObjectName("BookTabContent");
  auto *column = new QVBoxLayout(content);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(6);

  auto *basic = new QGroupBox(tr("Basic"));
  basic->setObjectName("BasicGrp");
  auto *basicGrid = new QGridLayout(basic);
  auto addEdit = [&](const char *name, const QString &label, int row) {
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    basicGrid->addWidget(AddLabel(label, edit), row, 0);
    basicGrid->addWidget(edit, row, 1);
    return edit;
  };
  BookTitleEdt = addEdit("BookTitleEdt", tr("Book T&itle:"), 0);
  BookKeywordEdt = addEdit("BookKeywordEdt", tr("&Keywords:"), 1);
  BookDesEdt = addEdit("BookDesEdt", tr("&Description:"), 2);
  PortableChk = new QCheckBox(tr("Opens from a disk"));
  PortableChk->setObjectName("PortableChk");
  PortableChk->setToolTip(tr("The published book also opens by double-click from a folder, a USB stick "
                             "or a mail attachment, without a web server (about 12 MB more)"));
  basicGrid->addWidget(PortableChk, 3, 1);
  basicGrid->setColumnStretch(1, 1);
  column->addWidget(basic);
  connect(PortableChk, &QCheckBox::toggled, this, [this] { RecordChange(tr("Opens from a Disk")); });
  for (QLineEdit *edit : {BookTitleEdt, BookKeywordEdt, BookDesEdt})
    connect(edit, &QLineEdit::editingFinished, this, [this] { RecordChange(tr("Edit Text")); });

  auto *background = new QGroupBox(tr("Background"));
  background->setObjectName("BackgroundGrp");
  auto *backgroundGrid = new QGridLayout(background);
  BgImageRad = new QRadioButton(tr("Image"));
  BgImageRad->setObjectName("BgImageRad");
  BgImageEdt = new QLineEdit;
  BgImageEdt->setObjectName("BgImageEdt");
  BgImageEdt->setReadOnly(true);
  BgImageBtn = AddButton(nullptr, "BgImageBtn", ">>");
  BgImageBtn->setToolTip(tr("Choose the background image"));
  BgImageBtn->setMaximumWidth(44);
  auto *imageRow = new QHBoxLayout;
  imageRow->setSpacing(4);
  imageRow->addWidget(BgImageEdt, 1);
  imageRow->addWidget(BgImageBtn);
  BgColorRad = new QRadioButton(tr("Color"));
  BgColorRad->setObjectName("BgColorRad");
  BgColorBtn = new TColorButton;
  BgColorBtn->setObjectName("BgColorBtn");
  BgColorBtn->setFixedSize(60, 26);
  backgroundGrid->addWidget(BgImageRad, 0, 0);
  backgroundGrid->addLayout(imageRow, 0, 1);
  backgroundGrid->addWidget(BgColorRad, 1, 0);
  backgroundGrid->addWidget(BgColorBtn, 1, 1, Qt::AlignLeft);
  backgroundGrid->setColumnStretch(1, 1);
  column->addWidget(background);
  for (QRadioButton *radio : {BgImageRad, BgColorRad})
    connect(radio, &QRadioButton::clicked, this, [this] {
      Guarded([this] {
        UpdateBackgroundControls();
        RecordChange(tr("Background"));
      });
    });
  connect(BgImageBtn, &QPushButton::clicked, this, [this] { Guarded([this] { BgImageBtnClick(); }); });

  auto *style = new QGroupBox(tr("Style"));
  style->setObjectName("StyleGrp");
  auto *styleGrid = new QGridLayout(style);
  ButtonColorBtn = new TColorButton;
  ButtonColorBtn->setObjectName("ButtonColorBtn");
  PanelColorBtn = new TColorButton;
  PanelColorBtn->setObjectName("PanelColorBtn");
  for (TColorButton *button : {ButtonColorBtn, PanelColorBtn}) button->setFixedSize(60, 26);
  styleGrid->addWidget(AddLabel(tr("Button Color:"), ButtonColorBtn), 0, 0);
  styleGrid->addWidget(ButtonColorBtn, 0, 1, Qt::AlignLeft);
  styleGrid->addWidget(AddLabel(tr("Panel Color:"), PanelColorBtn), 1, 0);
  styleGrid->addWidget(PanelColorBtn, 1, 1, Qt::AlignLeft);
  RtlChk = new QCheckBox(tr("Right to left"));
  RtlChk->setObjectName("RtlChk");
  RtlChk->setToolTip(tr("Page 1 left of the spine, pages turning to the right (Arabic, Hebrew, manga)"));
  styleGrid->addWidget(RtlChk, 2, 0, 1, 3);
  styleGrid->setColumnStretch(2, 1);
  column->addWidget(style);
  connect(RtlChk, &QCheckBox::toggled, this, [this] { RecordChange(tr("Reading Direction")); });
  for (TColorButton *button : {BgColorBtn, ButtonColorBtn, PanelColorBtn})
    connect(button, &TColorButton::colorChanged, this, [this] { RecordChange(tr("Color")); });

  auto *size = new QGroupBox(tr("Book Size Setting"));
  size->setObjectName("BookSizeGrp");
  auto *sizeGrid = new QGridLayout(size);
  auto *presets = new QHBoxLayout;
  const char *captions[4] = {"A3", "A4", "A5", "Other"};
  for (int i = 0; i < 4; ++i) {
    auto *radio = new QRadioButton(tr(captions[i]));
    radio->setObjectName(QStringLiteral("BookSizeType%1").arg(i + 1));
    presets->addWidget(radio);
    BookSizeType[i] = radio;
    if (i < 3)
      connect(radio, &QRadioButton::clicked, this, [this, i] { Guarded([this, i] { BookSizeType1Click(i); }); });
  }
  presets->addStretch(1);
  sizeGrid->addLayout(presets, 0, 0, 1, 3);
  auto addSpin = [&](const char *name, const QString &label, int row) {
    auto *spin = new QSpinBox;
    spin->setObjectName(QLatin1String(name));
    spin->setRange(1, 9999);
    spin->setMinimumWidth(90);
    sizeGrid->addWidget(AddLabel(label, spin), row, 0);
    sizeGrid->addWidget(spin, row, 1);
    connect(spin, &QSpinBox::textChanged, this, [this] { Guarded([this] { BookSizeWidthEdtChange(); }); });
    connect(spin, &QSpinBox::editingFinished, this, [this] { RecordChange(tr("Book Size")); });
    return spin;
  };
  BookSizeWidthEdt = addSpin("BookSizeWidthEdt", tr("&Width:"), 1);
  BookSizeHeightEdt = addSpin("BookSizeHeightEdt", tr("Height:"), 2);
  sizeGrid->setColumnStretch(2, 1);
  column->addWidget(size);
  column->addStretch(1);
  tab->setWidget(content);
  // As wide as the groups need at the font in use: they scroll up and down,
  // never sideways.
  tab->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  tab->setMinimumWidth(content->minimumSizeHint().width() + tab->verticalScrollBar()->sizeHint().width());
  return tab;
}

QWidget *TMainFrm::BuildPageTab() {
  auto *tab = new QWidget;
  tab->setObjectName("PageTab");
  auto *column = new QVBoxLayout(tab);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(10);

  // The selected page: a picture page in ImagePreview, a converted page in
  // the page browser, both in one place.
  auto *previewArea = new QWidget;
  previewArea->setObjectName("PagePreviewArea");
  previewArea->setFixedSize(kImagePreviewSize);
  auto *stack = new QGridLayout(previewArea);
  stack->setContentsMargins(0, 0, 0, 0);
  ImagePreview = new QLabel;
  ImagePreview->setObjectName("ImagePreview");
  ImagePreview->setAlignment(Qt::AlignCenter);
  ImagePreview->setFrameShape(QFrame::StyledPanel);
  ShowPdfScr = new QScrollArea;
  ShowPdfScr->setObjectName("ShowPdfScr");
  ShowPdfScr->setWidgetResizable(true);
  ShowPdfWeb = new PageWeb(SysSetInfo.PreviewPath);
  ShowPdfWeb->setObjectName("ShowPdfWeb");
  ShowPdfScr->setWidget(ShowPdfWeb);
  stack->addWidget(ImagePreview, 0, 0);
  stack->addWidget(ShowPdfScr, 0, 0);
  ShowPdfScr->raise();  // in front of ImagePreview until a page is shown

  auto *top = new QHBoxLayout;
  top->setSpacing(10);
  top->addWidget(previewArea, 0, Qt::AlignTop);
  auto *buttonColumn = new QVBoxLayout;
  buttonColumn->setSpacing(5);
  const struct {
    const char *name;
    const char *caption;
    QPushButton **button;
  } buttons[] = {{"InsertBtn", QT_TR_NOOP("&Insert"), &InsertBtn},
                 {"DeleteBtn", QT_TR_NOOP("&Delete"), &DeleteBtn},
                 {"ClearBtn", QT_TR_NOOP("Clea&r"), &ClearBtn},
                 {"DownBtn", QT_TR_NOOP("Do&wn"), &DownBtn},
                 {"UpBtn", QT_TR_NOOP("&Up"), &UpBtn}};
  for (const auto &b : buttons) {
    *b.button = AddButton(nullptr, b.name, tr(b.caption));
    (*b.button)->setMinimumWidth(70);
    buttonColumn->addWidget(*b.button);
  }
  buttonColumn->addStretch(1);
  top->addLayout(buttonColumn);
  top->addStretch(1);
  column->addLayout(top);
  connect(InsertBtn, &QPushButton::clicked, this, [this] { Guarded([this] { InsertBtnClick(); }); });
  connect(DeleteBtn, &QPushButton::clicked, this, [this] { Guarded([this] { DeleteBtnClick(); }); });
  connect(ClearBtn, &QPushButton::clicked, this, [this] { Guarded([this] { ClearBtnClick(); }); });
  connect(DownBtn, &QPushButton::clicked, this, [this] { Guarded([this] { DownBtnClick(); }); });
  connect(UpBtn, &QPushButton::clicked, this, [this] { Guarded([this] { UpBtnClick(); }); });

  PageViews = new QStackedWidget;
  PageViews->setObjectName("PageViews");
  PageViews->setMinimumHeight(120);
  PageListView = new PageListWidget;
  PageListView->setObjectName("PageListView");
  PageListView->setRootIsDecorated(false);
  PageListView->setUniformRowHeights(true);
  PageListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
  PageListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  PageListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  PageListView->setIconSize(kPageRowIcon);
  PageListView->setContextMenuPolicy(Qt::CustomContextMenu);
  PageGridView = new PageGridWidget(PageListView);
  PageGridView->setObjectName("PageGridView");
  PageGridView->setIconSize(kPageThumbBox);
  PageGridView->setContextMenuPolicy(Qt::CustomContextMenu);
  PageViews->addWidget(PageListView);
  PageViews->addWidget(PageGridView);
  column->addWidget(PageViews, 1);
  connect(PageListView, &QTreeWidget::itemSelectionChanged, this, [this] {
    // The rows the user selects are the ones undo selects again.
    if (!selecting_ && !isFillData) session_->SetSelection(SelectedPageRows());
    Guarded([this] { ShowSelectedPage(); });
  });
  connect(PageListView, &PageListWidget::rowsDropped, this, [this](const QList<int> &rows, int before) {
    Guarded([&] { MovePageRows(rows, before); });
  });
  // After the drop has been handled: the progress window of a conversion
  // must not run inside the drop.
  connect(PageListView, &PageListWidget::filesDropped, this,
          [this](const QStringList &paths, int before) {
            Guarded([&] { AddDroppedFiles(paths, before); });
          }, Qt::QueuedConnection);
  for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(PageListView),
                                  static_cast<QAbstractItemView *>(PageGridView)})
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint &at) { ShowPageMenu(view->viewport()->mapToGlobal(at)); });
  return tab;
}

// ---------------------------------------------------------------------------
// Start-up

void TMainFrm::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FitToScreen();
  Guarded([this] { FormShow(); });
}

void TMainFrm::FitToScreen() {
  const QScreen *screen = this->screen();
  if (!screen || isMaximized() || isFullScreen()) return;
  const QRect area = screen->availableGeometry();
  // The frame the window manager adds, once it is known; a little room
  // for it before.
  const QSize frame = frameGeometry().size() - size();
  const QSize room = (area.size() - (frame.isEmpty() ? QSize(16, 40) : frame)).expandedTo(minimumSizeHint());
  if (width() > room.width() || height() > room.height()) resize(size().boundedTo(room));
  if (!placed_ || !area.contains(frameGeometry())) move(area.center() - rect().center());
}

void TMainFrm::FormShow() {
  ShowBookSetting();
  // The sample stands in the preview until the book is previewed; its page
  // is filled in so that no placeholder of the template shows.
  const bool opened = !session_->bookPath().isEmpty();
  if (!opened) {
    WriteSamplePage(session_->book(), SysSetInfo);
    ShowPreview();
  }
  ThemeManager = std::make_unique<TThemeManager>(SysSetInfo.ThemePath);
  FillThemeList();
  // A book opened before the window was shown keeps its own look; the look
  // of the starting theme is where the history of a new one begins.
  if (!opened && ThemeManager->currThemeObj) session_->ApplyTheme(*ThemeManager->currThemeObj, true);
  MarkTheme(session_->book().themeStr);
}

void TMainFrm::ShowPreview(int page) { PreViewWeb->ShowPreview(SysSetInfo.PreviewHtmlPath, page); }

// ---------------------------------------------------------------------------
// Book settings

void TMainFrm::ShowBookSetting() {
  isFillData = true;
  const TBookObj &book = session_->book();
  BookTitleEdt->setText(book.titleStr);
  BookKeywordEdt->setText(book.keywordStr);
  BookDesEdt->setText(book.desStr);
  if (book.backgroundType != TBackgroundKind::Image)
    BgColorRad->setChecked(true);
  else
    BgImageRad->setChecked(true);
  BgImageEdt->setText(book.backgroundImage);
  BgColorBtn->setColor(book.backgroundColor);
  UpdateBackgroundControls();
  ButtonColorBtn->setColor(book.buttonColor);
  PanelColorBtn->setColor(book.panelColor);
  RtlChk->setChecked(book.rightToLeft);
  PortableChk->setChecked(book.portable);
  BookSizeWidthEdt->setValue(book.width);
  BookSizeHeightEdt->setValue(book.height);
  MarkBookSize();
  isFillData = false;
}

void TMainFrm::SaveBookSetting() {
  TBookObj &book = session_->book();
  book.titleStr = BookTitleEdt->text();
  book.keywordStr = BookKeywordEdt->text();
  book.desStr = BookDesEdt->text();
  book.backgroundType = BgImageRad->isChecked() ? TBackgroundKind::Image : TBackgroundKind::Color;
  book.backgroundImage = BgImageEdt->text();
  book.backgroundColor = BgColorBtn->color();
  book.buttonColor = ButtonColorBtn->color();
  book.panelColor = PanelColorBtn->color();
  book.rightToLeft = RtlChk->isChecked();
  book.portable = PortableChk->isChecked();
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
  if (const QString problem = PictureFileProblem(path); !problem.isEmpty()) {
    ShowErrorMessage(this, tr("\"%1\" cannot be the background: it %2.").arg(QDir::toNativeSeparators(path), problem));
    return;
  }
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
  if (!isFillData) session_->SetSizeEdited(true);
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
  for (int i = 0; i < session_->book().PageCount(); ++i) {
    auto *row = new QTreeWidgetItem;
    FillPageRow(row, i, *session_->book().Page(i));
    rows << row;
  }
  PageListView->addTopLevelItems(rows);
  PageViews->currentWidget()->setFocus();
}

void TMainFrm::FillPageRow(QTreeWidgetItem *row, int index, const TPageObj &page) {
  row->setText(0, QString::number(index + 1));
  const QString source = page.sourcePath.isEmpty() ? page.filePath : page.sourcePath;
  // A page whose source is gone is missing even while its converted page
  // file is still kept: the book cannot be published so.
  const bool sourceGone = !QFileInfo(source).isFile();
  const bool unconverted = !QFileInfo(page.filePath).isFile();
  row->setText(1, sourceGone ? tr("%1 (missing)").arg(page.showName) : page.showName);
  row->setToolTip(1, sourceGone
                         ? tr("The file %1 is missing; this page cannot be published. Edit > Locate "
                              "Missing File points the book at it.").arg(source)
                         : unconverted ? tr("Not converted yet") : source);
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
  for (int i = 0; i < PageListView->topLevelItemCount() && i < session_->book().PageCount(); ++i) {
    const ThumbnailSource source = ThumbnailSourceOf(*session_->book().Page(i));
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
  // The program's selection, not the user's: not what undo goes back to.
  selecting_ = true;
  const auto done = qScopeGuard([this] { selecting_ = false; });
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
    if (index.row() < session_->book().PageCount() && !rows.contains(index.row())) rows << index.row();
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
  const TPageObj &page = *session_->book().Page(index);
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
  // The rows keep their number and height, so the list stays where it was.
  const QList<int> moved =
      session_->MovePages(rows, beforeRow, rows.size() > 1 ? tr("Move Pages") : tr("Move Page"));
  if (!moved.isEmpty()) SelectPageRows(moved, false);
}

void TMainFrm::UpBtnClick() {
  const QList<int> rows = SelectedPageRows();
  if (rows.isEmpty() || rows.first() < 1) return;
  SelectPageRows(session_->MovePages(rows, rows.first() - 1, tr("Move Page Up")), true);
}

void TMainFrm::DownBtnClick() {
  const QList<int> rows = SelectedPageRows();
  if (rows.isEmpty() || rows.last() + 1 >= session_->book().PageCount()) return;
  SelectPageRows(session_->MovePages(rows, rows.last() + 2, tr("Move Page Down")), true);
}

void TMainFrm::DeleteBtnClick() {
  const QList<int> rows = SelectedPageRows();
  if (rows.isEmpty()) return;
  SelectPageRow(session_->DeletePages(rows));
}

void TMainFrm::ClearBtnClick() {
  if (session_->book().PageCount() > 0 && !MaybeSave()) return;
  thumbs_->Cancel();
  session_->ClearPages();
  ImagePreview->clear();
  ShowPdfWeb->ShowPage(QString());
}

void TMainFrm::OnPagesChanged() {
  // The list stays where it is scrolled, with the rows selected before;
  // the command that changed the pages selects its own.
  const QList<int> rows = SelectedPageRows();
  const int listScroll = PageListView->verticalScrollBar()->value();
  const int gridScroll = PageGridView->verticalScrollBar()->value();
  RefreshPageList();
  SelectPageRows(rows, false);
  PageListView->verticalScrollBar()->setValue(listScroll);
  PageGridView->verticalScrollBar()->setValue(gridScroll);
  UpdateStatus();
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
  session_->ApplyTheme(*theme);
}

void TMainFrm::ApplyTheme() {
  if (ThemeManager && ThemeManager->currThemeObj) session_->ApplyTheme(*ThemeManager->currThemeObj);
}

// ---------------------------------------------------------------------------
// Adding files

void TMainFrm::InsertBtnClick() {
  TLoadFrm dialog(session_->library(), this);
  dialog.ShowTag = TLoadFrm::ShowMode::Pick;
  if (dialog.exec() != TLoadFrm::kResultOk) return;
  const int before = session_->book().PageCount();
  AddLibraryPages(dialog.FilesToAdd());
  if (session_->book().PageCount() > before) return;
  // Nothing went in: say why where the user looks.
  const TFileList &library = session_->library();
  const bool anyTicked = std::any_of(library.begin(), library.end(),
                                     [](const auto &file) { return file->isChecked; });
  ShowStatusMessage(anyTicked ? tr("Nothing was added: the book has every page of the ticked files.")
                              : tr("Nothing was added: tick the files whose pages the book takes."));
}

void TMainFrm::AddCheckedFiles() {
  TFileList checked;
  for (const auto &file : session_->library())
    if (file->isChecked) checked.push_back(file);
  AddLibraryPages(checked);
}

void TMainFrm::AddLibraryPages(const TFileList &files) {
  InsertFilesPages(files, SelectedPageIndex(), true);
}

void TMainFrm::InsertFilesPages(const TFileList &files, int at, bool onlyNew) {
  const QList<int> added = session_->InsertFiles(files, at, onlyNew);
  if (!added.isEmpty()) SelectPageRows(added, true);
}

void TMainFrm::AddFilePages(const TFileObj &file) {
  if (!session_->AppendFilePages(file).isEmpty()) PageListView->scrollToBottom();
}

void TMainFrm::AddDroppedFiles(const QStringList &paths, int beforeRow) {
  // A dropped file's pages go in even when the book has them: the drop says where.
  const TFileList files = JoinLibrary(this, session_->library(), paths);
  InsertFilesPages(files, beforeRow, false);
  // What could not be used is said at once, each file with its reason.
  QStringList refused;
  for (const QString &path : paths) {
    const auto file = FindSourceFile(files, path);
    QString why;
    if (!IsSupportedSourceFile(path))
      why = QFileInfo(path).isDir() ? tr("a folder") : tr("not a PDF or a PNG, JPEG or BMP picture");
    else if (!file)
      why = tr("its conversion was cancelled");
    else if (file->AddsNoPages())
      why = TLoadFrm::CellProblemText(file->problemStr.isEmpty() ? QStringLiteral("has no pages")
                                                                 : file->problemStr);
    if (!why.isEmpty()) refused << QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), why);
  }
  if (!refused.isEmpty())
    ShowErrorMessage(this, tr("These files were not added to the book:\n%1").arg(refused.join('\n')));
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
  if (DroppedSourceFiles(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  // Every file, so that the ones the library does not take are named.
  const QStringList paths = DroppedLocalFiles(event->mimeData());
  event->acceptProposedAction();
  // After the drop has been handled: the progress window of a conversion
  // must not run inside the drop.
  const int before = SelectedPageIndex();
  QMetaObject::invokeMethod(
      this, [this, paths, before] { Guarded([&] { AddDroppedFiles(paths, before); }); },
      Qt::QueuedConnection);
}


// ---------------------------------------------------------------------------
// Preview and publishing

void TMainFrm::SetCommandsEnabled(bool enabled) {
  // The writer has its own copy of the book, so the settings and the page
  // list stay usable; only the commands that write a package wait.
  for (QPushButton *b : {AddFileBtn, PreviewBtn, ExportBtn}) b->setEnabled(enabled);
  for (const char *name : {"AddFilesAct", "PreviewAct", "PublishAct", "NewAct", "OpenAct"})
    if (auto *action = findChild<QAction *>(QLatin1String(name))) action->setEnabled(enabled);
}

void TMainFrm::WritePackage(bool isPreview, const QString &folder,
                            const std::function<void(const QString &root)> &then,
                            const QString &replaceRoot) {
  if (!session_->WritePackage(isPreview, folder, replaceRoot)) return;  // one package at a time
  afterPackage_ = then;
  SetCommandsEnabled(false);
  const int pages = session_->book().PageCount();
  WriteProgressBar->setRange(0, std::max(1, pages));
  WriteProgressBar->setValue(0);
  WriteProgressBar->setVisible(pages > 0);
}

void TMainFrm::PackageEnded(const QString &root, const QString &failure) {
  WriteProgressBar->hide();
  SetCommandsEnabled(true);
  if (previewPending_) {
    previewPending_ = false;
    QTimer::singleShot(0, this, [this] { Guarded([this] { PreviewCurrentBook(); }); });
  }
  const auto then = std::move(afterPackage_);
  afterPackage_ = nullptr;
  if (!failure.isEmpty())
    ShowErrorMessage(this, failure);
  else if (then)
    Guarded([&] { then(root); });
  emit packageWritten(failure.isEmpty() ? root : QString());
}

void TMainFrm::PreviewBtnClick() {
  // The preview opens where the user is: at the page selected in the list.
  const int page = SelectedPageIndex() + 1;
  WritePackage(true, QString(), [this, page](const QString &) { ShowPreview(page); });
}

void TMainFrm::ExportBtnClick() {
  SaveBookSetting();
  const TBookObj &book = session_->book();
  if (session_->book().PageCount() == 0) {
    ShowErrorMessage(this, tr("The book has no pages yet: add PDF or image files first."));
    return;
  }
  if (const QStringList missing = MissingSources(book); !missing.isEmpty()) {
    ShowErrorMessage(this, tr("The book cannot be published: its pages from these files are "
                              "missing:\n%1\nDelete those pages or put the files back, or "
                              "point the book at them with Edit > Locate Missing File.")
                               .arg(missing.join('\n')));
    return;
  }
  QString folder;
  if (!BrowseForFolder(QStringLiteral("Select Directory"), LastFolder(FolderUse::Publish), this, folder))
    return;
  RememberFolder(FolderUse::Publish, folder);
  // A book published there before under its title: replace it, or keep
  // both (the new one's folder then has the date too).
  QString replace;
  if (const QString previous = PublishedBookOfTitle(folder, book.titleStr); !previous.isEmpty()) {
    const int answer =
        replaceQuestion()
            ? replaceQuestion()(this, previous)
            : [&] {
                QMessageBox box(QMessageBox::Question, QLatin1String(kAppTitle),
                                tr("A book is already published in\n%1\nReplace it with this "
                                   "one?").arg(QDir::toNativeSeparators(previous)),
                                QMessageBox::Cancel, this);
                box.setObjectName("ReplaceBox");
                QPushButton *yes = box.addButton(tr("&Replace"), QMessageBox::AcceptRole);
                QPushButton *both = box.addButton(tr("&Keep Both"), QMessageBox::ActionRole);
                box.setDefaultButton(yes);
                box.exec();
                return box.clickedButton() == yes    ? int(QMessageBox::Yes)
                       : box.clickedButton() == both ? int(QMessageBox::No)
                                                     : int(QMessageBox::Cancel);
              }();
    if (answer == QMessageBox::Cancel) return;
    if (answer == QMessageBox::Yes) replace = previous;
  }
  WritePackage(false, WithTrailingSlash(folder), [this](const QString &root) {
    lastPackage_ = root;
    lastPublished_ = QDateTime::currentDateTime();
    UpdateStatus();
    ShowPublished(root);
  }, replace);
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
  add(file, "NewAct", tr("&New"), QKeySequence::New, [this] { NewBook(); });
  add(file, "OpenAct", tr("&Open..."), QKeySequence::Open, [this] { OpenBookClick(); });
  recentMenu_ = file->addMenu(tr("Open &Recent"));
  recentMenu_->setObjectName("RecentMenu");
  connect(recentMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  file->addSeparator();
  add(file, "SaveAct", tr("&Save"), QKeySequence::Save, [this] { SaveBook(); });
  // Ctrl+Shift+S on every desktop, whatever the platform's own binding.
  add(file, "SaveAsAct", tr("Save &As..."), QKeySequence::UnknownKey, [this] { SaveBookAs(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  file->addSeparator();
  add(file, "AddFilesAct", tr("A&dd Files..."), QKeySequence::UnknownKey, [this] { InsertBtnClick(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  add(file, "PreviewAct", tr("Pre&view"), QKeySequence::UnknownKey, [this] { PreviewBtnClick(); })
      ->setShortcut(QKeySequence(Qt::Key_F5));
  add(file, "PublishAct", tr("&Publish..."), QKeySequence::UnknownKey, [this] { ExportBtnClick(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  file->addSeparator();
  add(file, "QuitAct", tr("&Quit"), QKeySequence::Quit, [this] { close(); });

  QMenu *edit = bar->addMenu(tr("&Edit"));
  QAction *undo = session_->undoStack()->createUndoAction(this, tr("&Undo"));
  undo->setObjectName("UndoAct");
  undo->setShortcuts(QKeySequence::Undo);
  QAction *redo = session_->undoStack()->createRedoAction(this, tr("&Redo"));
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
  edit->addSeparator();
  LocateAct = add(edit, "LocateAct", tr("&Locate Missing File..."), QKeySequence::UnknownKey,
                  [this] { LocateSelectedSource(); });

  QMenu *help = bar->addMenu(tr("&Help"));
  add(help, "GuideAct", tr("User &Guide"), QKeySequence::HelpContents, [this] { ShowGuide(); })
      ->setShortcut(QKeySequence(Qt::Key_F1));
  add(help, "AboutAct", tr("&About Leafweaver"), QKeySequence::UnknownKey, [this] { ShowAbout(); });
  // Actions of the window itself, so that their keys work without the menu.
  addActions(file->actions());
  addActions({undo, redo});
  addActions(help->actions());
}

void TMainFrm::UpdateCaption() {
  const QString path = session_->bookPath();
  const QString name = path.isEmpty() ? tr("Untitled") : QFileInfo(path).completeBaseName();
  setWindowTitle(QStringLiteral("%1[*] - %2").arg(name, QLatin1String(kAppTitle)));
  setWindowModified(HasUnsavedChanges());
}

bool TMainFrm::HasUnsavedChanges() const { return session_->HasUnsavedChanges(); }

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
  if (isFillData) return;
  SaveBookSetting();
  UpdateStatus();
  session_->Record(what, SelectedPageRows());
}

void TMainFrm::OnBookChanged(const QList<int> &rows) {
  ShowBookSetting();
  MarkTheme(session_->book().themeStr);
  // The list stays where it is scrolled, unless the rows selected then are
  // out of sight.
  const int listScroll = PageListView->verticalScrollBar()->value();
  const int gridScroll = PageGridView->verticalScrollBar()->value();
  RefreshPageList();
  SelectPageRows(rows, false);
  ShowSelectedPage();
  PageListView->verticalScrollBar()->setValue(listScroll);
  PageGridView->verticalScrollBar()->setValue(gridScroll);
  if (const QModelIndex current = PageListView->currentIndex(); current.isValid() && !rows.isEmpty()) {
    PageListView->scrollTo(current, QAbstractItemView::EnsureVisible);
    PageGridView->scrollTo(current.siblingAtColumn(1), QAbstractItemView::EnsureVisible);
  }
  UpdateStatus();
}

void TMainFrm::OnProblem(const SessionProblem &problem) {
  const QString path = problem.path;
  switch (problem.kind) {
    case SessionProblem::Kind::CannotOpen:
      ShowErrorMessage(this, tr("Cannot open the book file \"%1\": %2")
                                 .arg(path, problem.detail.isEmpty() ? tr("it is not a file") : problem.detail));
      break;
    case SessionProblem::Kind::Damaged:
      ShowErrorMessage(this, tr("The book file \"%1\" %2. Nothing was opened.").arg(path, problem.detail));
      break;
    case SessionProblem::Kind::CannotSave:
      ShowErrorMessage(this, tr("Cannot save the book as \"%1\": %2").arg(path, problem.detail));
      break;
    case SessionProblem::Kind::SourcesMissing:
      ShowErrorMessage(this, tr("These source files of the book are missing; their pages stay in "
                                "the book, marked missing:\n%1\nEdit > Locate Missing File points "
                                "the book at a file that has moved.")
                                 .arg(problem.files.join('\n')));
      break;
    case SessionProblem::Kind::WrongKind:
      ShowErrorMessage(this, tr("\"%1\" cannot stand for \"%2\": choose a %3.")
                                 .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(problem.detail),
                                      IsPdfPath(FileNameOfPath(problem.detail)) ? tr("PDF file") : tr("picture")));
      break;
  }
}

void TMainFrm::ShowStatusMessage(const QString &message) { StatusBar->showMessage(message); }

void TMainFrm::UpdateStatus() {
  const TBookObj &book = session_->book();
  const int pages = book.PageCount();
  PageCountLbl->setText(pages == 0 ? tr("No pages") : pages == 1 ? tr("1 page") : tr("%1 pages").arg(pages));
  BookSizeLbl->setText(tr("%1 × %2").arg(book.width).arg(book.height));
  BookSizeLbl->setToolTip(tr("Book size in pixels"));
  if (lastPackage_.isEmpty()) {
    LastPublishLbl->setText(tr("Not published yet"));
    LastPublishLbl->setToolTip(QString());
  } else {
    LastPublishLbl->setText(tr("Published %1 in %2")
                                .arg(QLocale().toString(lastPublished_.time(), QLocale::ShortFormat),
                                     QDir(lastPackage_).dirName()));
    LastPublishLbl->setToolTip(QDir::toNativeSeparators(lastPackage_));
  }
}

bool TMainFrm::MaybeSave() {
  RecordChange(tr("Edit Text"));  // a field still being typed in
  if (!HasUnsavedChanges()) return true;
  const QString path = session_->bookPath();
  const QString name = path.isEmpty() ? tr("Untitled") : QFileInfo(path).fileName();
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
  QSettings settings;
  settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
  settings.setValue(QLatin1String(kSplitterKey), Splitter->saveState());
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
  return session_->SaveTo(path);
}

bool TMainFrm::SaveBook() {
  const QString path = session_->bookPath();
  return path.isEmpty() ? SaveBookAs() : SaveBookTo(path);
}

bool TMainFrm::SaveBookAs() {
  QString suggested = session_->bookPath();
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
  thumbs_->Cancel();  // the pictures drawn so far stay cached
  if (!session_->Open(path)) return false;
  PreviewCurrentBook();
  return true;
}

void TMainFrm::PreviewCurrentBook() {
  if (session_->book().PageCount() > 0 && !IncompletePages(session_->book()).isEmpty()) {
    // Not a book the writer takes yet: rather than the last book or the
    // sample, the preview says why.
    PreViewWeb->setHtml(QStringLiteral("<!DOCTYPE html><html><body style=\"font:14px sans-serif;"
                                       "margin:2em;color:#333\"><p>%1</p></body></html>")
                            .arg(tr("This book can be previewed once the files of its missing "
                                    "pages are back.").toHtmlEscaped()));
    return;
  }
  if (session_->IsWritingPackage()) {  // after the package being written now
    previewPending_ = true;
    return;
  }
  PreviewBtnClick();
}

void TMainFrm::NewBook() {
  if (!MaybeSave()) return;
  thumbs_->Cancel();
  // A new book takes the first theme's look, as at start-up.
  session_->New(ThemeManager && !ThemeManager->themeList.empty() ? ThemeManager->themeList.front().get()
                                                                  : nullptr);
  WriteEmptyPreview(session_->book(), SysSetInfo);
  ShowPreview();
}

bool TMainFrm::LocateSource(const QString &missingPath, const QString &newPath) {
  thumbs_->Cancel();
  if (!session_->Relocate(missingPath, newPath)) return false;
  ShowStatusMessage(tr("The book now takes its pages from %1.").arg(QDir::toNativeSeparators(newPath)));
  return true;
}

QString TMainFrm::SelectedMissingSource() const {
  const int index = SelectedPageIndex();
  if (index < 0) return {};
  const TPageObj &page = *session_->book().Page(index);
  return !page.sourcePath.isEmpty() && !QFileInfo(page.sourcePath).isFile() ? page.sourcePath : QString();
}

void TMainFrm::LocateSelectedSource() {
  const QString missing = SelectedMissingSource();
  if (missing.isEmpty()) {
    ShowStatusMessage(tr("Select a page marked (missing) to locate its file."));
    return;
  }
  const QString filter = IsPdfPath(FileNameOfPath(missing)) ? tr("PDF files (*.pdf)") : QLatin1String(kImageFilter);
  const QString path = imageChooser() ? imageChooser()(this, filter)
                                      : QFileDialog::getOpenFileName(
                                            this, tr("Locate %1").arg(FileNameOfPath(missing)),
                                            QFileInfo(missing).absolutePath(), filter);
  if (!path.isEmpty()) LocateSource(missing, path);
}

void TMainFrm::ShowPageMenu(const QPoint &globalPos) {
  QMenu menu(this);
  menu.setObjectName("PageMenu");
  QAction *locate = menu.addAction(tr("&Locate Missing File..."));
  locate->setEnabled(!SelectedMissingSource().isEmpty());
  connect(locate, &QAction::triggered, this, [this] { Guarded([this] { LocateSelectedSource(); }); });
  menu.addSeparator();
  for (QPushButton *b : {InsertBtn, DeleteBtn, UpBtn, DownBtn})
    connect(menu.addAction(b->text()), &QAction::triggered, b, &QPushButton::click);
  menu.exec(globalPos);
}

void TMainFrm::ShowGuide() {
  const QString path = SysSetInfo.AppPathStr + "README.md";
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ShowErrorMessage(this, tr("The user guide is not installed: %1 cannot be read.")
                               .arg(QDir::toNativeSeparators(path)));
    return;
  }
  auto *guide = new QDialog(this);
  guide->setObjectName("GuideDialog");
  guide->setAttribute(Qt::WA_DeleteOnClose);
  guide->setWindowTitle(tr("Leafweaver User Guide"));
  auto *layout = new QVBoxLayout(guide);
  auto *text = new QTextBrowser;
  text->setObjectName("GuideText");
  text->setOpenExternalLinks(true);
  text->setMarkdown(QString::fromUtf8(file.readAll()));
  layout->addWidget(text);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, guide, &QDialog::close);
  layout->addWidget(buttons);
  guide->resize(760, 560);
  guide->show();
}

void TMainFrm::ShowAbout() {
  QMessageBox::about(this, tr("About Leafweaver"),
                     tr("<h3>%1</h3><p>Turns PDF documents and pictures into page-turning books "
                        "for the web.</p><p>Books play in any browser through the Ruffle runtime "
                        "that each book carries. PDF pages are read with Poppler.</p>"
                        "<p>Qt %2</p>")
                         .arg(QLatin1String(kAppTitle), QLatin1String(qVersion())));
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


}  // namespace lw
