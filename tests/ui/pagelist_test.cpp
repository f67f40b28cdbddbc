// The main window's page list with real widgets: rows moved by drops of
// their own drag data (delivered as a drag from the list is: enter, move,
// drop through the application), files dropped on the list and on the
// window, Insert at the selection, the grid, thumbnails drawn in the
// background, and undo of each change.
#include "model/uconst.h"
#include "output/thumbnailcache.h"
#include "support/testpdf.h"
#include "ui/pagelistwidget.h"
#include "ui/tloadfrm.h"
#include "ui/tmainfrm.h"
#include "uitest.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>

using namespace lw;
using uitest::Find;

namespace {

struct DropOutcome {
  bool entered = false;
  bool moved = false;
  bool dropped = false;
};

// Drags `data` onto `target` at `pos` (its own coordinates) the way a drag
// arrives: the enter event picks the widget that takes the drag, then the
// move and the drop go to it.
DropOutcome Drop(QWidget *target, const QMimeData *data, QPoint pos,
                 Qt::DropActions actions = Qt::MoveAction) {
  DropOutcome out;
  QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  out.entered = enter.isAccepted();
  if (!out.entered) return out;
  QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  out.moved = move.isAccepted();
  QDropEvent drop(QPointF(pos), actions, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  out.dropped = drop.isAccepted();
  return out;
}

// True when `image` has a coloured pixel: a drawn test page (its band),
// not the blank page (white with a grey border).
bool IsDrawnPage(const QImage &image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int high = std::max({c.red(), c.green(), c.blue()});
      const int low = std::min({c.red(), c.green(), c.blue()});
      if (high - low > 60) return true;
    }
  return false;
}

class PageListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ws.dataHome());
    TMainFrm::SetSaveQuestion([](QWidget *, const QString &) { return int(QMessageBox::Discard); });
  }
  void TearDown() override {
    frm.reset();
    TMainFrm::SetSaveQuestion({});
    TLoadFrm::SetFileChooser({});
  }
  void Open() {
    frm = uitest::ShowMainFrm(ws);
    // The page list is on the third tab.
    Find<QTabWidget>(frm.get(), "SetingTabCon")->setCurrentIndex(2);
    QApplication::processEvents();
  }
  QTreeWidget *Pages() { return Find<QTreeWidget>(frm.get(), "PageListView"); }
  QListView *Grid() { return Find<QListView>(frm.get(), "PageGridView"); }
  QStringList Names() {
    QStringList names;
    for (int i = 0; i < Pages()->topLevelItemCount(); ++i) names << Pages()->topLevelItem(i)->text(1);
    return names;
  }
  QList<int> SelectedRows() { return frm->SelectedPageRows(); }
  void Select(const QList<int> &rows) {
    Pages()->clearSelection();
    for (int r : rows) Pages()->topLevelItem(r)->setSelected(true);
  }
  QString Png(const QString &name) { return uitest::WritePng(ws.scratch() + name, 40, 30); }
  // Image pages p01.png ... through the window's own routine.
  void AddImagePages(int n) {
    for (int i = 1; i <= n; ++i) {
      TFileObj file(Png(QStringLiteral("p%1.png").arg(i, 2, 10, QChar('0'))));
      frm->AddFilePages(file);
    }
  }
  // The drag data of `rows` as the list's own model makes it.
  std::unique_ptr<QMimeData> RowData(QAbstractItemView *view, const QList<int> &rows, int column = 0) {
    QModelIndexList indexes;
    for (int r : rows) indexes << view->model()->index(r, column);
    return std::unique_ptr<QMimeData>(view->model()->mimeData(indexes));
  }
  // A point in the upper edge of `row`: a drop there lands before it.
  QPoint Above(QAbstractItemView *view, int row, int column = 0) {
    const QRect r = view->visualRect(view->model()->index(row, column));
    return QPoint(r.center().x(), r.top() + 1);
  }
  // Book pages for `pages` pages of `pdf` (from 1), each on its own page
  // file as a conversion would leave them.
  void AddPdfPages(const QString &pdf, int pages) {
    const QString swf = ws.scratch() + "page.swf";
    lwtest::WriteFile(swf, "FWS");
    for (int n = 1; n <= pages; ++n) {
      TPageObj *page = uitest::Book().AddPageByPath(swf);
      page->fileType = kPageSwf;
      page->sourcePath = pdf;
      page->sourcePage = n;
      page->showName = QStringLiteral("%1_%2.pdf").arg(QFileInfo(pdf).completeBaseName()).arg(n);
    }
  }
  void Undo() { Find<QAction>(frm.get(), "UndoAct")->trigger(); }
  void Redo() { Find<QAction>(frm.get(), "RedoAct")->trigger(); }

  uitest::Workspace ws{false};
  std::unique_ptr<TMainFrm> frm;
};

}  // namespace

TEST(PageRowsMime, CarriesSortedRowsAndRefusesOtherText) {
  std::unique_ptr<QMimeData> data(PageListWidget::MimeDataOfRows({7, 2, 2, 0}));
  ASSERT_TRUE(data);
  EXPECT_EQ(PageRowsOfMimeData(data.get()), QList<int>({0, 2, 7}));
  EXPECT_EQ(PageListWidget::MimeDataOfRows({}), nullptr);
  QMimeData bad;
  bad.setData(kPageRowsMimeType, "1,x");
  EXPECT_TRUE(PageRowsOfMimeData(&bad).isEmpty());
  bad.setData(kPageRowsMimeType, "-1");
  EXPECT_TRUE(PageRowsOfMimeData(&bad).isEmpty());
  QMimeData text;
  text.setText("1,2");
  EXPECT_TRUE(PageRowsOfMimeData(&text).isEmpty());
}

TEST_F(PageListTest, DroppedRowsMoveTogetherInOneUndoStepWithoutScrolling) {
  Open();
  AddImagePages(30);
  const int steps = frm->undoStack()->count();
  QTreeWidget *list = Pages();
  // Scrolled into the middle; rows 14 and 17 dragged before row 13.
  list->scrollToItem(list->topLevelItem(16), QAbstractItemView::PositionAtCenter);
  const int scroll = list->verticalScrollBar()->value();
  ASSERT_GT(scroll, 0);
  ASSERT_TRUE(list->viewport()->rect().contains(Above(list, 13)));
  Select({14, 17});
  const auto data = RowData(list, {14, 17});
  ASSERT_TRUE(data);
  ASSERT_TRUE(data->hasFormat(kPageRowsMimeType));
  const DropOutcome out = Drop(list->viewport(), data.get(), Above(list, 13));
  EXPECT_TRUE(out.entered);
  EXPECT_TRUE(out.moved);
  EXPECT_TRUE(out.dropped);
  QStringList names = Names();
  EXPECT_EQ(names.mid(12, 6).join(" "), "p13.png p15.png p18.png p14.png p16.png p17.png");
  EXPECT_EQ(FileNameOfPath(uitest::Book().Page(14)->filePath), "p18.png");
  EXPECT_EQ(list->topLevelItem(14)->text(0), "15");  // numbers follow the new order
  EXPECT_EQ(SelectedRows(), QList<int>({13, 14}));
  EXPECT_EQ(list->verticalScrollBar()->value(), scroll);
  EXPECT_EQ(frm->undoStack()->count(), steps + 1);
  EXPECT_TRUE(frm->isWindowModified());

  // Dropped onto themselves: nothing changes, no step.
  const auto same = RowData(list, {13, 14});
  EXPECT_TRUE(Drop(list->viewport(), same.get(), Above(list, 14)).dropped);
  EXPECT_EQ(Names(), names);
  EXPECT_EQ(frm->undoStack()->count(), steps + 1);

  // Below the last row: to the end.
  const auto first = RowData(list, {0, 1});
  const QRect last = list->visualRect(list->model()->index(29, 0));
  list->scrollToBottom();
  const QPoint end(last.center().x(), list->visualRect(list->model()->index(29, 0)).bottom() + 8);
  EXPECT_TRUE(Drop(list->viewport(), first.get(), end).dropped);
  EXPECT_EQ(Names().mid(28), QStringList({"p01.png", "p02.png"}));
  EXPECT_EQ(SelectedRows(), QList<int>({28, 29}));

  Undo();
  EXPECT_EQ(Names(), names);
  Undo();
  EXPECT_EQ(Names().mid(12, 6).join(" "), "p13.png p14.png p15.png p16.png p17.png p18.png");
  EXPECT_EQ(frm->undoStack()->count(), steps + 2);
  Redo();
  EXPECT_EQ(Names(), names);

  // Other data is refused at the door; rows beyond the list at the drop.
  QMimeData text;
  text.setText("p01.png");
  EXPECT_FALSE(Drop(list->viewport(), &text, Above(list, 3)).entered);
  list->scrollToTop();
  std::unique_ptr<QMimeData> beyond(PageListWidget::MimeDataOfRows({3, 40}));
  EXPECT_FALSE(Drop(list->viewport(), beyond.get(), Above(list, 3)).dropped);
  EXPECT_EQ(Names(), names);
}

TEST_F(PageListTest, UpAndDownMoveEverySelectedRowAndUndoEach) {
  Open();
  AddImagePages(6);
  const int steps = frm->undoStack()->count();
  Select({1, 3});
  Find<QPushButton>(frm.get(), "UpBtn")->click();
  EXPECT_EQ(Names().join(" "), "p02.png p04.png p01.png p03.png p05.png p06.png");
  EXPECT_EQ(SelectedRows(), QList<int>({0, 1}));
  Find<QPushButton>(frm.get(), "DownBtn")->click();
  EXPECT_EQ(Names().join(" "), "p01.png p02.png p04.png p03.png p05.png p06.png");
  EXPECT_EQ(SelectedRows(), QList<int>({1, 2}));
  Select({2, 4});
  Find<QPushButton>(frm.get(), "DeleteBtn")->click();
  EXPECT_EQ(Names().join(" "), "p01.png p02.png p03.png p06.png");
  EXPECT_EQ(SelectedRows(), QList<int>({2}));
  EXPECT_EQ(frm->undoStack()->count(), steps + 3);
  // Undo selects the rows selected before the step, redo the ones after it.
  Undo();
  EXPECT_EQ(Names().join(" "), "p01.png p02.png p04.png p03.png p05.png p06.png");
  EXPECT_EQ(SelectedRows(), QList<int>({2, 4}));
  Undo();
  EXPECT_EQ(SelectedRows(), QList<int>({0, 1}));
  Redo();
  EXPECT_EQ(SelectedRows(), QList<int>({1, 2}));
  Undo();
  Undo();
  EXPECT_EQ(Names().join(" "), "p01.png p02.png p03.png p04.png p05.png p06.png");
  EXPECT_EQ(SelectedRows(), QList<int>({1, 3}));
}

TEST_F(PageListTest, GridShowsTheSameRowsAndTakesDropsToo) {
  Open();
  AddImagePages(8);
  Select({5});
  Find<QAction>(frm.get(), "PageGridAct")->trigger();
  ASSERT_TRUE(frm->IsPageGrid());
  QListView *grid = Grid();
  EXPECT_TRUE(grid->isVisible());
  EXPECT_FALSE(Pages()->isVisible());
  EXPECT_TRUE(grid->selectionModel()->isSelected(grid->model()->index(5, 1)));  // one selection
  EXPECT_EQ(grid->model()->index(2, 1).data().toString(), "p03.png");
  // More than one picture a line.
  EXPECT_EQ(grid->visualRect(grid->model()->index(0, 1)).top(),
            grid->visualRect(grid->model()->index(1, 1)).top());

  const auto data = RowData(grid, {5, 6}, 1);
  ASSERT_TRUE(data);
  const QRect target = grid->visualRect(grid->model()->index(1, 1));
  const DropOutcome out = Drop(grid->viewport(), data.get(), QPoint(target.left() + 1, target.center().y()));
  EXPECT_TRUE(out.dropped);
  EXPECT_EQ(Names().mid(0, 4), QStringList({"p01.png", "p06.png", "p07.png", "p02.png"}));
  EXPECT_EQ(SelectedRows(), QList<int>({1, 2}));

  // The choice is remembered for the next window.
  frm.reset();
  Open();
  EXPECT_TRUE(frm->IsPageGrid());
  frm->SetPageGrid(false);
  EXPECT_FALSE(Find<QAction>(frm.get(), "PageGridAct")->isChecked());
  EXPECT_TRUE(Pages()->isVisible());
}

TEST_F(PageListTest, InsertAddsBeforeTheSelectedRowAndSelectsTheNewPages) {
  Open();
  AddImagePages(4);
  const QString x = Png("x.png"), y = Png("y.png"), z = Png("z.png");
  QStringList chosen({x, y});
  TLoadFrm::SetFileChooser([&](QWidget *, const QString &) { return chosen; });
  auto insert = [&](bool add) {
    uitest::WhenModal([&, add](QWidget *modal) {
      auto *dialog = qobject_cast<TLoadFrm *>(modal);
      ASSERT_TRUE(dialog);
      if (add) dialog->AddBtnClick();  // added files come ticked
      for (int i = 0; i < dialog->tree()->topLevelItemCount(); ++i)
        dialog->tree()->topLevelItem(i)->setCheckState(0, Qt::Checked);
      Find<QPushButton>(dialog, "OkBtn")->click();
    });
    Find<QPushButton>(frm.get(), "InsertBtn")->click();
  };
  const int steps = frm->undoStack()->count();
  Select({2});
  insert(true);
  EXPECT_EQ(Names().join(" "), "p01.png p02.png x.png y.png p03.png p04.png");
  EXPECT_EQ(SelectedRows(), QList<int>({2, 3}));
  EXPECT_EQ(frm->undoStack()->count(), steps + 1);
  Pages()->clearSelection();
  chosen = QStringList({z});
  insert(true);  // nothing selected: at the end; the library's other files are in the book already
  EXPECT_EQ(Names().join(" "), "p01.png p02.png x.png y.png p03.png p04.png z.png");
  EXPECT_EQ(SelectedRows(), QList<int>({6}));
  Undo();
  Undo();
  EXPECT_EQ(Names().join(" "), "p01.png p02.png p03.png p04.png");
}

TEST_F(PageListTest, FilesDroppedOnTheWindowOrTheListAreAddedAsIfChosen) {
  Open();
  AddImagePages(3);
  const int steps = frm->undoStack()->count();
  const QString a = Png("a.png"), b = Png("b.png");
  lwtest::WriteFile(ws.scratch() + "notes.txt", "plain");
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(ws.scratch() + "notes.txt"),
                 QUrl::fromLocalFile(b)});

  // On the window (here the page tab's free corner): before the selected
  // row; the file that cannot be used is named at once.
  uitest::ErrorRecorder errors;
  Select({1});
  QWidget *tab = Find<QWidget>(frm.get(), "PageTab");
  const DropOutcome out = Drop(tab, &files, QPoint(tab->width() - 3, 3), Qt::CopyAction);
  EXPECT_TRUE(out.entered);
  EXPECT_TRUE(out.dropped);
  ASSERT_TRUE(QTest::qWaitFor([&] { return uitest::Book().PageCount() == 5; }, 10000));
  ASSERT_EQ(errors.messages.size(), 1);
  EXPECT_TRUE(errors.messages[0].contains("notes.txt: not a PDF")) << errors.messages[0].toStdString();
  EXPECT_EQ(Names().join(" "), "p01.png a.png b.png p02.png p03.png");
  EXPECT_EQ(SelectedRows(), QList<int>({1, 2}));
  ASSERT_EQ(uitest::Session().library().size(), 2u);  // the text file is left out
  EXPECT_EQ(uitest::Session().library()[1]->filePath, b);
  EXPECT_TRUE(uitest::Session().library()[1]->isChecked);
  EXPECT_EQ(frm->undoStack()->count(), steps + 1);

  // On the list: where dropped. A known file is not added to the library again.
  QTreeWidget *list = Pages();
  QMimeData one;
  one.setUrls({QUrl::fromLocalFile(a)});
  EXPECT_TRUE(Drop(list->viewport(), &one, Above(list, 4), Qt::CopyAction).dropped);
  ASSERT_TRUE(QTest::qWaitFor([&] { return uitest::Book().PageCount() == 6; }, 10000));
  EXPECT_EQ(Names().join(" "), "p01.png a.png b.png p02.png a.png p03.png");
  EXPECT_EQ(SelectedRows(), QList<int>({4}));
  EXPECT_EQ(uitest::Session().library().size(), 2u);

  // On the preview (the browser's own widget inside it): at the end, as
  // nothing is selected.
  Pages()->clearSelection();
  QWidget *web = Find<QWidget>(frm.get(), "PreViewWeb");
  const QList<QWidget *> inner = web->findChildren<QWidget *>();
  QWidget *browser = inner.isEmpty() ? web : inner.first();
  EXPECT_TRUE(Drop(browser, &one, QPoint(50, 50), Qt::CopyAction).dropped);
  ASSERT_TRUE(QTest::qWaitFor([&] { return uitest::Book().PageCount() == 7; }, 10000));
  EXPECT_EQ(Names().last(), "a.png");
  Undo();

  // Text, web addresses and unsupported files are refused, on both.
  QMimeData refused;
  refused.setUrls({QUrl("https://example.org/a.pdf"), QUrl::fromLocalFile(ws.scratch() + "notes.txt")});
  refused.setText("a.png");
  EXPECT_FALSE(Drop(tab, &refused, QPoint(tab->width() - 3, 3), Qt::CopyAction).entered);
  EXPECT_FALSE(Drop(list->viewport(), &refused, Above(list, 1), Qt::CopyAction).entered);
  QDropEvent drop(QPointF(3, 3), Qt::CopyAction, &refused, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(frm.get(), &drop);
  EXPECT_FALSE(drop.isAccepted());
  QApplication::processEvents();
  EXPECT_EQ(uitest::Book().PageCount(), 6);

  Undo();
  EXPECT_EQ(Names().join(" "), "p01.png a.png b.png p02.png p03.png");
  Undo();
  EXPECT_EQ(Names().join(" "), "p01.png p02.png p03.png");

  // A link to a library file, dropped, is that file: no second library entry.
  ASSERT_TRUE(QFile::link(a, ws.scratch() + "link-to-a.png"));
  QMimeData linked;
  linked.setUrls({QUrl::fromLocalFile(ws.scratch() + "link-to-a.png")});
  EXPECT_TRUE(Drop(tab, &linked, QPoint(tab->width() - 3, 3), Qt::CopyAction).dropped);
  ASSERT_TRUE(QTest::qWaitFor([&] { return uitest::Book().PageCount() == 4; }, 10000));
  EXPECT_EQ(uitest::Session().library().size(), 2u);
}

TEST_F(PageListTest, ThumbnailsAreDrawnInTheBackgroundAndCached) {
  Open();
  QStringList pdfs;
  for (const char *name : {"alpha", "beta", "gamma"}) {
    pdfs << ws.scratch() + name + ".pdf";
    ASSERT_TRUE(lwtest::WriteFile(pdfs.last(), lwtest::MakeTextPdf(4, name)));
  }
  for (const QString &pdf : pdfs) AddPdfPages(pdf, 4);
  TPageObj *gone = uitest::Book().AddPageByPath(ws.scratch() + "page.swf");
  gone->fileType = kPageSwf;
  gone->sourcePath = ws.scratch() + "gone.pdf";
  gone->sourcePage = 1;
  gone->showName = "gone_1.pdf";
  ThumbnailCache *thumbs = frm->thumbnails();
  QSignalSpy ready(thumbs, &ThumbnailCache::thumbnailReady);
  frm->RefreshPageList();
  EXPECT_EQ(thumbs->pendingCount(), 12);  // the missing source asks for nothing
  while (ready.count() < 12) ASSERT_TRUE(ready.wait(20000)) << ready.count();
  EXPECT_EQ(thumbs->renderedCount(), 12);
  auto icon = [&](int row) {
    return Pages()->topLevelItem(row)->icon(1).pixmap(QSize(60, 80)).toImage();
  };
  for (int row = 0; row < 12; ++row) EXPECT_TRUE(IsDrawnPage(icon(row))) << row;
  EXPECT_FALSE(icon(12).isNull());
  EXPECT_FALSE(IsDrawnPage(icon(12)));  // the blank page
  EXPECT_NE(icon(0), icon(4));  // alpha 1 and beta 1 differ

  // Moving, undoing and clearing then undoing draw nothing anew.
  frm->RecordChange("Add Pages");
  frm->MovePageRows({0, 1}, 13);
  EXPECT_TRUE(IsDrawnPage(icon(11)));
  Find<QAction>(frm.get(), "UndoAct")->trigger();
  EXPECT_TRUE(IsDrawnPage(icon(0)));
  // Clear stops the worker; the pictures stay for the pages that come back.
  Find<QPushButton>(frm.get(), "ClearBtn")->click();
  EXPECT_EQ(Pages()->topLevelItemCount(), 0);
  Find<QAction>(frm.get(), "UndoAct")->trigger();
  EXPECT_TRUE(IsDrawnPage(icon(5)));
  EXPECT_EQ(thumbs->pendingCount(), 0);
  EXPECT_EQ(thumbs->renderedCount(), 12);
}

TEST_F(PageListTest, ClosingTheWindowWhileDrawingStopsTheWorker) {
  Open();
  const QString pdf = ws.scratch() + "long.pdf";
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(400)));
  AddPdfPages(pdf, 400);
  ThumbnailCache *thumbs = frm->thumbnails();
  QSignalSpy ready(thumbs, &ThumbnailCache::thumbnailReady);
  frm->RefreshPageList();
  ASSERT_TRUE(ready.wait(20000));
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(frm->close());
  EXPECT_EQ(thumbs->pendingCount(), 0);
  const int drawn = thumbs->renderedCount();
  EXPECT_LT(drawn, 400);
  QApplication::processEvents();
  EXPECT_EQ(thumbs->renderedCount(), drawn);  // nothing arrives after the close
  frm.reset();
  std::printf("closing while drawing: %lld ms, %d of 400 pages drawn\n",
              static_cast<long long>(clock.elapsed()), drawn);
}

// Each grid cell shows its page's number and name (whole, or elided in the
// middle only), its picture with a border that shows a white page on the
// white background, and no cell is cut: not at the top of the view, not
// at a font half as large again.
TEST_F(PageListTest, GridCellsShowNumberNamePictureAndBorderAtAnyFontSize) {
  Open();
  const QString pdf = ws.scratch() + "bzip2-manual-second-edition.pdf";
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(2)));
  AddPdfPages(pdf, 2);
  TFileObj white(uitest::WritePng(ws.scratch() + "white.png", 60, 80, Qt::white));
  frm->AddFilePages(white);
  AddImagePages(9);
  frm->SetPageGrid(true);
  auto *grid = qobject_cast<PageGridWidget *>(Grid());
  ASSERT_TRUE(grid);
  const QFont normal = grid->font();
  for (const double scale : {1.0, 1.5}) {
    SCOPED_TRACE(scale);
    const QFont font = uitest::ScaledFont(normal, scale);
    grid->setFont(font);
    grid->scrollToTop();
    QApplication::processEvents();
    const QFontMetrics metrics(font);
    const QRect view = grid->viewport()->rect();
    int shown = 0;
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
      SCOPED_TRACE(row);
      const QModelIndex index = grid->model()->index(row, 1);
      const PageGridCell cell = grid->CellOf(index);
      const QRect item = grid->visualRect(index);
      if (!view.intersects(item)) continue;
      ++shown;
      if (item.top() < view.bottom() - item.height()) EXPECT_TRUE(view.contains(item)) << item.top();
      for (const QRect &part : {cell.picture, cell.numberRect, cell.nameRect})
        EXPECT_TRUE(cell.cell.contains(part));
      EXPECT_TRUE(item.contains(cell.cell));
      // The picture fills its box one way (the test pages are landscape).
      EXPECT_TRUE(cell.picture.width() == grid->iconSize().width() || cell.picture.height() == grid->iconSize().height());
      EXPECT_EQ(cell.number, QString::number(row + 1));
      EXPECT_LE(metrics.horizontalAdvance(cell.name), cell.nameRect.width());
      EXPECT_GE(cell.numberRect.height(), metrics.height());
      const QString full = index.data().toString();
      if (cell.name != full) {
        const int cut = cell.name.indexOf(QChar(0x2026));
        ASSERT_GT(cut, 0) << cell.name.toStdString();
        EXPECT_TRUE(full.startsWith(cell.name.left(cut)));
        EXPECT_TRUE(full.endsWith(cell.name.mid(cut + 1)));
        EXPECT_GE(cut, 4) << cell.name.toStdString();  // not cut to a few letters
        EXPECT_GE(cell.name.size() - cut - 1, 4) << cell.name.toStdString();
      }
    }
    // Several cells, however tall the font's lines (Noto Sans, the usual
    // desktop font, has taller ones than DejaVu Sans).
    EXPECT_GE(shown, 3);
    // The white page's border differs from the background around it.
    grid->scrollTo(grid->model()->index(2, 1));
    QApplication::processEvents();
    const QImage shot = grid->viewport()->grab().toImage();
    const QRect picture = grid->CellOf(grid->model()->index(2, 1)).picture;
    const qreal ratio = shot.devicePixelRatio();
    const int y = qRound(picture.center().y() * ratio);
    int darkest = 255;
    for (int x = qFloor((picture.left() - 2) * ratio); x < qCeil(picture.left() * ratio); ++x)
      darkest = std::min(darkest, shot.pixelColor(x, y).lightness());
    EXPECT_EQ(shot.pixelColor(picture.center() * ratio), QColor(Qt::white));
    EXPECT_LT(darkest, 200);
    // LW_SCREENSHOTS names a folder to keep the grid's pictures in, to look at.
    if (const QString keep = qEnvironmentVariable("LW_SCREENSHOTS"); !keep.isEmpty())
      grid->window()->grab().save(QStringLiteral("%1/page-grid-%2x.png").arg(keep).arg(scale));
  }
}

// The list never scrolls sideways: whatever moves it down (Ctrl+End, a
// click on a row, scrolling to a row's content, a column width set from
// outside) leaves its horizontal scroll at 0 and the Page column in view,
// as wide as its numbers.
TEST_F(PageListTest, ListNeverScrollsSideways) {
  Open();
  const QString pdf = ws.scratch() + "a-rather-long-name-of-a-manual-in-its-second-edition.pdf";
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(2)));
  AddPdfPages(pdf, 120);
  frm->RefreshPageList();
  QTreeWidget *list = Pages();
  const std::pair<const char *, std::function<void()>> moves[] = {
      {"Ctrl+End", [&] { QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier); }},
      {"click on a row",
       [&] {
         const QRect row = list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 2));
         QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(list->viewport()->width() - 5, row.center().y()));
       }},
      {"scroll to a row's content", [&] { list->scrollTo(list->model()->index(60, 1)); }},
      {"widths set from outside",
       [&] {
         list->header()->setStretchLastSection(false);
         list->setColumnWidth(1, 400);
         list->setColumnWidth(0, 63);
         list->scrollTo(list->model()->index(100, 1));
       }},
  };
  const QFontMetrics metrics(list->font());
  for (const auto &[name, move] : moves) {
    SCOPED_TRACE(name);
    move();
    QApplication::processEvents();
    EXPECT_EQ(list->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(list->header()->offset(), 0);
    EXPECT_EQ(list->header()->sectionViewportPosition(0), 0);
    EXPECT_GE(list->columnWidth(0), metrics.horizontalAdvance("120"));
    EXPECT_LT(list->columnWidth(0), list->viewport()->width() / 3);
    EXPECT_EQ(list->header()->length(), list->viewport()->width());
  }
  if (const QString keep = qEnvironmentVariable("LW_SCREENSHOTS"); !keep.isEmpty())
    list->window()->grab().save(keep + "/page-list.png");
}
