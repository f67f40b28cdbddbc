#include "ui/pagelistwidget.h"

#include "model/sourcefiles.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <algorithm>

namespace lw {

namespace {

// A drag of the selected rows. The drop moves the pages in the book, so
// the source removes nothing afterwards, whatever the drop reports.
void DragSelectedRows(QAbstractItemView *view) {
  QList<int> rows;
  for (const QModelIndex &index : view->selectionModel()->selectedRows(0)) rows << index.row();
  // A view showing another column (the grid) has its own selected indexes.
  if (rows.isEmpty())
    for (const QModelIndex &index : view->selectionModel()->selectedIndexes()) rows << index.row();
  QMimeData *data = PageListWidget::MimeDataOfRows(rows);
  if (!data) return;
  auto *drag = new QDrag(view);
  drag->setMimeData(data);
  drag->exec(Qt::MoveAction, Qt::MoveAction);
}

bool IsPageDrop(const QMimeData *data) {
  return !PageRowsOfMimeData(data).isEmpty() || !DroppedSourceFiles(data).isEmpty();
}

}  // namespace

QList<int> PageRowsOfMimeData(const QMimeData *data) {
  QList<int> rows;
  if (!data || !data->hasFormat(QLatin1String(kPageRowsMimeType))) return rows;
  const QByteArray text = data->data(QLatin1String(kPageRowsMimeType));
  for (const QByteArray &part : text.split(',')) {
    bool ok = false;
    const int row = part.trimmed().toInt(&ok);
    if (!ok || row < 0) return {};
    rows << row;
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

QMimeData *PageListWidget::MimeDataOfRows(QList<int> rows) {
  if (rows.isEmpty()) return nullptr;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QByteArrayList parts;
  for (int row : rows) parts << QByteArray::number(row);
  auto *data = new QMimeData;
  data->setData(QLatin1String(kPageRowsMimeType), parts.join(','));
  return data;
}

PageListWidget::PageListWidget(QWidget *parent) : QTreeWidget(parent) {
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setDragDropOverwriteMode(false);
  setDropIndicatorShown(true);
  viewport()->setAcceptDrops(true);
}

QStringList PageListWidget::mimeTypes() const {
  return {QLatin1String(kPageRowsMimeType), QStringLiteral("text/uri-list")};
}

QMimeData *PageListWidget::mimeData(const QList<QTreeWidgetItem *> &items) const {
  QList<int> rows;
  for (QTreeWidgetItem *item : items) rows << indexOfTopLevelItem(item);
  rows.removeAll(-1);
  return MimeDataOfRows(rows);
}

Qt::DropActions PageListWidget::supportedDropActions() const {
  return Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
}

bool PageListWidget::dropMimeData(QTreeWidgetItem *parent, int index, const QMimeData *data,
                                Qt::DropAction) {
  // Rows are never dropped onto a row (the rows take no drops), only
  // between them.
  if (parent) return false;
  const int count = topLevelItemCount();
  const int before = index < 0 || index > count ? count : index;
  const QList<int> rows = PageRowsOfMimeData(data);
  if (!rows.isEmpty()) {
    if (rows.last() >= count) return false;
    emit rowsDropped(rows, before);
    return true;
  }
  const QStringList files = DroppedSourceFiles(data);
  if (files.isEmpty()) return false;
  emit filesDropped(files, before);
  return true;
}

void PageListWidget::startDrag(Qt::DropActions) { DragSelectedRows(this); }

void PageListWidget::dragEnterEvent(QDragEnterEvent *event) {
  if (!IsPageDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  QTreeWidget::dragEnterEvent(event);
}

void PageListWidget::dropEvent(QDropEvent *event) {
  // QTreeWidget moves its own items on a drop from itself; here every drop
  // goes through dropMimeData.
  QAbstractItemView::dropEvent(event);
}

PageGridWidget::PageGridWidget(PageListWidget *list, QWidget *parent) : QListView(parent) {
  setModel(list->model());
  setSelectionModel(list->selectionModel());
  setModelColumn(1);
  setViewMode(QListView::ListMode);
  setFlow(QListView::LeftToRight);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  setMovement(QListView::Snap);
  setUniformItemSizes(true);
  setSelectionMode(list->selectionMode());
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setDragDropOverwriteMode(false);
  setDropIndicatorShown(true);
  viewport()->setAcceptDrops(true);
}

void PageGridWidget::startDrag(Qt::DropActions) { DragSelectedRows(this); }

void PageGridWidget::dragEnterEvent(QDragEnterEvent *event) {
  if (!IsPageDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  QListView::dragEnterEvent(event);
}

void PageGridWidget::dropEvent(QDropEvent *event) {
  // QListView moves rows itself on a drop from itself; here every drop goes
  // through the model to the list's dropMimeData.
  QAbstractItemView::dropEvent(event);
}

}  // namespace lw
