// The main window keeps showing what is true: the theme in use is marked and
// a click on it puts its look back, the page preview empties when its page
// goes, the Library adds a file's pages once however often it is ticked, and
// the publish folder is remembered.

#include "fsutil/fsutil.h"
#include "model/conversionnames.h"
#include "model/uconst.h"
#include "ui/browseforfolder.h"
#include "ui/colorbutton.h"
#include "ui/lastfolders.h"
#include "ui/previewweb.h"
#include "ui/tloadfrm.h"
#include "ui/tmainfrm.h"
#include "support/testpdf.h"
#include "uitest.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>
#include <QWebEngineView>
#include <gtest/gtest.h>

using namespace lw;
using uitest::Find;

namespace {

class MainFrmStateTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetBrowseForFolderHandler({});
    TMainFrm::SetSaveQuestion({});
    TLoadFrm::SetFileChooser({});
    frm.reset();
  }
  TMainFrm &Open() {
    frm = uitest::ShowMainFrm(ws);
    return *frm;
  }
  QTreeWidget *Pages() { return Find<QTreeWidget>(frm.get(), "PageListView"); }
  QListWidget *Themes() { return Find<QListWidget>(frm.get(), "ThemeListView"); }
  TColorButton *Color(const char *name) { return Find<TColorButton>(frm.get(), name); }
  QLabel *ImagePreview() { return Find<QLabel>(frm.get(), "ImagePreview"); }
  PageWeb *PageBrowser() { return Find<PageWeb>(frm.get(), "ShowPdfWeb"); }
  void Select(int row) {
    Pages()->clearSelection();
    Pages()->topLevelItem(row)->setSelected(true);
    QApplication::processEvents();
  }
  void AddImage(const QString &name) {
    TFileObj file(uitest::WritePng(ws.scratch() + name, 40, 30));
    frm->AddFilePages(file);
  }
  // Clicks an entry of the theme list as the mouse does.
  void ClickTheme(int row) {
    QListWidgetItem *item = Themes()->item(row);
    Themes()->scrollToItem(item);
    QTest::mouseClick(Themes()->viewport(), Qt::LeftButton, {}, Themes()->visualItemRect(item).center());
    QApplication::processEvents();
  }
  QStringList MarkedThemes() {
    QStringList names;
    for (QListWidgetItem *item : Themes()->selectedItems()) names << item->text();
    return names;
  }
  // Opens the Library from the Page tab's Insert, runs `act` in it, then OK.
  void InLibrary(const std::function<void(TLoadFrm &)> &act) {
    uitest::WhenModal([act](QWidget *modal) {
      auto *dialog = qobject_cast<TLoadFrm *>(modal);
      ASSERT_TRUE(dialog);
      act(*dialog);
      Find<QPushButton>(dialog, "OkBtn")->click();
    });
    Find<QPushButton>(frm.get(), "InsertBtn")->click();
  }

  uitest::Workspace ws{true};
  std::unique_ptr<TMainFrm> frm;
};

}  // namespace

TEST_F(MainFrmStateTest, ThemeInUseIsMarkedAndAClickPutsItsLookBack) {
  uitest::WriteTheme(ws.themesDir(), "a-dusk", "Dusk", 1, "101010", "0000FF", "00FF00", false);
  uitest::WriteTheme(ws.themesDir(), "b-frost", "Frost", 1, "FF0000", "123456", "ABCDEF", false);
  Open();
  // The new book has the first theme's look, and the list says so.
  EXPECT_EQ(MarkedThemes(), QStringList{"Dusk"});
  EXPECT_EQ(Color("ButtonColorBtn")->color(), 0xFF0000u);

  // Colours changed by hand; a click on the marked theme puts its own back
  // as one undoable step.
  Color("ButtonColorBtn")->setColor(0x00FF00);
  Color("PanelColorBtn")->setColor(0x000080);
  ClickTheme(0);
  EXPECT_EQ(Color("ButtonColorBtn")->color(), 0xFF0000u);
  EXPECT_EQ(Color("PanelColorBtn")->color(), 0x00FF00u);
  EXPECT_EQ(MarkedThemes(), QStringList{"Dusk"});
  EXPECT_EQ(frm->undoStack()->undoText(), "Theme");
  frm->undoStack()->undo();
  EXPECT_EQ(Color("PanelColorBtn")->color(), 0x000080u);
  frm->undoStack()->redo();
  // A second click with nothing changed records nothing.
  const int steps = frm->undoStack()->count();
  ClickTheme(0);
  EXPECT_EQ(frm->undoStack()->count(), steps);

  // Another theme is marked when picked, and undo marks the one before.
  ClickTheme(1);
  EXPECT_EQ(MarkedThemes(), QStringList{"Frost"});
  EXPECT_EQ(Color("ButtonColorBtn")->color(), 0x563412u);
  frm->undoStack()->undo();
  EXPECT_EQ(MarkedThemes(), QStringList{"Dusk"});
  EXPECT_EQ(Color("ButtonColorBtn")->color(), 0xFF0000u);
  ASSERT_TRUE(ThemeManager && ThemeManager->currThemeObj);
  EXPECT_EQ(ThemeManager->currThemeObj->titleStr, "Dusk");
  // ... so a click on it applies it again.
  Color("ButtonColorBtn")->setColor(0x00FF00);
  ClickTheme(0);
  EXPECT_EQ(Color("ButtonColorBtn")->color(), 0xFF0000u);
}

TEST_F(MainFrmStateTest, PagePreviewEmptiesWhenItsPageIsGone) {
  Open();
  AddImage("a.png");
  AddImage("b.png");
  Select(0);
  ASSERT_FALSE(ImagePreview()->pixmap().isNull());
  // No row selected: nothing shown.
  Pages()->clearSelection();
  QApplication::processEvents();
  EXPECT_TRUE(ImagePreview()->pixmap().isNull());

  // Deleted: the next page takes its place, and after the last one nothing.
  Select(1);
  Find<QPushButton>(frm.get(), "DeleteBtn")->click();
  ASSERT_EQ(uitest::Book().PageCount(), 1);
  EXPECT_FALSE(ImagePreview()->pixmap().isNull());
  Find<QPushButton>(frm.get(), "DeleteBtn")->click();
  ASSERT_EQ(uitest::Book().PageCount(), 0);
  EXPECT_TRUE(ImagePreview()->pixmap().isNull());

  // Undone: the page added last goes, and so does its picture.
  AddImage("c.png");
  Select(0);
  ASSERT_FALSE(ImagePreview()->pixmap().isNull());
  frm->undoStack()->undo();
  ASSERT_EQ(uitest::Book().PageCount(), 0);
  EXPECT_TRUE(ImagePreview()->pixmap().isNull());

  // A converted PDF page in the page browser: Clear empties it.
  const QString pdf = ws.scratch() + "doc.pdf";
  lwtest::WriteFile(pdf, lwtest::MakeTextPdf(1));
  TFileObj file(pdf);
  lwtest::WriteFile(ConversionNamesFor(SysSetInfo.TempPathStr, file.filePath).PageFile(1), lwtest::TinySwf());
  frm->AddFilePages(file);
  Select(0);
  ASSERT_FALSE(PageBrowser()->currentPage().isEmpty());
  TMainFrm::SetSaveQuestion([](QWidget *, const QString &) { return int(QMessageBox::Discard); });
  Find<QPushButton>(frm.get(), "ClearBtn")->click();
  ASSERT_EQ(uitest::Book().PageCount(), 0);
  EXPECT_TRUE(PageBrowser()->currentPage().isEmpty());
  EXPECT_TRUE(ImagePreview()->pixmap().isNull());
}

// Reopening the Library shows the ticks as left; OK adds only the pages the
// book does not have yet, so a file ticked again is not added twice.
// The preview opens the book at the page selected in the list, or at its
// start without a selection.
TEST_F(MainFrmStateTest, PreviewOpensAtTheSelectedPage) {
  Open();
  for (const char *name : {"a.png", "b.png", "c.png"}) AddImage(name);
  auto *view = Find<QWebEngineView>(frm.get(), "PreViewWeb");
  // Previews and waits until the view goes to an address with `fragment`.
  auto previewAt = [&](const QString &fragment) {
    view->setUrl(QUrl(QStringLiteral("about:blank")));
    Find<QPushButton>(frm.get(), "PreviewBtn")->click();
    const bool there = QTest::qWaitFor([&] {
      return view->url().isLocalFile() && view->url().fragment() == fragment;
    }, 30000);
    EXPECT_TRUE(there) << view->url().toString().toStdString();
    return view->url();
  };
  Select(2);
  EXPECT_TRUE(previewAt("page=3").path().endsWith("/index.html"));
  Pages()->clearSelection();
  previewAt("");
}

// The preview shows the book as it is from the first click on: the sample
// it starts with has no placeholder left, and the first Preview of a new
// book plays that book, not the sample it replaces.
TEST_F(MainFrmStateTest, FirstPreviewOfANewBookShowsItsPages) {
  Open();
  for (const char *placeholder : {"{title}", "{opengraph}", "{booktext}"})
    EXPECT_FALSE(lwtest::ReadFile(SysSetInfo.PreviewHtmlPath).contains(placeholder)) << placeholder;
  auto *view = Find<QWebEngineView>(frm.get(), "PreViewWeb");
  auto pageCount = [&] {
    int count = -1;
    bool got = false;
    view->page()->runJavaScript(
        "(function(){var p=document.getElementById('player');try{return JSON.parse("
        "p.leafweaverState()).pageCount||-1;}catch(e){return -1;}})()",
        [&](const QVariant &v) {
          count = v.toInt();
          got = true;
        });
    QTest::qWaitFor([&] { return got; }, 5000);
    return count;
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return pageCount() == 4; }, 60000)) << "the sample never played";
  for (const char *name : {"a.png", "b.png", "c.png"}) AddImage(name);
  Select(1);  // the preview opens at this page: an address that differs only after "#"
  Find<QPushButton>(frm.get(), "PreviewBtn")->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return pageCount() == 3; }, 60000)) << pageCount();
}

TEST_F(MainFrmStateTest, LibraryAddsAFilesPagesOnce) {
  Open();
  const QString png = uitest::WritePng(ws.scratch() + "pic.png", 800, 600);
  const QString pdf = ws.scratch() + "doc.pdf";
  lwtest::WriteFile(pdf, lwtest::MakeTextPdf(3));
  auto names = [&] {
    QStringList rows;
    for (int i = 0; i < Pages()->topLevelItemCount(); ++i) rows << Pages()->topLevelItem(i)->text(1);
    return rows;
  };
  InLibrary([&](TLoadFrm &d) {
    d.AddFiles({png, pdf});
    d.LibraryTreeNewText(d.tree()->topLevelItem(1), TLoadFrm::kColRange, "1-2");
  });
  EXPECT_EQ(names(), QStringList({"pic.png", "doc_1.pdf", "doc_2.pdf"}));
  bool ticked = false;
  InLibrary([&](TLoadFrm &d) {
    ticked = d.tree()->topLevelItem(0)->checkState(0) == Qt::Checked &&
             d.tree()->topLevelItem(1)->checkState(0) == Qt::Checked;
  });
  EXPECT_TRUE(ticked);
  EXPECT_EQ(names(), QStringList({"pic.png", "doc_1.pdf", "doc_2.pdf"}));
  // A page deleted from the book stays deleted; a wider range adds only
  // the page that is new.
  Select(0);
  Find<QPushButton>(frm.get(), "DeleteBtn")->click();
  Pages()->clearSelection();  // new pages go at the end
  InLibrary([&](TLoadFrm &d) { d.LibraryTreeNewText(d.tree()->topLevelItem(1), TLoadFrm::kColRange, "All"); });
  EXPECT_EQ(names(), QStringList({"doc_1.pdf", "doc_2.pdf", "doc_3.pdf"}));
  // Chosen again, the file's page comes back.
  Pages()->clearSelection();
  InLibrary([&](TLoadFrm &d) { d.AddFiles({png}); });
  EXPECT_EQ(names(), QStringList({"doc_1.pdf", "doc_2.pdf", "doc_3.pdf", "pic.png"}));
  // OK without asking for anything in particular adds what the book lacks
  // of the ticked files; with nothing to add, the window says why.
  Select(0);
  Find<QPushButton>(frm.get(), "DeleteBtn")->click();
  Pages()->clearSelection();
  InLibrary([](TLoadFrm &) {});
  EXPECT_EQ(names(), QStringList({"doc_2.pdf", "doc_3.pdf", "pic.png", "doc_1.pdf"}));
  auto *status = Find<QStatusBar>(frm.get(), "StatusBar");
  EXPECT_TRUE(status->currentMessage().isEmpty());
  InLibrary([](TLoadFrm &) {});
  EXPECT_EQ(names().size(), 4);
  EXPECT_TRUE(status->currentMessage().contains("has every page")) << status->currentMessage().toStdString();
}

// The folder picker of Publish starts in the folder published into last,
// and that folder is kept in the user's settings.
TEST_F(MainFrmStateTest, PublishFolderIsRemembered) {
  Open();
  AddImage("a.png");
  lwtest::TempDir out;
  QStringList roots;
  SetBrowseForFolderHandler([&](const QString &, const QString &root, QString &folder) {
    roots << root;
    folder = out.path();
    return true;
  });
  uitest::ErrorRecorder errors;
  for (int round = 0; round < 2; ++round) {
    QSignalSpy written(frm.get(), &TMainFrm::packageWritten);
    Find<QPushButton>(frm.get(), "ExportBtn")->click();
    ASSERT_TRUE(written.wait(30000));
    for (QWidget *box : QApplication::topLevelWidgets())
      if (box->objectName() == "PublishedBox") box->close();
  }
  EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
  EXPECT_EQ(roots, QStringList({QString(), out.path()}));
  EXPECT_EQ(LastFolder(FolderUse::Publish), out.path());
  EXPECT_TRUE(LastFolder(FolderUse::AddFiles).isEmpty());
}
