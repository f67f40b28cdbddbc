// The main window's page list: rows of pages that move by drag and drop
// (several at once) and take files dropped from a file manager at the place
// they are dropped, in a list (PageListWidget) or a grid over the same rows
// (PageGridWidget). Neither view moves anything itself: a drop is handed to
// the window as row numbers, the window moves the pages in the book and
// fills the rows again.
#pragma once

#include <QList>
#include <QListView>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QTreeWidget>

class QMimeData;

namespace lw {

// MIME type of page rows dragged within the window: the row numbers,
// ascending, as text separated by commas.
inline constexpr char kPageRowsMimeType[] = "application/x-leafweaver-page-rows";

// The rows carried by `data` (ascending, no repeats). Empty for null data,
// data of another type and text that is not a list of row numbers.
QList<int> PageRowsOfMimeData(const QMimeData *data);

// The rows: "Page" (the page number, as wide as the numbers) and "Content"
// (the picture and the page's name, taking the rest of the width, a long
// name elided in the middle). The list never scrolls sideways: it has no
// horizontal scroll bar and its columns always fill the width exactly,
// whatever column widths are set from outside.
class PageListWidget : public QTreeWidget {
  Q_OBJECT
 public:
  enum Column { kColPage = 0, kColContent = 1 };

  // Sets up the two columns; the owner fills the rows (the number in
  // kColPage, the name, picture and tooltip in kColContent).
  explicit PageListWidget(QWidget *parent = nullptr);

  // Puts the columns back as the constructor set them: called again by
  // the view itself whenever column widths or the header's last-section
  // stretch were changed from outside. Never fails.
  void FitColumns();

  // Rows as the views drag them (kPageRowsMimeType). Null for no rows.
  static QMimeData *MimeDataOfRows(QList<int> rows);

 signals:
  // Page rows were dropped before row `beforeRow` (the row count: after the
  // last one).
  void rowsDropped(const QList<int> &rows, int beforeRow);
  // Files were dropped before row `beforeRow`, at least one of them a file
  // the library takes; `paths` holds every dropped local file.
  void filesDropped(const QStringList &paths, int beforeRow);

 protected:
  QStringList mimeTypes() const override;
  QMimeData *mimeData(const QList<QTreeWidgetItem *> &items) const override;
  bool dropMimeData(QTreeWidgetItem *parent, int index, const QMimeData *data,
                    Qt::DropAction action) override;
  Qt::DropActions supportedDropActions() const override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;
  void updateGeometries() override;
};

// What a grid cell shows and where, in the viewport's coordinates: the
// picture (its border drawn just outside it), the page number and the
// page's name, whole or elided in the middle to the cell's width.
struct PageGridCell {
  QRect cell;     // the cell, inside the item's visual rect
  QRect picture;  // the page's picture, centred in the picture box
  QRect numberRect;
  QString number;
  QRect nameRect;
  QString name;   // as drawn
};

// The same rows as a grid of pictures: shares the list's model and
// selection, so a drop here reaches the list's dropMimeData. Each cell shows
// the page's picture with a thin border (a white page stays visible on the
// white background), its number and its name. Cells are sized from the
// icon size and the font (a larger font makes larger cells): a grid size
// set from outside is replaced by that at the next layout.
class PageGridWidget : public QListView {
  Q_OBJECT
 public:
  explicit PageGridWidget(PageListWidget *list, QWidget *parent = nullptr);

  // The size of every cell for the current icon size and font (the grid
  // size, gaps included). Never fails.
  QSize CellSize() const;
  // What the cell of `index` shows and where, as painted. For an invalid
  // index, all rects empty and texts empty.
  PageGridCell CellOf(const QModelIndex &index) const;

  void doItemsLayout() override;

 protected:
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;
};

}  // namespace lw
