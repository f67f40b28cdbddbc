// The main window's page list: rows of pages that move by drag and drop
// (several at once) and take files dropped from a file manager at the place
// they are dropped, in a list (PageListWidget) or a grid over the same rows
// (PageGridWidget). Neither view moves anything itself: a drop is handed to
// the window as row numbers, the window moves the pages in the book and
// fills the rows again.
#pragma once

#include <QList>
#include <QListView>
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

class PageListWidget : public QTreeWidget {
  Q_OBJECT
 public:
  explicit PageListWidget(QWidget *parent = nullptr);

  // Rows as the views drag them (kPageRowsMimeType). Null for no rows.
  static QMimeData *MimeDataOfRows(QList<int> rows);

 signals:
  // Page rows were dropped before row `beforeRow` (the row count: after the
  // last one).
  void rowsDropped(const QList<int> &rows, int beforeRow);
  // Files the library takes were dropped before row `beforeRow`.
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
};

// The same rows as a grid of pictures: shares the list's model and
// selection, so a drop here reaches the list's dropMimeData.
class PageGridWidget : public QListView {
  Q_OBJECT
 public:
  explicit PageGridWidget(PageListWidget *list, QWidget *parent = nullptr);

 protected:
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;
};

}  // namespace lw
