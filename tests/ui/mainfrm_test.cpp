// The main window with real widgets: its frame and controls, the book
// settings in both directions, the page list, the themes, the automatic
// book size and publishing.

#include "fsutil/fsutil.h"
#include "model/conversionnames.h"
#include "model/uconst.h"
#include "ui/browseforfolder.h"
#include "ui/colorbutton.h"
#include "ui/errorbox.h"
#include "ui/tloadfrm.h"
#include "ui/tmainfrm.h"
#include "support/testpdf.h"
#include "uitest.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopeGuard>
#include <QPointer>
#include <QTest>
#include <QUndoStack>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QFont>
#include <QDir>
#include <algorithm>
#include <QTreeWidget>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace lw;
using uitest::Find;

namespace {

class MainFrmTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetBrowseForFolderHandler({});
  }

  // Creates and shows the window over the test workspace.
  TMainFrm &Open() {
    frm = uitest::ShowMainFrm(ws);
    return *frm;
  }

  QString Text(const char *name) { return Find<QLineEdit>(frm.get(), name)->text(); }
  QRadioButton *Radio(const char *name) { return Find<QRadioButton>(frm.get(), name); }
  QSpinBox *Spin(const char *name) { return Find<QSpinBox>(frm.get(), name); }
  TColorButton *Color(const char *name) { return Find<TColorButton>(frm.get(), name); }
  QTreeWidget *Pages() { return Find<QTreeWidget>(frm.get(), "PageListView"); }

  // The page list as "number:name" texts.
  QStringList Rows() {
    QStringList rows;
    for (int i = 0; i < Pages()->topLevelItemCount(); ++i)
      rows << Pages()->topLevelItem(i)->text(0) + ":" + Pages()->topLevelItem(i)->text(1);
    return rows;
  }
  void Select(int row) {
    Pages()->clearSelection();
    Pages()->topLevelItem(row)->setSelected(true);
    QApplication::processEvents();
  }
  // Adds image pages a.png, b.png, ... through the window's own routine.
  void AddImagePages(int n) {
    for (int i = 0; i < n; ++i) {
      const QString path = uitest::WritePng(ws.scratch() + QChar('a' + i) + ".png", 40 + i, 30);
      auto file = std::make_shared<TFileObj>(path);
      frm->AddFilePages(*file);
    }
  }

  // Waits for the preview or publishing the last click started.
  void WaitForPackage() {
    if (!frm->IsWritingPackage()) return;
    QSignalSpy written(frm.get(), &TMainFrm::packageWritten);
    ASSERT_TRUE(written.wait(30000));
  }

  uitest::Workspace ws{true};
  std::unique_ptr<TMainFrm> frm;
};

TEST_F(MainFrmTest, CreationPreparesBookWorkspaceAndFrame) {
  TMainFrm &w = Open();
  EXPECT_EQ(w.windowTitle(), "Untitled[*] - Tarnwell Leafweaver");
  EXPECT_FALSE(w.isWindowModified());
  // The window opens with its controls' area at its old size below the
  // menu bar.
  QWidget *client = Find<QWidget>(&w, "ClientArea");
  ASSERT_TRUE(client);
  EXPECT_EQ(client->size(), QSize(1036, 593));
  EXPECT_EQ(w.size(), QSize(1036, 593 + client->y()));
  EXPECT_GT(client->y(), 0);
  EXPECT_EQ(uitest::Book().PageCount(), 0);
  EXPECT_TRUE(uitest::Session().library().empty());
  EXPECT_FALSE(uitest::Session().sizeEdited());
  EXPECT_EQ(SysSetInfo.AppDataPathStr, ws.dataHome() + "Folivant/");
  EXPECT_EQ(SysSetInfo.AppPathStr, ws.appDir());
  EXPECT_TRUE(lwtest::Exists(SysSetInfo.PreviewPath + "index.html"));

  auto *tabs = Find<QTabWidget>(&w, "SetingTabCon");
  ASSERT_TRUE(tabs);
  EXPECT_EQ(tabs->width(), 289);
  ASSERT_EQ(tabs->count(), 3);
  // Captions are compared without their mnemonic marks.
  auto plain = [](QString text) { return text.remove('&'); };
  EXPECT_EQ(plain(tabs->tabText(0)), "Theme");
  EXPECT_EQ(plain(tabs->tabText(1)), "Book Setting");
  EXPECT_EQ(plain(tabs->tabText(2)), "Page Setting");
  EXPECT_EQ(tabs->widget(0)->objectName(), "ThemeTab");
  EXPECT_EQ(tabs->widget(1)->objectName(), "BookTab");
  EXPECT_EQ(tabs->widget(2)->objectName(), "PageTab");
  EXPECT_EQ(tabs->currentIndex(), 0);
  QWidget *web = Find<QWidget>(&w, "PreViewWeb");
  ASSERT_TRUE(web);
  EXPECT_GE(web->width(), 700);
  EXPECT_GE(web->mapTo(&w, QPoint()).x(), tabs->mapTo(&w, QPoint(tabs->width(), 0)).x());

  const std::pair<const char *, const char *> buttons[] = {
      {"AddFileBtn", "Add Files"}, {"PreviewBtn", "Preview"}, {"ExportBtn", "Publish"},
      {"BgImageBtn", ">>"},        {"InsertBtn", "Insert"},   {"DeleteBtn", "Delete"},
      {"ClearBtn", "Clear"},       {"DownBtn", "Down"},       {"UpBtn", "Up"}};
  for (const auto &[name, caption] : buttons) {
    auto *b = Find<QPushButton>(&w, name);
    ASSERT_TRUE(b) << name;
    EXPECT_EQ(plain(b->text()), caption) << name;
  }
  const std::pair<const char *, const char *> radios[] = {
      {"BgImageRad", "Image"}, {"BgColorRad", "Color"}, {"BookSizeType1", "A3"},
      {"BookSizeType2", "A4"}, {"BookSizeType3", "A5"}, {"BookSizeType4", "Other"}};
  for (const auto &[name, caption] : radios) {
    ASSERT_TRUE(Radio(name)) << name;
    EXPECT_EQ(Radio(name)->text(), caption) << name;
  }
  for (const char *name : {"BookTitleEdt", "BookKeywordEdt", "BookDesEdt", "BgImageEdt"})
    EXPECT_TRUE(Find<QLineEdit>(&w, name)) << name;
  EXPECT_TRUE(Find<QLineEdit>(&w, "BgImageEdt")->isReadOnly());
  for (const char *name : {"BgColorBtn", "ButtonColorBtn", "PanelColorBtn"}) EXPECT_TRUE(Color(name)) << name;
  for (const char *name : {"BookSizeWidthEdt", "BookSizeHeightEdt"}) {
    ASSERT_TRUE(Spin(name));
    EXPECT_EQ(Spin(name)->minimum(), 1);
    EXPECT_EQ(Spin(name)->maximum(), 9999);
  }
  // The four groups of "Book Setting", top to bottom.
  QStringList groups;
  auto list = tabs->widget(1)->findChildren<QGroupBox *>();
  std::sort(list.begin(), list.end(), [](auto *a, auto *b) { return a->y() < b->y(); });
  for (auto *g : list) groups << g->title();
  EXPECT_EQ(groups, QStringList({"Basic", "Background", "Style", "Book Size Setting"}));
  for (const char *label : {"Book Title:", "Keywords:", "Description:", "Button Color:", "Panel Color:",
                            "Width:", "Height:"}) {
    const auto labels = w.findChildren<QLabel *>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel *l) { return plain(l->text()) == label; }))
        << label;
  }

  auto *image = Find<QLabel>(&w, "ImagePreview");
  auto *scroll = Find<QScrollArea>(&w, "ShowPdfScr");
  ASSERT_TRUE(image && scroll);
  // Both in one place of the page's picture.
  EXPECT_EQ(Find<QWidget>(&w, "PagePreviewArea")->size(), QSize(187, 150));
  EXPECT_EQ(image->parentWidget(), scroll->parentWidget());
  EXPECT_TRUE(Find<QWidget>(&w, "ShowPdfWeb"));
  EXPECT_EQ(Pages()->columnCount(), 2);
  EXPECT_EQ(Pages()->headerItem()->text(0), "Page");
  EXPECT_EQ(Pages()->headerItem()->text(1), "Content");
  // The Content column takes what the Page column leaves.
  EXPECT_EQ(Pages()->columnWidth(0) + Pages()->columnWidth(1), Pages()->viewport()->width());
  EXPECT_TRUE(Find<QListWidget>(&w, "ThemeListView"));
}

TEST_F(MainFrmTest, FirstShowPutsBookDefaultsIntoControls) {
  Open();
  EXPECT_EQ(Text("BookTitleEdt"), "");
  EXPECT_EQ(Text("BookKeywordEdt"), "");
  EXPECT_EQ(Text("BookDesEdt"), "");
  EXPECT_TRUE(Radio("BgColorRad")->isChecked());
  EXPECT_FALSE(Find<QLineEdit>(frm.get(), "BgImageEdt")->isEnabled());
  EXPECT_EQ(Color("BgColorBtn")->color(), kNewBookBackground);
  EXPECT_EQ(Color("ButtonColorBtn")->color(), kNewBookButtons);
  EXPECT_EQ(Color("PanelColorBtn")->color(), kNewBookPanel);
  EXPECT_TRUE(Radio("BookSizeType2")->isChecked());  // 595 x 842 is A4's size
  EXPECT_EQ(Spin("BookSizeWidthEdt")->value(), 595);
  EXPECT_EQ(Spin("BookSizeHeightEdt")->value(), 842);
  EXPECT_FALSE(uitest::Session().sizeEdited());  // filling the edits is not the user's change
  EXPECT_EQ(Find<QListWidget>(frm.get(), "ThemeListView")->count(), 0);
}

TEST_F(MainFrmTest, BookSettingsGoBackAndForth) {
  Open();
  uitest::Book().titleStr = "Annual <report> & more";
  uitest::Book().keywordStr = "k1, k2";
  uitest::Book().desStr = " padded ";
  uitest::Book().backgroundType = TBackgroundKind::Image;
  uitest::Book().backgroundImage = "/images/bg.png";
  uitest::Book().backgroundColor = 0x112233;
  uitest::Book().buttonColor = 0x0000FF;
  uitest::Book().panelColor = 0x00FF00;
  uitest::Book().width = 1000;
  uitest::Book().height = 700;
  frm->ShowBookSetting();
  EXPECT_FALSE(uitest::Session().sizeEdited());
  EXPECT_TRUE(Radio("BgImageRad")->isChecked());
  EXPECT_TRUE(Radio("BookSizeType4")->isChecked());
  EXPECT_EQ(Text("BgImageEdt"), "/images/bg.png");
  EXPECT_EQ(Color("BgColorBtn")->color(), 0x112233u);

  // The book changes only when the controls are saved.
  Find<QLineEdit>(frm.get(), "BookTitleEdt")->setText(" Typed title ");
  EXPECT_EQ(uitest::Book().titleStr, "Annual <report> & more");
  uitest::Book() = TBookObj();
  frm->SaveBookSetting();
  EXPECT_EQ(uitest::Book().titleStr, " Typed title ");
  EXPECT_EQ(uitest::Book().keywordStr, "k1, k2");
  EXPECT_EQ(uitest::Book().desStr, " padded ");
  EXPECT_EQ(uitest::Book().backgroundType, TBackgroundKind::Image);
  EXPECT_EQ(uitest::Book().backgroundImage, "/images/bg.png");
  EXPECT_EQ(uitest::Book().backgroundColor, 0x112233u);
  EXPECT_EQ(uitest::Book().buttonColor, 0x0000FFu);
  EXPECT_EQ(uitest::Book().panelColor, 0x00FF00u);
  EXPECT_EQ(uitest::Book().width, 1000);
  EXPECT_EQ(uitest::Book().height, 700);

  // The colour background keeps the image path in the book.
  Radio("BgColorRad")->click();
  frm->SaveBookSetting();
  EXPECT_EQ(uitest::Book().backgroundType, TBackgroundKind::Color);
  EXPECT_EQ(uitest::Book().backgroundImage, "/images/bg.png");
}

TEST_F(MainFrmTest, SizePresetsAndUnreadableSizeText) {
  Open();
  EXPECT_FALSE(uitest::Session().sizeEdited());
  Radio("BookSizeType1")->click();  // A3, landscape
  EXPECT_TRUE(uitest::Session().sizeEdited());
  EXPECT_EQ(uitest::Book().width, 1191);  // the book follows at once, as one undo step
  EXPECT_EQ(frm->undoStack()->count(), 1);
  Find<QPushButton>(frm.get(), "PreviewBtn")->click();
  WaitForPackage();
  EXPECT_EQ(uitest::Book().width, 1191);
  EXPECT_EQ(uitest::Book().height, 842);
  Radio("BookSizeType3")->click();
  frm->SaveBookSetting();
  EXPECT_EQ(uitest::Book().width, 420);
  EXPECT_EQ(uitest::Book().height, 595);
  Radio("BookSizeType2")->click();
  frm->SaveBookSetting();
  EXPECT_EQ(uitest::Book().width, 595);
  EXPECT_EQ(uitest::Book().height, 842);

  // Typed text the edits cannot read falls back to 800 x 600.
  Spin("BookSizeWidthEdt")->findChild<QLineEdit *>()->setText("abc");
  Spin("BookSizeHeightEdt")->findChild<QLineEdit *>()->setText("");
  frm->SaveBookSetting();
  EXPECT_EQ(uitest::Book().width, 800);
  EXPECT_EQ(uitest::Book().height, 600);

  // Typing a size also counts as the user's size.
  uitest::Session().SetSizeEdited(false);
  Spin("BookSizeHeightEdt")->setValue(333);
  EXPECT_TRUE(uitest::Session().sizeEdited());

  // The size buttons follow typed sizes: a preset's size marks it, any
  // other size "Other".
  Radio("BookSizeType3")->click();
  EXPECT_TRUE(Radio("BookSizeType3")->isChecked());
  Spin("BookSizeWidthEdt")->setValue(500);
  EXPECT_TRUE(Radio("BookSizeType4")->isChecked());
  Spin("BookSizeWidthEdt")->setValue(420);
  EXPECT_TRUE(Radio("BookSizeType3")->isChecked());
  Spin("BookSizeWidthEdt")->setValue(1191);
  Spin("BookSizeHeightEdt")->setValue(842);
  EXPECT_TRUE(Radio("BookSizeType1")->isChecked());
}

TEST_F(MainFrmTest, BackgroundRadioEnablesItsControls) {
  Open();
  auto *edit = Find<QLineEdit>(frm.get(), "BgImageEdt");
  auto *browse = Find<QPushButton>(frm.get(), "BgImageBtn");
  ASSERT_TRUE(Radio("BgColorRad")->isChecked());
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_FALSE(browse->isEnabled());
  EXPECT_TRUE(Color("BgColorBtn")->isEnabled());
  Radio("BgImageRad")->click();
  EXPECT_TRUE(edit->isEnabled());
  EXPECT_TRUE(browse->isEnabled());
  EXPECT_FALSE(Color("BgColorBtn")->isEnabled());
  EXPECT_EQ(uitest::Book().backgroundType, TBackgroundKind::Image);  // the book follows at once

  // ">>" takes the chosen picture; a cancel, or a file that is no
  // picture, changes nothing (the latter says why).
  const QString one = uitest::WritePng(ws.scratch() + "one.png", 4, 4);
  lwtest::WriteFile(ws.scratch() + "secret.jpg", "root:x:0:0");
  QString chosen = one;
  TMainFrm::SetImageChooser([&](QWidget *, const QString &) { return chosen; });
  uitest::ErrorRecorder errors;
  for (const QString &file : {one, QString(), ws.scratch() + "secret.jpg"}) {
    chosen = file;
    browse->click();
    EXPECT_EQ(edit->text(), one) << file.toStdString();
  }
  ASSERT_EQ(errors.messages.size(), 1);
  EXPECT_TRUE(errors.messages[0].contains("secret.jpg\" cannot be the background")) << errors.messages[0].toStdString();
  TMainFrm::SetImageChooser({});

  // The colour selector opens the colour dialog and takes its colour.
  TColorButton::SetColorChooser([](QWidget *, TColor, TColor &chosen) {
    chosen = 0x0A0B0C;
    return true;
  });
  Color("PanelColorBtn")->click();
  TColorButton::SetColorChooser({});
  EXPECT_EQ(Color("PanelColorBtn")->color(), 0x0A0B0Cu);
  EXPECT_EQ(ToQColor(0x0A0B0C), QColor(0x0C, 0x0B, 0x0A));
  EXPECT_EQ(FromQColor(QColor(0x0C, 0x0B, 0x0A)), 0x0A0B0Cu);
}

TEST_F(MainFrmTest, PageListFollowsUpDownDeleteAndClear) {
  Open();
  AddImagePages(3);
  EXPECT_EQ(Rows(), QStringList({"1:a.png", "2:b.png", "3:c.png"}));
  auto click = [&](const char *name) { Find<QPushButton>(frm.get(), name)->click(); };

  // Without a selected row the buttons do nothing.
  click("UpBtn");
  click("DeleteBtn");
  EXPECT_EQ(uitest::Book().PageCount(), 3);

  Select(0);
  click("UpBtn");  // the first page stays first, and selected
  EXPECT_EQ(Rows(), QStringList({"1:a.png", "2:b.png", "3:c.png"}));
  EXPECT_EQ(Pages()->selectedItems().value(0), Pages()->topLevelItem(0));

  // Deleting the last row selects and shows the row before it.
  auto *image = Find<QLabel>(frm.get(), "ImagePreview");
  Select(2);
  ASSERT_FALSE(image->isHidden());
  EXPECT_EQ(image->pixmap().width(), 187);  // 42 x 30 fitted into 187 x 150
  image->clear();
  click("DeleteBtn");
  EXPECT_EQ(Rows(), QStringList({"1:a.png", "2:b.png"}));
  EXPECT_EQ(Pages()->selectedItems().value(0), Pages()->topLevelItem(1));
  EXPECT_FALSE(image->pixmap().isNull());

  // Deleting the first row selects and shows the page that takes its place.
  Select(0);
  image->clear();
  click("DeleteBtn");
  EXPECT_EQ(Rows(), QStringList({"1:b.png"}));
  EXPECT_EQ(Pages()->selectedItems().value(0), Pages()->topLevelItem(0));
  EXPECT_FALSE(image->pixmap().isNull());
  EXPECT_EQ(uitest::Book().PageCount(), 1);

  // Clear removes every page, once the unsaved changes may go.
  AddImagePages(2);
  EXPECT_EQ(Rows(), QStringList({"1:b.png", "2:a.png", "3:b.png"}));
  TMainFrm::SetSaveQuestion([](QWidget *, const QString &) { return int(QMessageBox::Discard); });
  click("ClearBtn");
  TMainFrm::SetSaveQuestion({});
  EXPECT_EQ(uitest::Book().PageCount(), 0);
  EXPECT_EQ(Pages()->topLevelItemCount(), 0);
}

TEST_F(MainFrmTest, SwfPageShowsInPageBrowserAndBrokenImageInErrorBox) {
  Open();
  uitest::ErrorRecorder errors;
  const QString swf = ws.scratch() + "p_1.swf";
  lwtest::WriteFile(swf, "FWS");
  TPageObj *page = uitest::Book().AddPageByPath(swf);
  page->fileType = kPageSwf;
  page->showName = "p_1.pdf";
  const QString broken = ws.scratch() + "broken.png";
  lwtest::WriteFile(broken, "not an image");
  TPageObj *bad = uitest::Book().AddPageByPath(broken);
  bad->showName = "broken.png";
  frm->RefreshPageList();

  Select(0);
  EXPECT_FALSE(Find<QScrollArea>(frm.get(), "ShowPdfScr")->isHidden());
  EXPECT_TRUE(Find<QLabel>(frm.get(), "ImagePreview")->isHidden());
  EXPECT_TRUE(errors.messages.isEmpty());

  Pages()->clearSelection();
  Select(1);
  ASSERT_EQ(errors.messages.size(), 1);
  EXPECT_TRUE(errors.messages[0].contains("broken.png")) << errors.messages[0].toStdString();
  EXPECT_EQ(uitest::Book().PageCount(), 2);
  EXPECT_EQ(Pages()->topLevelItemCount(), 2);
  EXPECT_FALSE(Find<QScrollArea>(frm.get(), "ShowPdfScr")->isHidden());
}

TEST_F(MainFrmTest, PdfPagesAreAddedFromTheirExistingPageFiles) {
  // Which page files a range gives is the import rule's (pageimport_test);
  // here: each page it gives gets its row.
  Open();
  const QString pdf = ws.scratch() + "name.pdf";
  lwtest::WriteFile(pdf, lwtest::MakeTextPdf(3));
  TFileObj file(pdf);
  file.rangeStr = "1-3";
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, pdf);
  lwtest::WriteFile(names.PageFile(1), lwtest::TinySwf());
  lwtest::WriteFile(names.PageFile(3), lwtest::TinySwf());  // page 2 failed to convert
  frm->AddFilePages(file);
  EXPECT_EQ(Rows(), QStringList({"1:name_1.pdf", "2:name_3.pdf"}));
}

// A range that names pages never converted (a narrower range was converted
// before): those pages are converted when they are added, and only they.
TEST_F(MainFrmTest, ThemesFillTheListAndApplyTheirSettings) {
  uitest::WriteTheme(ws.themesDir(), "a-photo", "Photo", 0, "101010", "0000FF", "00FF00", true);
  uitest::WriteTheme(ws.themesDir(), "b-plain", "Plain", 1, "FF0000", "123456", "ABCDEF", false);
  Open();
  auto *list = Find<QListWidget>(frm.get(), "ThemeListView");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "Photo");
  EXPECT_EQ(list->item(1)->text(), "Plain");
  EXPECT_EQ(list->iconSize(), QSize(228, 171));
  EXPECT_EQ(list->item(0)->icon().availableSizes().value(0), QSize(228, 171));
  EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem *>{list->item(0)});  // the theme in use
  ASSERT_TRUE(ThemeManager && ThemeManager->currThemeObj);

  // The first theme is in the controls and is the book's starting look.
  EXPECT_TRUE(Radio("BgImageRad")->isChecked());
  EXPECT_EQ(Text("BgImageEdt"), ws.themesDir() + "a-photo/bg.jpg");
  EXPECT_TRUE(Find<QLineEdit>(frm.get(), "BgImageEdt")->isEnabled());
  EXPECT_EQ(Color("ButtonColorBtn")->color(), 0xFF0000u);  // "0000FF" is blue
  EXPECT_EQ(uitest::Book().backgroundType, TBackgroundKind::Image);
  EXPECT_FALSE(frm->isWindowModified());

  // A colour theme without an image clears and disables the image edit.
  list->setCurrentItem(list->item(1));
  EXPECT_EQ(ThemeManager->currThemeObj->titleStr, "Plain");
  EXPECT_TRUE(Radio("BgColorRad")->isChecked());
  EXPECT_EQ(Text("BgImageEdt"), "");
  EXPECT_FALSE(Find<QLineEdit>(frm.get(), "BgImageEdt")->isEnabled());
  EXPECT_TRUE(Color("BgColorBtn")->isEnabled());
  EXPECT_EQ(Color("BgColorBtn")->color(), 0x0000FFu);
  EXPECT_EQ(Color("ButtonColorBtn")->color(), 0x563412u);
  EXPECT_EQ(Color("PanelColorBtn")->color(), 0xEFCDABu);
  list->item(1)->setSelected(false);  // deselection changes nothing
  EXPECT_EQ(ThemeManager->currThemeObj->titleStr, "Plain");
  frm->SaveBookSetting();
  EXPECT_EQ(uitest::Book().backgroundColor, 0x0000FFu);
}

TEST_F(MainFrmTest, UnreadableThumbnailStopsTheListInTheErrorBox) {
  uitest::WriteTheme(ws.themesDir(), "a", "First", 1, "FFFFFF", "FFFFFF", "FFFFFF", false);
  uitest::WriteTheme(ws.themesDir(), "b", "Second", 1, "FFFFFF", "FFFFFF", "FFFFFF", false);
  uitest::WriteTheme(ws.themesDir(), "c", "Third", 1, "FFFFFF", "FFFFFF", "FFFFFF", false);
  lwtest::WriteFile(ws.themesDir() + "b/thumb.bmp", "BM broken");
  uitest::ErrorRecorder errors;
  Open();
  ASSERT_EQ(errors.messages.size(), 1);
  EXPECT_TRUE(errors.messages[0].contains("thumb.bmp"));
  auto *list = Find<QListWidget>(frm.get(), "ThemeListView");
  ASSERT_GE(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "First");
  EXPECT_LE(list->count(), 2);  // nothing after the broken one
  EXPECT_TRUE(frm->isVisible());
}

TEST_F(MainFrmTest, AutoBookSizeFromTheFirstImage) {
  // The size rule itself is autobooksize_test's; here: the window shows it
  // in "Other" and its edits, once per run.
  Open();
  Radio("BookSizeType2")->setChecked(true);
  const QString path = uitest::WritePng(ws.scratch() + "wide.png", 3200, 1000);
  uitest::Session().library().push_back(std::make_shared<TFileObj>(path));  // not checked: still the size source
  frm->AddCheckedFiles();
  EXPECT_EQ(uitest::Book().PageCount(), 0);
  EXPECT_EQ(QSize(uitest::Book().width, uitest::Book().height), QSize(1600, 500));
  EXPECT_EQ(Spin("BookSizeWidthEdt")->value(), 1600);
  EXPECT_EQ(Spin("BookSizeHeightEdt")->value(), 500);
  EXPECT_TRUE(Radio("BookSizeType4")->isChecked());
  EXPECT_FALSE(uitest::Session().sizeEdited()) << "the automatic size is not the user's";
}

TEST(ErrorBox, ShowsTheMessageOfAnyErrorAndGoesOn) {
  uitest::ErrorRecorder errors;
  EXPECT_TRUE(RunGuarded(nullptr, [] {}));
  EXPECT_FALSE(RunGuarded(nullptr, [] { throw std::runtime_error("Cannot write /x/Pages.xml: disk full"); }));
  EXPECT_FALSE(RunGuarded(nullptr, [] { throw 42; }));
  EXPECT_EQ(errors.messages, QStringList({"Cannot write /x/Pages.xml: disk full", "Unknown error"}));
}

TEST_F(MainFrmTest, LibraryDialogCancelAddsNoPagesAndEachOkAddsTheCheckedFiles) {
  Open();
  const QString png = uitest::WritePng(ws.scratch() + "pic.png", 800, 600);
  TLoadFrm::SetFileChooser([&](QWidget *, const QString &) { return QStringList({png}); });
  auto openAnd = [&](const char *button, bool add, bool tick) {
    uitest::WhenModal([&, button, add, tick](QWidget *modal) {
      auto *dialog = qobject_cast<TLoadFrm *>(modal);
      ASSERT_TRUE(dialog);
      EXPECT_EQ(dialog->ShowTag, TLoadFrm::ShowMode::Pick);
      if (add) dialog->AddBtnClick();
      if (tick) dialog->tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
      Find<QPushButton>(dialog, button)->click();
    });
    Find<QPushButton>(frm.get(), "InsertBtn")->click();
  };
  openAnd("CancelBtn", true, false);
  EXPECT_EQ(uitest::Session().library().size(), 1u);  // the file stays in the library
  EXPECT_EQ(uitest::Book().PageCount(), 0);
  openAnd("OkBtn", false, false);  // nothing ticked: no page, but the size is taken
  EXPECT_EQ(uitest::Book().PageCount(), 0);
  EXPECT_EQ(uitest::Book().width, 800);
  openAnd("OkBtn", false, true);
  openAnd("OkBtn", false, true);  // still ticked: its page is not added twice
  EXPECT_EQ(Rows(), QStringList({"1:pic.png"}));
  TLoadFrm::SetFileChooser({});
}

TEST_F(MainFrmTest, PublishingAnEmptyBookSaysSoWithoutADialog) {
  Open();
  uitest::ErrorRecorder errors;
  int asked = 0;
  SetBrowseForFolderHandler([&](const QString &, const QString &, QString &) {
    ++asked;
    return false;
  });
  Find<QLineEdit>(frm.get(), "BookTitleEdt")->setText("Empty");
  Find<QPushButton>(frm.get(), "ExportBtn")->click();
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(errors.messages, QStringList{"The book has no pages yet: add PDF or image files first."});
  EXPECT_EQ(uitest::Book().titleStr, "Empty");  // the settings were still taken

  // With a page the folder dialog comes up; a cancel writes nothing.
  AddImagePages(1);
  QString prompt;
  SetBrowseForFolderHandler([&](const QString &p, const QString &root, QString &) {
    ++asked;
    prompt = p;
    EXPECT_TRUE(root.isEmpty());
    return false;
  });
  Find<QPushButton>(frm.get(), "ExportBtn")->click();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(prompt, "Select Directory");
  EXPECT_TRUE(frm->lastPackageFolder().isEmpty());
}

TEST_F(MainFrmTest, PublishWritesThePackageWithTheTypedTitle) {
  Open();
  AddImagePages(2);
  Find<QLineEdit>(frm.get(), "BookTitleEdt")->setText("Never previewed");
  lwtest::TempDir out;
  SetBrowseForFolderHandler([&](const QString &, const QString &, QString &folder) {
    folder = out.path();  // no trailing "/"
    return true;
  });
  uitest::ErrorRecorder errors;
  QSignalSpy written(frm.get(), &TMainFrm::packageWritten);
  Find<QPushButton>(frm.get(), "ExportBtn")->click();
  // Written on a worker: the commands are off until it is done.
  EXPECT_TRUE(frm->IsWritingPackage());
  EXPECT_FALSE(Find<QPushButton>(frm.get(), "ExportBtn")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>(frm.get(), "PreviewBtn")->isEnabled());
  ASSERT_TRUE(written.wait(30000));
  EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
  const QString pkg = frm->lastPackageFolder();
  EXPECT_EQ(written.first().first().toString(), pkg);
  // The folder is named after the book.
  ASSERT_EQ(pkg, out.slash() + "Never previewed/");
  EXPECT_TRUE(lwtest::Exists(pkg + "pages/1.png"));
  EXPECT_TRUE(lwtest::Exists(pkg + "pages/2.png"));
  EXPECT_TRUE(lwtest::ReadFile(pkg + "index.html").contains("Never previewed"));
  EXPECT_TRUE(Find<QPushButton>(frm.get(), "ExportBtn")->isEnabled());  // the commands are back
  EXPECT_TRUE(Find<QLabel>(frm.get(), "LastPublishLbl")->text().contains("Never previewed"));

  // Published again: replaced when the user says so (nothing of the old book
  // or of the writing left beside it), kept beside it with the date when not.
  int answer = QMessageBox::Yes;
  QStringList asked;
  TMainFrm::SetReplaceQuestion([&](QWidget *, const QString &previous) {
    asked << previous;
    return answer;
  });
  const auto restore = qScopeGuard([] { TMainFrm::SetReplaceQuestion({}); });
  AddImagePages(3);
  for (int round = 0; round < 2; ++round) {
    Find<QPushButton>(frm.get(), "ExportBtn")->click();
    ASSERT_TRUE(written.wait(30000));
    for (QWidget *box : QApplication::topLevelWidgets())
      if (box->objectName() == "PublishedBox") box->close();
    answer = QMessageBox::No;
  }
  EXPECT_EQ(asked, QStringList({out.slash() + "Never previewed", out.slash() + "Never previewed"}));
  EXPECT_TRUE(lwtest::Exists(pkg + "pages/5.png"));
  QStringList folders = QDir(out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  ASSERT_EQ(folders.size(), 2) << folders.join(", ").toStdString();
  EXPECT_TRUE(folders[1].startsWith("Never previewed_20")) << folders[1].toStdString();
  EXPECT_EQ(frm->lastPackageFolder(), out.slash() + folders[1] + "/");
  EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(MainFrmTest, RightToLeftBookSettingGoesIntoThePackage) {
  Open();
  AddImagePages(2);
  auto *rtl = Find<QCheckBox>(frm.get(), "RtlChk");
  EXPECT_FALSE(rtl->isChecked());
  rtl->setChecked(true);
  lwtest::TempDir out;
  SetBrowseForFolderHandler([&](const QString &, const QString &, QString &folder) {
    folder = out.path();
    return true;
  });
  uitest::ErrorRecorder errors;
  QSignalSpy written(frm.get(), &TMainFrm::packageWritten);
  Find<QPushButton>(frm.get(), "ExportBtn")->click();
  ASSERT_TRUE(written.wait(30000));
  EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
  const QString pkg = frm->lastPackageFolder();
  EXPECT_TRUE(lwtest::ReadFile(pkg + "source/book.js").contains("\"direction\":\"rtl\""));
  EXPECT_FALSE(lwtest::ReadFile(pkg + "source/Pages.xml").contains("rtl"));
}

}  // namespace

TEST_F(MainFrmTest, PublishedBoxOpensTheFolderAndServesTheBook) {
  Open();
  AddImagePages(1);
  lwtest::TempDir out;
  SetBrowseForFolderHandler([&](const QString &, const QString &, QString &folder) {
    folder = out.path();
    return true;
  });
  QList<QUrl> opened;
  bool opens = true;  // whether a program starts for the address
  TMainFrm::SetUrlOpener([&](const QUrl &url) {
    opened << url;
    return opens;
  });
  uitest::ErrorRecorder errors;
  const auto restore = qScopeGuard([] { TMainFrm::SetUrlOpener({}); });
  QSignalSpy written(frm.get(), &TMainFrm::packageWritten);
  Find<QPushButton>(frm.get(), "ExportBtn")->click();
  ASSERT_TRUE(written.wait(30000));
  auto *box = Find<QMessageBox>(frm.get(), "PublishedBox");
  ASSERT_TRUE(box);
  EXPECT_TRUE(box->text().contains(QDir::toNativeSeparators(frm->lastPackageFolder())));
  Find<QPushButton>(box, "OpenFolderBtn")->click();
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(frm->lastPackageFolder()));
  const QPointer<QMessageBox> first = box;  // a button closes the box
  ASSERT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 5000));

  // "View in Browser" serves the book on loopback and opens its address.
  frm->ShowPublished(frm->lastPackageFolder());
  auto *again = Find<QMessageBox>(frm.get(), "PublishedBox");
  ASSERT_TRUE(again);
  Find<QPushButton>(again, "ViewInBrowserBtn")->click();
  ASSERT_EQ(opened.size(), 2);
  EXPECT_EQ(opened[1].host(), "127.0.0.1");
  QNetworkAccessManager net;
  QNetworkReply *reply = net.get(QNetworkRequest(opened[1].resolved(QUrl("index.html"))));
  QSignalSpy finished(reply, &QNetworkReply::finished);
  ASSERT_TRUE(finished.wait(10000));
  EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
  EXPECT_TRUE(reply->readAll().contains("<html"));
  delete reply;
  EXPECT_TRUE(errors.messages.isEmpty());

  // Where no program starts, the address and the folder are given to copy.
  opens = false;
  frm->ViewPublishedBook(frm->lastPackageFolder());
  frm->ShowPublished(frm->lastPackageFolder());
  Find<QPushButton>(Find<QMessageBox>(frm.get(), "PublishedBox"), "OpenFolderBtn")->click();
  ASSERT_EQ(errors.messages.size(), 2);
  EXPECT_TRUE(errors.messages[0].contains(opened[2].toString())) << errors.messages[0].toStdString();
  EXPECT_TRUE(errors.messages[1].contains(QDir::toNativeSeparators(frm->lastPackageFolder())));
}

// The window resizes: the page list and the preview take the room, the
// controls keep their order, the size is kept for the next start, and at a
// one and a half times larger font the window still fits a 1366 x 768 laptop.
TEST_F(MainFrmTest, WindowResizesKeepsItsOrderAndFitsASmallScreenAtALargeFont) {
  TMainFrm &w = Open();
  EXPECT_LT(w.minimumSize().width(), w.maximumSize().width());
  QWidget *web = Find<QWidget>(&w, "PreViewWeb");
  QWidget *tabs = Find<QWidget>(&w, "SetingTabCon");
  QWidget *views = Find<QWidget>(&w, "PageViews");
  auto at = [&](const char *name) { return Find<QWidget>(&w, name)->mapTo(&w, QPoint()); };
  Find<QTabWidget>(&w, "SetingTabCon")->setCurrentIndex(2);
  QApplication::processEvents();
  const QSize web0 = web->size(), views0 = views->size();
  w.resize(w.size() + QSize(300, 200));
  ASSERT_TRUE(QTest::qWaitFor([&] { return web->width() > web0.width(); }, 5000));
  EXPECT_EQ(web->size(), web0 + QSize(300, 200));
  EXPECT_EQ(views->height(), views0.height() + 200);
  EXPECT_EQ(tabs->width(), 289);
  // Left to right and top to bottom as before.
  EXPECT_LT(at("AddFileBtn").x(), at("PreviewBtn").x());
  EXPECT_LT(at("PreviewBtn").x(), at("ExportBtn").x());
  EXPECT_LT(at("ExportBtn").y(), at("SetingTabCon").y());
  EXPECT_LT(at("SetingTabCon").x(), at("PreViewWeb").x());
  EXPECT_LT(at("PagePreviewArea").y(), at("PageViews").y());
  QList<int> buttons;
  for (const char *name : {"InsertBtn", "DeleteBtn", "ClearBtn", "DownBtn", "UpBtn"}) buttons << at(name).y();
  EXPECT_TRUE(std::is_sorted(buttons.begin(), buttons.end()));

  const QSize left = w.size();
  w.close();
  frm.reset();
  Open();
  EXPECT_EQ(frm->size(), left);
  frm.reset();

  const QFont normal = QApplication::font();
  QApplication::setFont(uitest::ScaledFont(normal, 1.5));
  const auto restore = qScopeGuard([&] { QApplication::setFont(normal); });
  TMainFrm big(nullptr, ws.appDir());
  const QSize least = big.minimumSizeHint();
  // Room on a 1366 x 768 screen less a panel and the window's frame.
  EXPECT_LE(least.width(), 1366 - 16);
  EXPECT_LE(least.height(), 768 - 40 - 40);
}
