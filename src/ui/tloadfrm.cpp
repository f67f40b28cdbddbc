#include "ui/tloadfrm.h"

#include "ui/tfrmloadprocess.h"
#include "model/pagerange.h"
#include "model/sourcefiles.h"
#include "ui/errorbox.h"
#include "ui/lastfolders.h"

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace lw {

const char *const TLoadFrm::kOpenFilter =
    "All support files (*.png *.jpg *.jpeg *.bmp *.pdf);;PDF files (*.pdf);;"
    "Image files (*.png *.jpg *.jpeg *.bmp)";

const char *const TLoadFrm::kNoPagesText = "no pages";

namespace {

constexpr int kFileRole = Qt::UserRole;

TLoadFrm::FileChooser &fileChooser() {
  static TLoadFrm::FileChooser chooser;
  return chooser;
}

// Hands a finished Page Range edit to the dialog instead of writing the
// typed text into the cell: the dialog decides what is stored.
class RangeDelegate : public QStyledItemDelegate {
 public:
  RangeDelegate(TLoadFrm *dialog, QTreeWidget *tree)
      : QStyledItemDelegate(tree), dialog_(dialog), tree_(tree) {}

  void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override {
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit || index.parent().isValid()) return;
    dialog_->LibraryTreeNewText(tree_->topLevelItem(index.row()), index.column(), edit->text());
  }

 private:
  TLoadFrm *dialog_;
  QTreeWidget *tree_;
};

// "Checked All": shows the rows' ticks, partially checked for some; a click
// ticks every row, or unticks them all when every row was ticked.
class TickAllBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

}  // namespace

void TLoadFrm::SetFileChooser(FileChooser chooser) { fileChooser() = std::move(chooser); }

TLoadFrm::TLoadFrm(TFileList &library, QWidget *parent) : QDialog(parent), library_(library) {
  setObjectName("LoadFrm");
  setWindowTitle("Library");
  setAcceptDrops(true);

  sGroupBox1 = new QGroupBox("Resource files", this);
  sGroupBox1->setObjectName("sGroupBox1");

  LibraryTree = new QTreeWidget(sGroupBox1);
  LibraryTree->setObjectName("LibraryTree");
  LibraryTree->setColumnCount(4);
  LibraryTree->setHeaderLabels({"ID", "File Name", "Page Count", "Page Range"});
  LibraryTree->setRootIsDecorated(false);
  LibraryTree->setSelectionMode(QAbstractItemView::SingleSelection);
  LibraryTree->setSelectionBehavior(QAbstractItemView::SelectRows);
  LibraryTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LibraryTree->setAllColumnsShowFocus(false);
  LibraryTree->header()->setSectionsMovable(true);
  LibraryTree->header()->setStretchLastSection(false);
  LibraryTree->header()->setStyleSheet(
      QStringLiteral("QHeaderView::section { background-color: rgb(186, 203, 211); }"));
  // ID, Page Count and Page Range take the width of their longest text
  // (header included) and follow edits; the file name gets the rest and is
  // elided, its full path in the tooltip.
  LibraryTree->header()->setMinimumSectionSize(24);
  LibraryTree->header()->setSectionResizeMode(kColId, QHeaderView::ResizeToContents);
  LibraryTree->header()->setSectionResizeMode(kColName, QHeaderView::Stretch);
  LibraryTree->header()->setSectionResizeMode(kColCount, QHeaderView::ResizeToContents);
  LibraryTree->header()->setSectionResizeMode(kColRange, QHeaderView::ResizeToContents);
  LibraryTree->setTextElideMode(Qt::ElideMiddle);
  LibraryTree->setItemDelegate(new RangeDelegate(this, LibraryTree));

  LibraryMessageLbl = new QLabel(sGroupBox1);
  LibraryMessageLbl->setObjectName("LibraryMessageLbl");
  LibraryMessageLbl->setWordWrap(true);
  LibraryMessageLbl->setTextFormat(Qt::PlainText);
  // A line is kept for it, so the list does not jump when a message comes.
  LibraryMessageLbl->setMinimumHeight(LibraryMessageLbl->fontMetrics().lineSpacing());

  AddBtn = new QPushButton("Add PDF,Image Files", sGroupBox1);
  AddBtn->setObjectName("AddBtn");
  DelBtn = new QPushButton("Delete", sGroupBox1);
  DelBtn->setObjectName("DelBtn");
  CheckAllBtn = new TickAllBox("Checked All", sGroupBox1);
  CheckAllBtn->setObjectName("CheckAllBtn");

  CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setObjectName("CancelBtn");
  OkBtn = new QPushButton("OK", this);
  OkBtn->setObjectName("OkBtn");
  OkBtn->setDefault(true);

  // Layouts give every control the room its text needs at any font size.
  auto *files = new QHBoxLayout;
  files->addWidget(AddBtn);
  files->addWidget(DelBtn);
  files->addStretch(1);
  files->addWidget(CheckAllBtn);
  auto *group = new QVBoxLayout(sGroupBox1);
  group->addWidget(LibraryTree, 1);
  group->addWidget(LibraryMessageLbl);
  group->addLayout(files);
  auto *answers = new QHBoxLayout;
  answers->addStretch(1);
  answers->addWidget(CancelBtn);
  answers->addWidget(OkBtn);
  auto *whole = new QVBoxLayout(this);
  whole->addWidget(sGroupBox1, 1);
  whole->addLayout(answers);
  // The list shows about four columns of text and eight rows at least.
  const QFontMetrics metrics = LibraryTree->fontMetrics();
  LibraryTree->setMinimumSize(metrics.averageCharWidth() * 56, metrics.lineSpacing() * 9);
  resize(QSize(516, 365).expandedTo(sizeHint()));

  // The Delete key in the list does what the Delete button does (not while
  // a range is typed: the cell editor has the focus then).
  auto *deleteKey = new QAction(LibraryTree);
  deleteKey->setObjectName("DeleteKeyAct");
  deleteKey->setShortcut(QKeySequence::Delete);
  deleteKey->setShortcutContext(Qt::WidgetShortcut);
  LibraryTree->addAction(deleteKey);
  connect(deleteKey, &QAction::triggered, this, [this] { RunGuarded(this, [this] { DelBtnClick(); }); });

  connect(AddBtn, &QPushButton::clicked, this, [this] { RunGuarded(this, [this] { AddBtnClick(); }); });
  connect(DelBtn, &QPushButton::clicked, this, [this] { RunGuarded(this, [this] { DelBtnClick(); }); });
  connect(CheckAllBtn, &QCheckBox::clicked, this, [this] { RunGuarded(this, [this] { CheckAllBtnClick(); }); });
  connect(OkBtn, &QPushButton::clicked, this, [this] { OkBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  connect(LibraryTree, &QTreeWidget::itemChanged, this,
          [this](QTreeWidgetItem *row, int column) { LibraryTreeChecked(row, column); });
  connect(LibraryTree, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem *row, int column) { LibraryTreeClick(row, column); });
  connect(LibraryTree, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem *row, int column) { LibraryTreeDoubleClick(row, column); });
}

TLoadFrm::~TLoadFrm() = default;

void TLoadFrm::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  FormShow();
}

void TLoadFrm::FormShow() {
  shownStates_.clear();
  chosenAgain_.clear();
  for (const auto &file : library_) shownStates_.push_back({file, file->isChecked, file->rangeStr});
  ApplyShowTag();
  FillLibraryTree();
}

void TLoadFrm::ApplyShowTag() {
  if (ShowTag == ShowMode::View) {
    CancelBtn->hide();
    OkBtn->setText("Close");
  } else {
    CancelBtn->show();
    OkBtn->setText("OK");
  }
}

void TLoadFrm::FillLibraryTree() {
  LibraryTree->clear();
  // The ticks stay as they were left: ticking a file whose pages the book
  // has already adds none of them again (ImportNewFilePages).
  for (const auto &file : library_) AppendRow(file);
  UpdateCheckAll();
}

QTreeWidgetItem *TLoadFrm::AppendRow(const std::shared_ptr<TFileObj> &file) {
  filling_ = true;
  auto *row = new QTreeWidgetItem;
  row->setData(kColId, kFileRole, QVariant::fromValue(static_cast<void *>(file.get())));
  Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  if (file->fileType == kFilePdf) flags |= Qt::ItemIsEditable;
  row->setFlags(flags);
  LibraryTree->addTopLevelItem(row);
  SetRowTexts(row, *file);
  LibraryTreeInitNode(row);
  filling_ = false;
  return row;
}

void TLoadFrm::LibraryTreeInitNode(QTreeWidgetItem *row) {
  TFileObj *file = FileOfRow(row);
  if (!file || ShowTag != ShowMode::Pick) return;
  row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
  row->setCheckState(kColId, file->isChecked ? Qt::Checked : Qt::Unchecked);
}

void TLoadFrm::LibraryTreeChecked(QTreeWidgetItem *row, int column) {
  if (column != kColId) return;
  TFileObj *file = FileOfRow(row);
  if (!file || !row->data(kColId, Qt::CheckStateRole).isValid()) return;
  file->isChecked = row->checkState(kColId) == Qt::Checked;
  if (!filling_) UpdateCheckAll();
}

void TLoadFrm::UpdateCheckAll() {
  int rows = 0, ticked = 0;
  for (int i = 0; i < LibraryTree->topLevelItemCount(); ++i)
    if (const TFileObj *file = FileOfRow(LibraryTree->topLevelItem(i))) {
      ++rows;
      ticked += file->isChecked ? 1 : 0;
    }
  if (rows == 0) return;
  CheckAllBtn->setCheckState(ticked == rows ? Qt::Checked : ticked == 0 ? Qt::Unchecked : Qt::PartiallyChecked);
}

QTreeWidgetItem *TLoadFrm::RowOfFile(const TFileObj *file) const {
  for (int i = 0; i < LibraryTree->topLevelItemCount(); ++i)
    if (FileOfRow(LibraryTree->topLevelItem(i)) == file) return LibraryTree->topLevelItem(i);
  return nullptr;
}

TFileObj *TLoadFrm::FileOfRow(QTreeWidgetItem *row) const {
  if (!row) return nullptr;
  return static_cast<TFileObj *>(row->data(kColId, kFileRole).value<void *>());
}

QString TLoadFrm::LibraryTreeGetText(const TFileObj &file, int column) const {
  switch (column) {
    case kColId: {
      const auto it = std::find_if(library_.begin(), library_.end(),
                                   [&](const auto &f) { return f.get() == &file; });
      return it == library_.end() ? QString() : QString::number(it - library_.begin() + 1);
    }
    case kColName:
      return file.showName;
    case kColCount:
      if (file.fileType != kFilePdf) return QStringLiteral("-");
      // A PDF without pages says why instead of a count ("damaged").
      if (file.AddsNoPages()) {
        // The reason in a few words; a converter's longer message is cut
        // short here and whole in the row's tooltip.
        constexpr int kMaxCellProblem = 20;
        const QString why = CellProblemText(file.problemStr.isEmpty() ? QStringLiteral("is damaged")
                                                                      : file.problemStr);
        return why.size() <= kMaxCellProblem ? why : why.left(kMaxCellProblem - 1) + QChar(0x2026);
      }
      return QString::number(file.count);
    case kColRange:
      if (file.fileType != kFilePdf) return QStringLiteral("-");
      return file.AddsNoPages() ? tr(kNoPagesText) : file.rangeStr;
    default:
      return QString();
  }
}

void TLoadFrm::RefreshRowTexts() {
  filling_ = true;
  for (int i = 0; i < LibraryTree->topLevelItemCount(); ++i) {
    QTreeWidgetItem *row = LibraryTree->topLevelItem(i);
    if (const TFileObj *file = FileOfRow(row)) SetRowTexts(row, *file);
  }
  filling_ = false;
}

QString TLoadFrm::CellProblemText(const QString &problem) {
  return problem.startsWith(QLatin1String("is ")) ? problem.mid(3) : problem;
}

void TLoadFrm::SetRowTexts(QTreeWidgetItem *row, const TFileObj &file) {
  QString tip = QDir::toNativeSeparators(file.filePath);
  if (file.AddsNoPages())
    tip += '\n' + tr("This PDF %1: it adds no pages to the book.")
                      .arg(file.problemStr.isEmpty() ? QStringLiteral("is damaged") : file.problemStr);
  const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
  for (int column = kColId; column <= kColRange; ++column) {
    row->setText(column, LibraryTreeGetText(file, column));
    row->setToolTip(column, tip);
    if (file.AddsNoPages())
      row->setForeground(column, grey);
    else
      row->setData(column, Qt::ForegroundRole, QVariant());
  }
}

bool TLoadFrm::LibraryTreeEditing(QTreeWidgetItem *row, int column) const {
  const TFileObj *file = FileOfRow(row);
  return file && column == kColRange && file->fileType == kFilePdf && !file->AddsNoPages();
}

void TLoadFrm::LibraryTreeClick(QTreeWidgetItem *row, int column) {
  if (!row || LibraryTree->selectedItems().isEmpty() || !LibraryTree->currentItem()) return;
  // Clicks elsewhere end an edit through the view itself (it commits the
  // editor when the current cell changes).
  if (column == kColRange && LibraryTreeEditing(LibraryTree->selectedItems().first(), column))
    LibraryTree->editItem(LibraryTree->currentItem(), kColRange);
}

void TLoadFrm::LibraryTreeDoubleClick(QTreeWidgetItem *row, int column) {
  if (LibraryTreeEditing(row, column)) LibraryTree->editItem(row, column);
}

void TLoadFrm::LibraryTreeNewText(QTreeWidgetItem *row, int column, const QString &text) {
  TFileObj *file = FileOfRow(row);
  if (!file || !LibraryTreeEditing(row, column)) return;
  const QString problem = PageRangeProblem(text, file->count);
  if (!text.isEmpty() && problem.isEmpty()) file->rangeStr = text;
  // The reason goes under the list and next to the cell, and stays until
  // the next edit of a range.
  if (!problem.isEmpty()) {
    const QString tip = tr("Kept \"%1\": %2").arg(TrimBlanks(file->rangeStr), problem);
    QString typed = TrimBlanks(text);
    if (typed.size() > 40) typed = typed.left(39) + QChar(0x2026);
    LibraryMessageLbl->setText(tr("%1: page range \"%2\" not taken (%3); it stays \"%4\".")
                                   .arg(file->showName, typed, problem, TrimBlanks(file->rangeStr)));
    row->setToolTip(kColRange, tip);
    QTreeWidget *tree = row->treeWidget();
    const QRect cell = tree->visualItemRect(row);
    const int x = tree->header()->sectionViewportPosition(kColRange);
    QToolTip::showText(tree->viewport()->mapToGlobal(QPoint(x, cell.bottom())), tip, tree);
  } else {
    LibraryMessageLbl->clear();
    if (!text.isEmpty()) row->setToolTip(kColRange, QString());
  }
  // After the edit, whatever its outcome: the stored text without blanks
  // and control characters at its ends.
  file->rangeStr = TrimBlanks(file->rangeStr);
  filling_ = true;
  row->setText(kColRange, LibraryTreeGetText(*file, kColRange));
  filling_ = false;
}

bool TLoadFrm::IsNewFile(const QString &path) const { return !FindSourceFile(library_, path); }

void TLoadFrm::AddLibraryFile(const QString &path) {
  auto file = std::make_shared<TFileObj>(path);
  library_.push_back(file);
  file->isChecked = !file->AddsNoPages();
  AppendRow(file);
  if (file->fileType == kFilePdf) currPdfList.push_back(file);
}

void TLoadFrm::AddBtnClick() {
  QStringList paths;
  if (fileChooser())
    paths = fileChooser()(this, kOpenFilter);
  else
    paths = QFileDialog::getOpenFileNames(this, QString(), LastFolder(FolderUse::AddFiles), kOpenFilter);
  if (!paths.isEmpty()) RememberFolder(FolderUse::AddFiles, paths.first());
  AddFiles(paths);
}

bool TLoadFrm::IsSupportedFile(const QString &path) { return IsSupportedSourceFile(path); }

void TLoadFrm::dragEnterEvent(QDragEnterEvent *event) {
  if (!DroppedSourceFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TLoadFrm::dropEvent(QDropEvent *event) {
  const QStringList paths = DroppedSourceFiles(event->mimeData());
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  RunGuarded(this, [this, paths] { AddFiles(paths); });
}

void TLoadFrm::AddFiles(const QStringList &paths) {
  currPdfList.clear();
  QTreeWidgetItem *known = nullptr;  // the last path the library had already
  for (const QString &path : paths) {
    if (path.isEmpty()) continue;
    if (const auto file = FindSourceFile(library_, path)) {
      if (QTreeWidgetItem *row = RowOfFile(file.get())) {
        known = row;
        chosenAgain_.push_back(file);
        if (!file->AddsNoPages() && ShowTag == ShowMode::Pick) row->setCheckState(kColId, Qt::Checked);
      }
      continue;
    }
    AddLibraryFile(path);
  }
  if (!currPdfList.empty()) {
    TFrmLoadProcess progress(this);
    progress.loadTag = TFrmLoadProcess::LoadMode::Convert;
    progress.pdfList = currPdfList;
    if (progress.exec() == TFrmLoadProcess::kResultCancelled) RemoveUnconvertedFiles();
    // The converter may have found a problem the page counter did not (or
    // read a file the counter could not): the rows say so, and a file that
    // gives no pages is not ticked.
    for (const auto &file : currPdfList) {
      QTreeWidgetItem *row = RowOfFile(file.get());
      if (!row) continue;
      file->isChecked = !file->AddsNoPages();
      if (ShowTag == ShowMode::Pick) row->setCheckState(kColId, file->isChecked ? Qt::Checked : Qt::Unchecked);
    }
    RefreshRowTexts();
  }
  currPdfList.clear();
  UpdateCheckAll();
  if (known) {
    LibraryTree->clearSelection();
    LibraryTree->setCurrentItem(known);
    known->setSelected(true);
    LibraryTree->scrollToItem(known);
  }
  // Files are in: Enter now means OK, not another round of adding.
  if (!paths.isEmpty()) OkBtn->setFocus();
}

void TLoadFrm::RemoveUnconvertedFiles() {
  for (const auto &file : currPdfList) {
    if (file->isConverter) continue;
    delete RowOfFile(file.get());
    library_.erase(std::remove(library_.begin(), library_.end(), file), library_.end());
  }
  RefreshRowTexts();
  UpdateCheckAll();
}

void TLoadFrm::DeleteRow(QTreeWidgetItem *row) {
  if (TFileObj *file = FileOfRow(row)) {
    library_.erase(std::remove_if(library_.begin(), library_.end(),
                                     [&](const auto &f) { return f.get() == file; }),
                      library_.end());
  }
  delete row;
}

void TLoadFrm::DelBtnClick() {
  // Single selection: at most one row to delete.
  const QList<QTreeWidgetItem *> selected = LibraryTree->selectedItems();
  if (selected.isEmpty()) return;
  QTreeWidgetItem *row = selected.first();
  const int index = LibraryTree->indexOfTopLevelItem(row);
  QTreeWidgetItem *next = LibraryTree->topLevelItem(index + 1);
  if (!next) next = LibraryTree->topLevelItem(index - 1);
  DeleteRow(row);
  LibraryTree->setFocus();
  RefreshRowTexts();
  UpdateCheckAll();
  if (next) SelectOnlyNode(next);
}

void TLoadFrm::SelectOnlyNode(QTreeWidgetItem *row) {
  if (!row) return;
  LibraryTree->clearSelection();
  LibraryTree->setCurrentItem(row);
  row->setSelected(true);
  LibraryTree->scrollToItem(row, QAbstractItemView::EnsureVisible);
  LibraryTree->setFocus();
}

void TLoadFrm::CheckAllBtnClick() {
  const bool checked = CheckAllBtn->isChecked();
  for (const auto &file : library_) file->isChecked = checked;
  if (ShowTag != ShowMode::Pick) return;
  for (int i = 0; i < LibraryTree->topLevelItemCount(); ++i)
    LibraryTree->topLevelItem(i)->setCheckState(kColId, checked ? Qt::Checked : Qt::Unchecked);
  UpdateCheckAll();
}

void TLoadFrm::OkBtnClick() { done(kResultOk); }

TFileList TLoadFrm::FilesToAdd() const {
  TFileList files, ticked;
  for (const auto &file : library_) {
    if (file->isChecked) ticked.push_back(file);
    if (!file->isChecked) continue;
    const auto shown = std::find_if(shownStates_.begin(), shownStates_.end(),
                                    [&](const ShownState &s) { return s.file == file; });
    const bool chosen = std::find(chosenAgain_.begin(), chosenAgain_.end(), file) != chosenAgain_.end();
    if (chosen || shown == shownStates_.end() || !shown->ticked || shown->range != file->rangeStr)
      files.push_back(file);
  }
  // Nothing asked for in particular: OK adds what the book lacks of every
  // ticked file, pages deleted before included.
  return files.empty() ? ticked : files;
}

void TLoadFrm::CancelBtnClick() {
  for (const auto &file : library_) file->isChecked = false;
  for (const ShownState &shown : shownStates_) shown.file->isChecked = shown.ticked;
  done(kResultCancel);
}

void TLoadFrm::reject() { CancelBtnClick(); }

}  // namespace lw
