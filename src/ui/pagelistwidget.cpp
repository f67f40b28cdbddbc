#include "ui/pagelistwidget.h"

#include "model/sourcefiles.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
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
  setColumnCount(2);
  setHeaderLabels({tr("Page"), tr("Content")});
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTextElideMode(Qt::ElideMiddle);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setDragDropOverwriteMode(false);
  setDropIndicatorShown(true);
  viewport()->setAcceptDrops(true);
  FitColumns();
}

void PageListWidget::FitColumns() {
  QHeaderView *head = header();
  head->setStretchLastSection(true);
  head->setSectionsMovable(false);
  head->setMinimumSectionSize(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 2);
  if (head->count() > kColPage) head->setSectionResizeMode(kColPage, QHeaderView::ResizeToContents);
  if (head->count() > kColContent) head->setSectionResizeMode(kColContent, QHeaderView::Stretch);
  // Widths set from outside give way to the modes at once.
  QMetaObject::invokeMethod(head, "resizeSections");
}

void PageListWidget::updateGeometries() {
  QTreeWidget::updateGeometries();
  // A column width set from outside (or the last section no longer
  // stretched) would make the rows wider than the view, and every
  // scrollTo would then move the view sideways.
  QHeaderView *head = header();
  const bool modes = head->count() <= kColContent ||
                     (head->sectionResizeMode(kColPage) == QHeaderView::ResizeToContents &&
                      head->sectionResizeMode(kColContent) == QHeaderView::Stretch);
  if (!modes || head->length() != viewport()->width()) FitColumns();
  horizontalScrollBar()->setRange(0, 0);
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
  if (DroppedSourceFiles(data).isEmpty()) return false;
  // Every file, so that the window can name the ones it does not take.
  emit filesDropped(DroppedLocalFiles(data), before);
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

namespace {

// Room around the contents of a grid cell and between cells, from the font.
int CellPadding(const QFontMetrics &metrics) { return std::max(3, metrics.height() / 4); }

// The cell of `index` drawn in `rect` (the item's visual rect): the
// picture box on top (icon size), the number and the name below it, each
// on a line of its own.
PageGridCell CellIn(const QModelIndex &index, const QRect &rect, const QSize &iconSize,
                    const QFontMetrics &metrics) {
  PageGridCell cell;
  if (!index.isValid() || rect.isEmpty()) return cell;
  const int pad = CellPadding(metrics);
  cell.cell = rect.adjusted(pad / 2, pad / 2, -(pad - pad / 2), -(pad - pad / 2));
  const QRect inner = cell.cell.adjusted(pad, pad, -pad, -pad);
  const QRect box(inner.left() + (inner.width() - iconSize.width()) / 2, inner.top(), iconSize.width(),
                  iconSize.height());
  const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
  QSize picture = icon.isNull() ? QSize() : icon.actualSize(iconSize);
  if (picture.isEmpty()) picture = QSize(iconSize.width() * 3 / 4, iconSize.height());
  picture = picture.boundedTo(iconSize);
  cell.picture = QRect(box.left() + (box.width() - picture.width()) / 2,
                       box.top() + (box.height() - picture.height()) / 2, picture.width(), picture.height());
  const int line = metrics.lineSpacing();
  cell.numberRect = QRect(inner.left(), box.bottom() + 1 + pad / 2, inner.width(), line);
  cell.nameRect = QRect(inner.left(), cell.numberRect.bottom() + 1, inner.width(), line);
  cell.number = index.siblingAtColumn(PageListWidget::kColPage).data().toString();
  if (cell.number.isEmpty()) cell.number = QString::number(index.row() + 1);
  cell.name = metrics.elidedText(index.data().toString(), Qt::ElideMiddle, inner.width());
  return cell;
}

// Paints a grid cell as CellIn places it.
class PageGridDelegate : public QStyledItemDelegate {
 public:
  explicit PageGridDelegate(PageGridWidget *grid) : QStyledItemDelegate(grid), grid_(grid) {}

  QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override {
    return grid_->CellSize();
  }

  void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const PageGridCell cell = CellIn(index, option.rect, grid_->iconSize(), option.fontMetrics);
    painter->save();
    // The selection and hover background, without the item's own text
    // and icon.
    opt.rect = cell.cell;
    opt.text.clear();
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDisplay;
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (!icon.isNull())
      icon.paint(painter, cell.picture, Qt::AlignCenter, QIcon::Normal, QIcon::On);
    else
      painter->fillRect(cell.picture, Qt::white);
    // A thin border: a white page on the white background stays visible.
    painter->setPen(QPen(opt.palette.color(QPalette::Mid), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(cell.picture.adjusted(-1, -1, 0, 0));
    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group = opt.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(opt.font);
    painter->drawText(cell.numberRect, Qt::AlignHCenter | Qt::AlignVCenter, cell.number);
    painter->drawText(cell.nameRect, Qt::AlignHCenter | Qt::AlignVCenter, cell.name);
    painter->restore();
  }

 private:
  PageGridWidget *grid_;
};

}  // namespace

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
  setTextElideMode(Qt::ElideMiddle);
  setItemDelegate(new PageGridDelegate(this));
  setGridSize(CellSize());
}

QSize PageGridWidget::CellSize() const {
  const QFontMetrics metrics = fontMetrics();
  const int pad = CellPadding(metrics);
  const QSize icon = iconSize().isValid() ? iconSize() : QSize(60, 80);
  // Room for about twelve characters of a name (three cells across the
  // window's page list at the usual font), never less than the picture.
  const int inner = std::max(icon.width(), metrics.averageCharWidth() * 12);
  return QSize(inner + 3 * pad, icon.height() + pad / 2 + 2 * metrics.lineSpacing() + 3 * pad);
}

PageGridCell PageGridWidget::CellOf(const QModelIndex &index) const {
  if (!index.isValid()) return {};
  return CellIn(index, visualRect(index), iconSize(), fontMetrics());
}

void PageGridWidget::doItemsLayout() {
  // The cells follow the font and the icon size, whatever grid size was set.
  if (const QSize cell = CellSize(); gridSize() != cell) setGridSize(cell);
  QListView::doItemsLayout();
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
