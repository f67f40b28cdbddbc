// The Library dialog with real widgets: rows and IDs, check boxes, adding
// files through the dialog's own routine, range edits, deletion and the
// modal results.

#include "ui/tfrmloadprocess.h"
#include "model/conversionnames.h"
#include "model/uconst.h"
#include "ui/lastfolders.h"
#include "ui/tloadfrm.h"
#include "support/testpdf.h"
#include "uitest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QLabel>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace lw;
using uitest::Find;

namespace {

class LoadFrmTest : public ::testing::Test {
 protected:
  void SetUp() override { InitWorkspace(ws.appDir()); }
  void TearDown() override { TLoadFrm::SetFileChooser({}); }

  std::shared_ptr<TFileObj> Library(const QString &path) {
    auto file = std::make_shared<TFileObj>(path);
    LibraryList.push_back(file);
    return file;
  }
  QString Png(const QString &name) { return uitest::WritePng(ws.scratch() + name, 8, 6); }
  QString Pdf(const QString &name, int pages) {
    lwtest::WriteFile(ws.scratch() + name, lwtest::MakeTextPdf(pages));
    return ws.scratch() + name;
  }
  // Shows a dialog in picking mode (not modally: the tests drive it).
  TLoadFrm &Open(TLoadFrm::ShowMode showTag = TLoadFrm::ShowMode::Pick) {
    dlg = std::make_unique<TLoadFrm>(LibraryList);
    dlg->ShowTag = showTag;
    dlg->show();
    QApplication::processEvents();
    return *dlg;
  }
  QTreeWidget *Tree() { return dlg->tree(); }
  // Each row as "ID|name|count|range|check" (check: x, _ or none).
  QStringList Rows() {
    QStringList rows;
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i) {
      QTreeWidgetItem *r = Tree()->topLevelItem(i);
      const QVariant box = r->data(0, Qt::CheckStateRole);
      rows << QStringList({r->text(0), r->text(1), r->text(2), r->text(3),
                           !box.isValid() ? "none" : r->checkState(0) == Qt::Checked ? "x" : "_"})
                  .join('|');
    }
    return rows;
  }
  void ChooseFiles(const QStringList &paths) {
    TLoadFrm::SetFileChooser([paths](QWidget *, const QString &filter) {
      EXPECT_EQ(filter, TLoadFrm::kOpenFilter);
      return paths;
    });
  }

  uitest::Workspace ws{true};
  TFileList LibraryList;  // the library the dialog shows
  std::unique_ptr<TLoadFrm> dlg;
};

TEST_F(LoadFrmTest, FrameAndControls) {
  TLoadFrm &d = Open();
  EXPECT_EQ(d.windowTitle(), "Library");
  EXPECT_GE(d.width(), 516);
  EXPECT_GE(d.height(), 365);
  const std::pair<const char *, const char *> buttons[] = {
      {"AddBtn", "Add PDF,Image Files"}, {"DelBtn", "Delete"}, {"CancelBtn", "Cancel"}, {"OkBtn", "OK"}};
  for (const auto &[name, caption] : buttons) {
    ASSERT_TRUE(Find<QPushButton>(&d, name)) << name;
    EXPECT_EQ(Find<QPushButton>(&d, name)->text(), caption);
  }
  auto *all = Find<QCheckBox>(&d, "CheckAllBtn");
  ASSERT_TRUE(all);
  EXPECT_EQ(all->text(), "Checked All");
  EXPECT_FALSE(all->isChecked());
  ASSERT_EQ(Tree()->objectName(), "LibraryTree");
  EXPECT_EQ(Tree()->columnCount(), 4);
  QStringList headers;
  for (int c = 0; c < 4; ++c) headers << Tree()->headerItem()->text(c);
  EXPECT_EQ(headers, QStringList({"ID", "File Name", "Page Count", "Page Range"}));
  // Every column is in view with its header text whole (the widths
  // themselves: PageRangeColumnIsAsWideAsItsText).
  EXPECT_EQ(Tree()->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(Tree()->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(QString(TLoadFrm::kOpenFilter).split(";;").size(), 3);
}

TEST_F(LoadFrmTest, OpeningListsTheLibraryWithItsTicksAndIds) {
  Library(Png("one.png"))->isChecked = true;
  Library(Pdf("two.pdf", 4))->rangeStr = "2-3";
  Library(Png("three.png"))->isChecked = true;
  Open();
  EXPECT_EQ(Rows(), QStringList({"1|one.png|-|-|x", "2|two.pdf|4|2-3|_", "3|three.png|-|-|x"}));
  for (const auto &file : LibraryList) EXPECT_TRUE(dlg->RowOfFile(file.get()));
  EXPECT_TRUE(LibraryList[0]->isChecked);
  EXPECT_FALSE(LibraryList[1]->isChecked);
  // The row's tooltip names the whole path, which tells apart two files of
  // one name.
  EXPECT_TRUE(Tree()->topLevelItem(1)->toolTip(1).contains(QDir::toNativeSeparators(LibraryList[1]->filePath)));

  // Cancel puts the ticks back as they were when the dialog opened.
  Tree()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  Tree()->topLevelItem(1)->setCheckState(0, Qt::Checked);
  EXPECT_TRUE(LibraryList[1]->isChecked);
  dlg->CancelBtnClick();
  EXPECT_TRUE(LibraryList[0]->isChecked);
  EXPECT_FALSE(LibraryList[1]->isChecked);
  EXPECT_TRUE(LibraryList[2]->isChecked);
  // OK keeps them as left.
  Open();
  Tree()->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
  Find<QPushButton>(dlg.get(), "OkBtn")->click();
  Open();
  EXPECT_EQ(Rows(), QStringList({"1|one.png|-|-|x", "2|two.pdf|4|2-3|_", "3|three.png|-|-|_"}));

  // Ticking a row ticks its file; "Checked All" sets every row and file.
  Tree()->topLevelItem(1)->setCheckState(0, Qt::Checked);
  EXPECT_TRUE(LibraryList[1]->isChecked);
  Find<QCheckBox>(dlg.get(), "CheckAllBtn")->click();
  EXPECT_EQ(Rows(), QStringList({"1|one.png|-|-|x", "2|two.pdf|4|2-3|x", "3|three.png|-|-|x"}));
  Tree()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_FALSE(LibraryList[0]->isChecked);
  Find<QCheckBox>(dlg.get(), "CheckAllBtn")->click();  // from some ticked: all
  for (const auto &file : LibraryList) EXPECT_TRUE(file->isChecked);
  Find<QCheckBox>(dlg.get(), "CheckAllBtn")->click();
  for (const auto &file : LibraryList) EXPECT_FALSE(file->isChecked);
}

// "Checked All" follows the rows' ticks, whoever sets them: by hand, by
// the box itself, by adding or deleting a file.
TEST_F(LoadFrmTest, CheckedAllFollowsTheTicks) {
  for (const char *name : {"a.png", "b.png", "c.png"}) Library(Png(name));
  LibraryList[1]->isChecked = true;
  Open();
  auto *all = Find<QCheckBox>(dlg.get(), "CheckAllBtn");
  EXPECT_EQ(all->checkState(), Qt::PartiallyChecked);  // as opened
  auto tick = [&](int row, bool on) {
    Tree()->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
  };
  struct Step {
    const char *what;
    std::function<void()> act;
    Qt::CheckState box;
    const char *ticks;  // rows' ticks after the step
  };
  const Step steps[] = {
      {"untick the one", [&] { tick(1, false); }, Qt::Unchecked, "___"},
      {"tick one", [&] { tick(0, true); }, Qt::PartiallyChecked, "x__"},
      {"tick the others", [&] { tick(1, true); tick(2, true); }, Qt::Checked, "xxx"},
      {"untick one", [&] { tick(2, false); }, Qt::PartiallyChecked, "xx_"},
      {"click the box when some are ticked", [&] { all->click(); }, Qt::Checked, "xxx"},
      {"click the box when all are ticked", [&] { all->click(); }, Qt::Unchecked, "___"},
      {"space on the box", [&] { QTest::keyClick(all, Qt::Key_Space); }, Qt::Checked, "xxx"},
      {"add a file (ticked)",
       [&] {
         tick(0, false);
         ChooseFiles({Png("d.png")});
         dlg->AddBtnClick();
       },
       Qt::PartiallyChecked, "_xxx"},
      {"delete the unticked row",
       [&] {
         dlg->SelectOnlyNode(Tree()->topLevelItem(0));
         dlg->DelBtnClick();
       },
       Qt::Checked, "xxx"},
  };
  for (const Step &step : steps) {
    step.act();
    QString ticks;
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i)
      ticks += Tree()->topLevelItem(i)->checkState(0) == Qt::Checked ? 'x' : '_';
    EXPECT_EQ(ticks, step.ticks) << step.what;
    EXPECT_EQ(all->checkState(), step.box) << step.what;
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i)
      EXPECT_EQ(dlg->FileOfRow(Tree()->topLevelItem(i))->isChecked, ticks[i] == 'x') << step.what;
  }
}

// At the normal font and at a font half as large again, the dialog gives
// every button, box and the list the room they need: nothing is cut, the
// controls keep their order.
TEST_F(LoadFrmTest, NothingIsCutAtALargerFont) {
  Library(Pdf("a rather long file name of a report.pdf", 12))->rangeStr = "1-3, 5";
  Library(Png("pic.png"));
  const QFont normal = QApplication::font();
  struct Restore {
    QFont font;
    ~Restore() { QApplication::setFont(font); }
  } restore{normal};
  for (const double scale : {1.0, 1.5}) {
    SCOPED_TRACE(scale);
    const QFont font = uitest::ScaledFont(normal, scale);
    QApplication::setFont(font);
    Open();
    QApplication::processEvents();
    for (const char *name : {"AddBtn", "DelBtn", "CheckAllBtn", "CancelBtn", "OkBtn"}) {
      auto *control = Find<QAbstractButton>(dlg.get(), name);
      ASSERT_TRUE(control) << name;
      EXPECT_GE(control->width(), control->sizeHint().width()) << name;
      EXPECT_GE(control->height(), control->sizeHint().height()) << name;
      const QRect inDialog(control->mapTo(dlg.get(), QPoint(0, 0)), control->size());
      EXPECT_TRUE(dlg->rect().contains(inDialog)) << name;
    }
    auto at = [&](const char *name) { return Find<QWidget>(dlg.get(), name)->mapTo(dlg.get(), QPoint(0, 0)); };
    EXPECT_LT(at("LibraryTree").y(), at("AddBtn").y());
    EXPECT_LT(at("AddBtn").x(), at("DelBtn").x());
    EXPECT_LT(at("DelBtn").x(), at("CheckAllBtn").x());
    EXPECT_LT(at("AddBtn").y(), at("OkBtn").y());
    EXPECT_LT(at("CancelBtn").x(), at("OkBtn").x());
    EXPECT_EQ(Tree()->horizontalScrollBar()->maximum(), 0);
    EXPECT_GE(Tree()->viewport()->height(), 4 * Tree()->visualItemRect(Tree()->topLevelItem(0)).height());
    EXPECT_GE(Tree()->columnWidth(TLoadFrm::kColRange), QFontMetrics(font).horizontalAdvance("1-3, 5"));
    // LW_SCREENSHOTS names a folder to keep the dialog's pictures in, to look at.
    if (const QString keep = qEnvironmentVariable("LW_SCREENSHOTS"); !keep.isEmpty())
      dlg->grab().save(QStringLiteral("%1/library-%2x.png").arg(keep).arg(scale));
    dlg.reset();
  }
}

TEST_F(LoadFrmTest, ViewModeHasNoBoxesAndACloseButton) {
  Library(Png("one.png"));
  TLoadFrm &d = Open(TLoadFrm::ShowMode::View);
  EXPECT_FALSE(Find<QPushButton>(&d, "CancelBtn")->isVisible());
  EXPECT_EQ(Find<QPushButton>(&d, "OkBtn")->text(), "Close");
  EXPECT_EQ(Rows(), QStringList({"1|one.png|-|-|none"}));
}

TEST_F(LoadFrmTest, CheckedAllOnAnEmptyLibraryOnlyTogglesItself) {
  Open();
  auto *all = Find<QCheckBox>(dlg.get(), "CheckAllBtn");
  all->click();
  EXPECT_TRUE(all->isChecked());
  EXPECT_EQ(Tree()->topLevelItemCount(), 0);
  EXPECT_TRUE(LibraryList.empty());
}

TEST_F(LoadFrmTest, AddingImagesSkipsKnownPathsButNotOtherCase) {
  Library(Png("old.png"));
  Open();
  const QString a = Png("a.png");
  const QString b = Png("b.png");
  const QString upper = Png("OLD.png");
  ChooseFiles({a, ws.scratch() + "old.png", b, a, upper});
  int modals = 0;
  QObject guard;
  // No progress window comes up for images.
  QTimer::singleShot(0, &guard, [&] { modals += QApplication::activeModalWidget() ? 1 : 0; });
  dlg->AddBtnClick();
  QApplication::processEvents();
  EXPECT_EQ(modals, 0);
  // old.png is not added again; its row is ticked and selected instead.
  EXPECT_EQ(Rows(), QStringList({"1|old.png|-|-|x", "2|a.png|-|-|x", "3|b.png|-|-|x", "4|OLD.png|-|-|x"}));
  EXPECT_EQ(Tree()->selectedItems().value(0), Tree()->topLevelItem(1));  // a.png, chosen twice
  ASSERT_EQ(LibraryList.size(), 4u);
  EXPECT_TRUE(LibraryList[3]->isChecked);
  EXPECT_EQ(dlg->RowOfFile(LibraryList[3].get()), Tree()->topLevelItem(3));
  EXPECT_TRUE(dlg->IsNewFile(ws.scratch() + "A.png"));
  EXPECT_FALSE(dlg->IsNewFile(a));
  // Enter after adding presses OK, not "Add" again.
  EXPECT_EQ(dlg->focusWidget(), uitest::Find<QPushButton>(dlg.get(), "OkBtn"));
  EXPECT_TRUE(QString(TLoadFrm::kOpenFilter).contains("*.jpeg"));

  // A cancelled file dialog adds nothing.
  ChooseFiles({});
  dlg->AddBtnClick();
  EXPECT_EQ(LibraryList.size(), 4u);
}

TEST_F(LoadFrmTest, PageRangeEditsOfPdfRowsOnly) {
  Library(Pdf("doc.pdf", 5));
  Library(Png("pic.png"));
  Open();
  QTreeWidgetItem *pdfRow = Tree()->topLevelItem(0);
  QTreeWidgetItem *imageRow = Tree()->topLevelItem(1);
  EXPECT_TRUE(dlg->LibraryTreeEditing(pdfRow, TLoadFrm::kColRange));
  EXPECT_FALSE(dlg->LibraryTreeEditing(pdfRow, TLoadFrm::kColName));
  EXPECT_FALSE(dlg->LibraryTreeEditing(imageRow, TLoadFrm::kColRange));

  // Typed through the cell editor: blanks around a valid range go.
  Tree()->setCurrentItem(pdfRow, TLoadFrm::kColRange);
  Tree()->editItem(pdfRow, TLoadFrm::kColRange);
  auto *editor = Tree()->viewport()->findChild<QLineEdit *>();
  ASSERT_TRUE(editor);
  editor->setText("  1, 3-4 \t");
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(LibraryList[0]->rangeStr, "1, 3-4");
  EXPECT_EQ(pdfRow->text(3), "1, 3-4");

  // Rejected texts keep the old one, and the cell and the line under the
  // list say why (an empty text is no range at all: nothing to say).
  auto *message = Find<QLabel>(dlg.get(), "LibraryMessageLbl");
  ASSERT_TRUE(message);
  EXPECT_TRUE(message->text().isEmpty());
  const std::pair<const char *, const char *> rejected[] = {
      {"6", "this PDF has 5 pages"}, {"", ""}, {"0", "this PDF has 5 pages"},
      {"3-2", "write pages as 1-5, 8"}, {"x", "write pages as 1-5, 8"}, {" , ", "write pages as 1-5, 8"}};
  for (const auto &[bad, why] : rejected) {
    pdfRow->setToolTip(3, QString());
    dlg->LibraryTreeNewText(pdfRow, TLoadFrm::kColRange, bad);
    EXPECT_EQ(LibraryList[0]->rangeStr, "1, 3-4") << bad;
    EXPECT_EQ(pdfRow->toolTip(3), *why ? QStringLiteral("Kept \"1, 3-4\": ") + why : QString()) << bad;
    if (*why) {
      EXPECT_TRUE(message->text().contains(why)) << message->text().toStdString();
      EXPECT_TRUE(message->text().contains("doc.pdf"));
      EXPECT_TRUE(message->text().contains("1, 3-4"));
      EXPECT_TRUE(message->isVisible());
    } else {
      EXPECT_TRUE(message->text().isEmpty()) << message->text().toStdString();
    }
  }
  dlg->LibraryTreeNewText(pdfRow, TLoadFrm::kColRange, "2");
  EXPECT_TRUE(pdfRow->toolTip(3).isEmpty());
  EXPECT_TRUE(message->text().isEmpty());
  // Typed with the keyboard: the reason stays in the dialog after the edit
  // ends, until a range is taken.
  Tree()->setCurrentItem(pdfRow, TLoadFrm::kColRange);
  Tree()->editItem(pdfRow, TLoadFrm::kColRange);
  QLineEdit *typed = nullptr;
  for (QLineEdit *e : Tree()->viewport()->findChildren<QLineEdit *>())
    if (e->isVisible()) typed = e;
  ASSERT_TRUE(typed);
  typed->setText("5-999");
  QTest::keyClick(typed, Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !message->text().isEmpty(); }, 5000));
  EXPECT_TRUE(message->text().contains("\"5-999\"")) << message->text().toStdString();
  EXPECT_TRUE(message->text().contains("this PDF has 5 pages"));
  EXPECT_EQ(pdfRow->text(3), "2");
  // Whole on screen, under the list.
  EXPECT_TRUE(QTest::qWaitFor([&] { return message->height() >= message->heightForWidth(message->width()); }, 5000));
  EXPECT_GT(message->mapTo(dlg.get(), QPoint(0, 0)).y(), Tree()->mapTo(dlg.get(), QPoint(0, Tree()->height() - 1)).y());
  if (const QString keep = qEnvironmentVariable("LW_SCREENSHOTS"); !keep.isEmpty())
    dlg->grab().save(keep + "/library-refused-range.png");
  dlg->LibraryTreeNewText(pdfRow, TLoadFrm::kColRange, "all");
  EXPECT_EQ(LibraryList[0]->rangeStr, "all");
  EXPECT_TRUE(message->text().isEmpty());
  dlg->LibraryTreeNewText(imageRow, TLoadFrm::kColRange, "1");
  EXPECT_EQ(LibraryList[1]->rangeStr, "All");
  EXPECT_EQ(imageRow->text(3), "-");
  EXPECT_EQ(imageRow->text(2), "-");

  // A click on the image row's range cell opens no editor.
  const QRect cell = Tree()->visualItemRect(imageRow);
  const int x = Tree()->header()->sectionViewportPosition(3) + 10;
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, QPoint(x, cell.center().y()));
  QApplication::processEvents();
  EXPECT_FALSE(Tree()->viewport()->findChild<QLineEdit *>() &&
               Tree()->viewport()->findChild<QLineEdit *>()->isVisible());
  // ... and on the PDF row's range cell it does.
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                    QPoint(x, Tree()->visualItemRect(pdfRow).center().y()));
  QApplication::processEvents();
  auto *open = Tree()->viewport()->findChild<QLineEdit *>();
  ASSERT_TRUE(open && open->isVisible());
  QTest::keyClick(open, Qt::Key_Escape);  // a cancelled edit changes nothing
  EXPECT_EQ(LibraryList[0]->rangeStr, "all");
}

TEST_F(LoadFrmTest, DeleteSelectsTheNeighbourAndIdsCloseUp) {
  for (const char *name : {"a.png", "b.png", "c.png", "d.png"}) Library(Png(name));
  Open();
  auto del = [&] { Find<QPushButton>(dlg.get(), "DelBtn")->click(); };
  auto selected = [&] {
    const auto rows = Tree()->selectedItems();
    return rows.isEmpty() ? QString("none") : rows.first()->text(1);
  };
  del();  // nothing selected: nothing happens
  EXPECT_EQ(LibraryList.size(), 4u);

  Tree()->topLevelItem(1)->setSelected(true);
  del();  // a middle row: the next one is selected
  EXPECT_EQ(Rows(), QStringList({"1|a.png|-|-|_", "2|c.png|-|-|_", "3|d.png|-|-|_"}));
  EXPECT_EQ(selected(), "c.png");
  EXPECT_EQ(Tree()->currentItem()->text(1), "c.png");

  Tree()->clearSelection();
  Tree()->topLevelItem(2)->setSelected(true);
  del();  // the last row: the one before it
  EXPECT_EQ(Rows(), QStringList({"1|a.png|-|-|_", "2|c.png|-|-|_"}));
  EXPECT_EQ(selected(), "c.png");
  EXPECT_EQ(LibraryList.size(), 2u);

  // The Delete key in the list does the same; in a range being typed it
  // only deletes text.
  Tree()->setFocus();
  ASSERT_TRUE(uitest::Spin([&] { return QApplication::focusWidget() == Tree(); }, 5000));
  QTest::keyClick(Tree(), Qt::Key_Delete);
  EXPECT_EQ(Rows(), QStringList({"1|a.png|-|-|_"}));
  EXPECT_EQ(selected(), "a.png");
  Library(Pdf("doc.pdf", 3));
  dlg.reset();
  Open();
  QTreeWidgetItem *pdfRow = Tree()->topLevelItem(1);
  Tree()->setCurrentItem(pdfRow, TLoadFrm::kColRange);
  Tree()->editItem(pdfRow, TLoadFrm::kColRange);
  auto *editor = Tree()->viewport()->findChild<QLineEdit *>();
  ASSERT_TRUE(editor);
  editor->setFocus();
  editor->selectAll();
  QTest::keyClick(editor, Qt::Key_Delete);
  EXPECT_EQ(editor->text(), "");
  EXPECT_EQ(Tree()->topLevelItemCount(), 2);
  QTest::keyClick(editor, Qt::Key_Escape);
  Tree()->clearSelection();
  Tree()->topLevelItem(1)->setSelected(true);

  del();
  del();  // the only row: nothing selected afterwards
  EXPECT_EQ(Tree()->topLevelItemCount(), 0);
  EXPECT_EQ(selected(), "none");
  EXPECT_TRUE(LibraryList.empty());
}

TEST_F(LoadFrmTest, NewPdfsAreConvertedInTheProgressWindow) {
  const QString pdf = Pdf("report.pdf", 2);
  const QString a = Png("a.png");
  const QString b = Png("b.png");
  Open();
  ChooseFiles({a, pdf, b});
  QStringList modals;
  uitest::WhenModal([&](QWidget *w) { modals << w->metaObject()->className(); });
  dlg->AddBtnClick();
  EXPECT_EQ(modals, QStringList({"lw::TFrmLoadProcess"}));
  EXPECT_EQ(Rows(), QStringList({"1|a.png|-|-|x", "2|report.pdf|2|All|x", "3|b.png|-|-|x"}));
  ASSERT_EQ(LibraryList.size(), 3u);
  EXPECT_TRUE(LibraryList[1]->isConverter);
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);
  EXPECT_TRUE(lwtest::Exists(names.PageFile(1)));
  EXPECT_TRUE(lwtest::Exists(names.PageFile(2)));
  EXPECT_EQ(LibraryList[1]->GetRangeList(), QStringList({names.PageFile(1), names.PageFile(2)}));

  // Adding the same PDF again converts nothing.
  modals.clear();
  ChooseFiles({pdf});
  uitest::WhenModal([&](QWidget *w) { modals << w->metaObject()->className(); }, 500);
  dlg->AddBtnClick();
  uitest::Spin([] { return false; }, 600);
  EXPECT_TRUE(modals.isEmpty());
  EXPECT_EQ(LibraryList.size(), 3u);
}

TEST_F(LoadFrmTest, CancelRemovesTheUnconvertedPdfsOfTheBatch) {
  Library(Png("kept.png"));
  const QString first = Pdf("first.pdf", 1);
  const QString second = Pdf("second.pdf", 120);
  const QString third = Pdf("third.pdf", 1);
  const QString image = Png("new.png");
  Open();
  ChooseFiles({first, image, second, third});
  // Escape as soon as the window names the second PDF.
  bool escaped = false;
  uitest::WhenModal([&](QWidget *w) {
    auto *progress = qobject_cast<TFrmLoadProcess *>(w);
    ASSERT_TRUE(progress);
    ASSERT_TRUE(progress->job());
    if (progress->ShowLab->text().contains("second.pdf")) {
      escaped = true;
      QTest::keyClick(progress, Qt::Key_Escape);
      return;
    }
    QObject::connect(progress->job(), &TConvertPafThread::fileStarted, progress,
                     [&, progress](int index) {
                       if (index != 1 || escaped) return;
                       escaped = true;
                       QTest::keyClick(progress, Qt::Key_Escape);
                     });
  });
  dlg->AddBtnClick();
  ASSERT_TRUE(escaped);
  EXPECT_EQ(Rows(), QStringList({"1|kept.png|-|-|_", "2|first.pdf|1|All|x", "3|new.png|-|-|x"}));
  ASSERT_EQ(LibraryList.size(), 3u);
  EXPECT_TRUE(LibraryList[1]->isConverter);
  EXPECT_TRUE(dlg->IsNewFile(second));
  EXPECT_TRUE(dlg->IsNewFile(third));

  // Cancelling the dialog keeps the files; the next opening lists them unchecked.
  dlg->CancelBtnClick();
  EXPECT_EQ(dlg->result(), 2);
  dlg.reset();
  Open();
  EXPECT_EQ(Rows(), QStringList({"1|kept.png|-|-|_", "2|first.pdf|1|All|_", "3|new.png|-|-|_"}));
}

// A file reached through a symbolic link (a linked folder or a linked file)
// is the file the library has: no second row and no second conversion; its
// row is ticked and selected instead, so the user sees where it is.
TEST_F(LoadFrmTest, SameFileThroughALinkIsListedAndConvertedOnce) {
  const QString pdf = Pdf("docs/report.pdf", 2);
  ASSERT_TRUE(QFile::link(ws.scratch() + "docs", ws.scratch() + "linked-docs"));
  ASSERT_TRUE(QFile::link(pdf, ws.scratch() + "alias.pdf"));
  Open();
  QStringList modals;
  uitest::WhenModal([&](QWidget *w) { modals << w->metaObject()->className(); });
  dlg->AddFiles({pdf});
  ASSERT_EQ(modals, QStringList({"lw::TFrmLoadProcess"}));
  ASSERT_EQ(LibraryList.size(), 1u);
  ASSERT_TRUE(LibraryList[0]->isConverter);
  const QString conversion = ConversionNamesFor(SysSetInfo.TempPathStr, pdf).folder;
  const QStringList converted = QDir(conversion).entryList(QDir::Files);

  Tree()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  Tree()->clearSelection();
  // Files only: a converter started by mistake would be a modal window.
  bool converting = false;
  QObject guard;
  QTimer::singleShot(0, &guard, [&] { converting = QApplication::activeModalWidget() != nullptr; });
  dlg->AddFiles({ws.scratch() + "linked-docs/report.pdf", ws.scratch() + "alias.pdf"});
  EXPECT_FALSE(converting);
  EXPECT_EQ(Rows(), QStringList({"1|report.pdf|2|All|x"}));
  EXPECT_EQ(LibraryList.size(), 1u);
  EXPECT_TRUE(LibraryList[0]->isChecked);
  EXPECT_EQ(Tree()->selectedItems().value(0), Tree()->topLevelItem(0));
  EXPECT_FALSE(dlg->IsNewFile(ws.scratch() + "linked-docs/report.pdf"));
  EXPECT_EQ(QDir(conversion).entryList(QDir::Files), converted);
}

// A PDF the converter cannot use stays listed with the reason in its row,
// "no pages" as its range and no tick; the tooltip says it adds nothing.
TEST_F(LoadFrmTest, UnreadablePdfRowsSayWhyAndAddNothing) {
  const QString notes = ws.scratch() + "notes.pdf";
  lwtest::WriteFile(notes, "plain text, not a PDF");
  const QString cut = ws.scratch() + "truncated.pdf";
  lwtest::WriteFile(cut, lwtest::MakeTextPdf(3).left(200));
  const QString good = Pdf("good.pdf", 1);
  Open();
  QStringList modals;
  uitest::WhenModal([&](QWidget *w) { modals << w->metaObject()->className(); });
  dlg->AddFiles({notes, cut, good});
  EXPECT_EQ(Rows(), QStringList({"1|notes.pdf|not a PDF|no pages|_", "2|truncated.pdf|damaged|no pages|_",
                                 "3|good.pdf|1|All|x"}));
  for (int i = 0; i < 2; ++i) {
    QTreeWidgetItem *row = Tree()->topLevelItem(i);
    EXPECT_TRUE(row->toolTip(2).contains("it adds no pages to the book")) << row->toolTip(2).toStdString();
    EXPECT_FALSE(dlg->LibraryTreeEditing(row, TLoadFrm::kColRange));
    EXPECT_FALSE(LibraryList[size_t(i)]->isChecked);
  }
  EXPECT_TRUE(Tree()->topLevelItem(2)->toolTip(2).indexOf("adds no pages") < 0);

  // A password-protected PDF: the reason may come from the page counter or
  // from the converter; either way the row says it.
  const QString qpdf = QStandardPaths::findExecutable("qpdf");
  if (qpdf.isEmpty()) GTEST_SKIP() << "qpdf not installed";
  const QString secret = ws.scratch() + "secret.pdf";
  ASSERT_EQ(QProcess::execute(qpdf, {"--encrypt", "user", "owner", "256", "--", good, secret}), 0);
  dlg->AddFiles({secret});
  ASSERT_EQ(Tree()->topLevelItemCount(), 4);
  QTreeWidgetItem *row = Tree()->topLevelItem(3);
  EXPECT_TRUE(LibraryList[3]->AddsNoPages()) << row->text(2).toStdString();
  EXPECT_EQ(row->text(3), "no pages");
  EXPECT_NE(row->text(2), "1");
  EXPECT_EQ(row->checkState(0), Qt::Unchecked);
  EXPECT_TRUE(row->toolTip(2).contains("it adds no pages")) << row->toolTip(2).toStdString();
  // In the converter's words, without its name and the file's path.
  EXPECT_TRUE(row->toolTip(2).contains("This PDF is ")) << row->toolTip(2).toStdString();
  EXPECT_FALSE(row->text(2).contains("pdf2swf")) << row->text(2).toStdString();
}

// The Page Range column, the one the user edits, is as wide as its longest
// text and its header; the file name takes what is left, without a
// sideways scroll bar.
TEST_F(LoadFrmTest, PageRangeColumnIsAsWideAsItsText) {
  Library(Pdf("a rather long file name of a report, second edition.pdf", 30));
  Library(Png("pic.png"));
  Open();
  QTreeWidgetItem *row = Tree()->topLevelItem(0);
  const QFontMetrics cells(Tree()->font());
  const QFontMetrics header(Tree()->header()->font());
  auto fits = [&] {
    QApplication::processEvents();
    Tree()->doItemsLayout();
    const QString text = row->text(TLoadFrm::kColRange);
    EXPECT_GE(Tree()->columnWidth(TLoadFrm::kColRange), cells.horizontalAdvance(text)) << text.toStdString();
    EXPECT_GE(Tree()->columnWidth(TLoadFrm::kColRange), header.horizontalAdvance("Page Range"));
    EXPECT_GE(Tree()->columnWidth(TLoadFrm::kColCount), header.horizontalAdvance("Page Count"));
    EXPECT_EQ(Tree()->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(Tree()->header()->length(), Tree()->viewport()->width());
  };
  fits();
  const int narrow = Tree()->columnWidth(TLoadFrm::kColRange);
  dlg->LibraryTreeNewText(row, TLoadFrm::kColRange, "1-3, 10, 12-14, 20-25, 28");
  ASSERT_EQ(row->text(TLoadFrm::kColRange), "1-3, 10, 12-14, 20-25, 28");
  fits();
  EXPECT_GT(Tree()->columnWidth(TLoadFrm::kColRange), narrow);
  dlg->LibraryTreeNewText(row, TLoadFrm::kColRange, "2");
  fits();
  EXPECT_EQ(Tree()->columnWidth(TLoadFrm::kColRange), narrow);
}

// The add dialog opens where files were last added from, in this run and
// the next (the user's settings), and not in a folder that has gone.
TEST_F(LoadFrmTest, LastFolderOfAddingIsRemembered) {
  EXPECT_TRUE(LastFolder(FolderUse::AddFiles).isEmpty());
  const QString png = uitest::WritePng(ws.scratch() + "pictures/one.png", 8, 6);
  Open();
  ChooseFiles({png});
  dlg->AddBtnClick();
  EXPECT_EQ(LastFolder(FolderUse::AddFiles), ws.scratch() + "pictures");
  ChooseFiles({});  // a cancelled dialog forgets nothing
  dlg->AddBtnClick();
  EXPECT_EQ(LastFolder(FolderUse::AddFiles), ws.scratch() + "pictures");
  // Written to the settings file, where the next run reads it.
  QSettings().sync();
  EXPECT_EQ(QSettings(QSettings().fileName(), QSettings::NativeFormat).value("lastAddFolder").toString(),
            ws.scratch() + "pictures");
  // The other uses keep their own folders.
  EXPECT_TRUE(LastFolder(FolderUse::Publish).isEmpty());
  QDir(ws.scratch() + "pictures").removeRecursively();
  EXPECT_TRUE(LastFolder(FolderUse::AddFiles).isEmpty());
}

TEST_F(LoadFrmTest, ModalResults) {
  auto run = [this](const std::function<void(TLoadFrm &)> &act) {
    TLoadFrm d(LibraryList);
    uitest::WhenModal([&](QWidget *) { act(d); });
    return d.exec();
  };
  EXPECT_EQ(run([](TLoadFrm &d) { Find<QPushButton>(&d, "OkBtn")->click(); }), 1);
  EXPECT_EQ(run([](TLoadFrm &d) { Find<QPushButton>(&d, "CancelBtn")->click(); }), 2);
  EXPECT_EQ(run([](TLoadFrm &d) { d.close(); }), 2);
  EXPECT_EQ(run([](TLoadFrm &d) { QTest::keyClick(&d, Qt::Key_Escape); }), 2);
}

}  // namespace

// Files dragged from a file manager are added as if chosen; other files in
// the same drag are left out, and a drag of nothing usable is refused.
TEST_F(LoadFrmTest, DroppedFilesAreAddedAsIfChosen) {
  Open();
  const QString text = ws.scratch() + "notes.txt";
  lwtest::WriteFile(text, "plain");
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(Png("one.png")), QUrl::fromLocalFile(text),
                 QUrl::fromLocalFile(uitest::WritePng(ws.scratch() + "TWO.JPEG", 8, 6))});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(dlg.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(dlg.get(), &drop);
  EXPECT_EQ(Rows(), QStringList({"1|one.png|-|-|x", "2|TWO.JPEG|-|-|x"}));

  QMimeData useless;
  useless.setUrls({QUrl::fromLocalFile(text)});
  QDragEnterEvent refused(QPoint(20, 20), Qt::CopyAction, &useless, Qt::LeftButton, Qt::NoModifier);
  refused.ignore();
  QApplication::sendEvent(dlg.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());
}
