// The main window's book file and history: save and open with every field,
// files it must refuse, missing sources, undo and redo of each page-list
// and settings change, and the question about unsaved changes.

#include "model/uconst.h"
#include "ui/errorbox.h"
#include "ui/tmainfrm.h"
#include "support/testpdf.h"
#include "model/bookdocument.h"
#include "uitest.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>
#include <QTreeWidget>
#include <QUndoStack>
#include <gtest/gtest.h>

using namespace lw;
using uitest::Find;

namespace {

class BookFileTest : public ::testing::Test {
 protected:
  // The recent-books list goes into the test's own settings folder.
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ws.dataHome());
  }
  void TearDown() override {
    TMainFrm::SetSaveQuestion({});
    TMainFrm::SetBookChooser({});
    frm.reset();
  }

  TMainFrm &Open() {
    frm = uitest::ShowMainFrm(ws);
    return *frm;
  }
  QTreeWidget *Pages() { return Find<QTreeWidget>(frm.get(), "PageListView"); }
  QStringList Names() {
    QStringList names;
    for (int i = 0; i < Pages()->topLevelItemCount(); ++i) names << Pages()->topLevelItem(i)->text(1);
    return names;
  }
  void Select(int row) {
    Pages()->clearSelection();
    Pages()->topLevelItem(row)->setSelected(true);
  }
  QString Image(const char *name) {
    return uitest::WritePng(ws.scratch() + name, 40, 30);
  }
  // Adds image pages, one Library batch each, as the window does.
  void AddImages(const QStringList &names) {
    for (const QString &n : names) {
      auto file = std::make_shared<TFileObj>(Image(n.toUtf8().constData()));
      file->isChecked = true;
      uitest::Session().library().push_back(file);
      frm->AddFilePages(*file);
    }
  }
  void Undo() { Find<QAction>(frm.get(), "UndoAct")->trigger(); }
  void Redo() { Find<QAction>(frm.get(), "RedoAct")->trigger(); }
  void TypeTitle(const QString &text) {
    auto *edit = Find<QLineEdit>(frm.get(), "BookTitleEdt");
    edit->setText(text);
    emit edit->editingFinished();
  }
  QString BookFile(const char *name) { return ws.scratch() + name; }

  uitest::Workspace ws{false};
  std::unique_ptr<TMainFrm> frm;
};

}  // namespace

TEST_F(BookFileTest, SavedBookOpensAgainWithEveryFieldInTheCaption) {
  Open();
  AddImages({"a.png", "b.png", "c.png"});
  TypeTitle("Holiday \"2026\"");
  Find<QLineEdit>(frm.get(), "BookKeywordEdt")->setText("sea, sand");
  Find<QLineEdit>(frm.get(), "BookDesEdt")->setText("Two weeks");
  Find<QSpinBox>(frm.get(), "BookSizeWidthEdt")->setValue(500);
  Select(2);
  frm->UpBtnClick();
  EXPECT_TRUE(frm->isWindowModified());
  const QString path = BookFile("holiday");
  TMainFrm::SetBookChooser([&](QWidget *, bool save, const QString &) {
    EXPECT_TRUE(save);
    return path;
  });
  ASSERT_TRUE(frm->SaveBookAs());
  EXPECT_EQ(frm->bookPath(), path + ".leafbook");  // the suffix is added
  EXPECT_EQ(frm->windowTitle(), "holiday[*] - Tarnwell Leafweaver");
  EXPECT_FALSE(frm->isWindowModified());
  EXPECT_EQ(TMainFrm::RecentBooks().value(0), path + ".leafbook");

  frm.reset();
  Open();
  ASSERT_TRUE(frm->OpenBook(path + ".leafbook"));
  EXPECT_EQ(Names(), QStringList({"a.png", "c.png", "b.png"}));
  EXPECT_EQ(Find<QLineEdit>(frm.get(), "BookTitleEdt")->text(), "Holiday \"2026\"");
  EXPECT_EQ(Find<QSpinBox>(frm.get(), "BookSizeWidthEdt")->value(), 500);
  EXPECT_EQ(Find<QLineEdit>(frm.get(), "BookDesEdt")->text(), "Two weeks");
  EXPECT_FALSE(frm->isWindowModified());
}

TEST_F(BookFileTest, DamagedOrNewerFileOpensNothingAndSaysWhy) {
  Open();
  AddImages({"a.png"});
  uitest::ErrorRecorder errors;
  lwtest::WriteFile(BookFile("cut.leafbook"), R"({"format": "leafweaver-book", "version": 1, "sou)");
  lwtest::WriteFile(BookFile("newer.leafbook"),
                    R"({"format": "leafweaver-book", "version": 9, "sources": [], "pages": []})");
  EXPECT_FALSE(frm->OpenBook(BookFile("cut.leafbook")));
  EXPECT_FALSE(frm->OpenBook(BookFile("newer.leafbook")));
  EXPECT_FALSE(frm->OpenBook(BookFile("absent.leafbook")));
  ASSERT_EQ(errors.messages.size(), 3);
  EXPECT_TRUE(errors.messages[0].contains("is damaged: it is not readable JSON")) << errors.messages[0].toStdString();
  EXPECT_TRUE(errors.messages[1].contains("was saved by a newer Leafweaver (book format 9)"));
  EXPECT_TRUE(errors.messages[2].startsWith("Cannot open the book file"));
  EXPECT_EQ(Names(), QStringList{"a.png"});
  EXPECT_TRUE(frm->bookPath().isEmpty());
}

TEST_F(BookFileTest, GoneSourceKeepsItsPageMarkedAndPublishingSaysSo) {
  Open();
  AddImages({"a.png", "b.png"});
  ASSERT_TRUE(frm->SaveBookTo(BookFile("two.leafbook")));
  QFile::remove(ws.scratch() + "a.png");
  frm.reset();
  Open();
  uitest::ErrorRecorder errors;
  ASSERT_TRUE(frm->OpenBook(BookFile("two.leafbook")));
  EXPECT_EQ(Names(), QStringList({"a.png (missing)", "b.png"}));
  ASSERT_EQ(errors.messages.size(), 1);
  EXPECT_TRUE(errors.messages[0].contains(ws.scratch() + "a.png"));
  frm->ExportBtnClick();
  ASSERT_EQ(errors.messages.size(), 2);
  EXPECT_TRUE(errors.messages[1].startsWith("The book cannot be published"));

  // Located: a file of another kind is refused with a message; the moved
  // picture takes the pages back, and undo gives the marks again.
  Select(0);
  EXPECT_EQ(frm->SelectedMissingSource(), ws.scratch() + "a.png");
  QDir().mkpath(ws.scratch() + "moved");
  lwtest::WriteFile(ws.scratch() + "moved/a.pdf", lwtest::MakeTextPdf(1));
  EXPECT_FALSE(frm->LocateSource(ws.scratch() + "a.png", ws.scratch() + "moved/a.pdf"));
  EXPECT_EQ(errors.messages.size(), 3);
  ASSERT_TRUE(frm->LocateSource(ws.scratch() + "a.png", uitest::WritePng(ws.scratch() + "moved/a.png", 40, 30)));
  EXPECT_EQ(Names(), QStringList({"a.png", "b.png"}));
  Undo();
  EXPECT_EQ(Names(), QStringList({"a.png (missing)", "b.png"}));
}

TEST_F(BookFileTest, SettingsUndoAndTheKeysAreTheStandardOnes) {
  Open();
  TypeTitle("First");
  TypeTitle("Second");
  Find<QSpinBox>(frm.get(), "BookSizeHeightEdt")->setValue(700);
  emit Find<QSpinBox>(frm.get(), "BookSizeHeightEdt")->editingFinished();
  EXPECT_EQ(uitest::Book().height, 700);
  Undo();
  EXPECT_EQ(Find<QSpinBox>(frm.get(), "BookSizeHeightEdt")->value(), 842);
  Undo();
  EXPECT_EQ(Find<QLineEdit>(frm.get(), "BookTitleEdt")->text(), "First");
  EXPECT_EQ(uitest::Book().titleStr, "First");
  Redo();
  EXPECT_EQ(uitest::Book().titleStr, "Second");
  EXPECT_TRUE(Find<QAction>(frm.get(), "UndoAct")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Z)));
  EXPECT_TRUE(Find<QAction>(frm.get(), "RedoAct")->shortcuts().contains(
      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
  EXPECT_EQ(Find<QAction>(frm.get(), "SaveAct")->shortcut(), QKeySequence(QKeySequence::Save));
  EXPECT_EQ(Find<QAction>(frm.get(), "OpenAct")->shortcut(), QKeySequence(QKeySequence::Open));
}

TEST_F(BookFileTest, UnsavedChangesAreAskedAboutOnCloseOpenAndClear) {
  Open();
  AddImages({"a.png"});
  QStringList asked;
  int answer = QMessageBox::Cancel;
  TMainFrm::SetSaveQuestion([&](QWidget *, const QString &name) {
    asked << name;
    return answer;
  });
  EXPECT_FALSE(frm->close());
  EXPECT_TRUE(frm->isVisible());
  frm->ClearBtnClick();
  EXPECT_EQ(Names(), QStringList{"a.png"});
  bool chooserAsked = false;
  TMainFrm::SetBookChooser([&](QWidget *, bool, const QString &) {
    chooserAsked = true;
    return QString();
  });
  frm->OpenBookClick();
  EXPECT_FALSE(chooserAsked);  // cancelled at the question
  EXPECT_EQ(asked, QStringList({"Untitled", "Untitled", "Untitled"}));

  // Save: the book is written first, then the window closes.
  answer = QMessageBox::Save;
  TMainFrm::SetBookChooser([&](QWidget *, bool, const QString &) { return BookFile("kept.leafbook"); });
  EXPECT_TRUE(frm->close());
  EXPECT_TRUE(QFileInfo::exists(BookFile("kept.leafbook")));

  // Without changes nothing is asked.
  Open();
  asked.clear();
  EXPECT_TRUE(frm->close());
  EXPECT_TRUE(asked.isEmpty());
}
