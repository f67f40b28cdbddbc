// The whole road with real parts: a PDF and an image added through the
// Library dialog's own add routine, the PDF converted by the real converter,
// a page range, the book published, and the package played by headless
// Chromium over a loopback web server. Then a 100-page book from three PDFs
// dropped on the window, saved, opened in a new window, reordered by a drop
// and published.

#include "fsutil/fsutil.h"
#include "ui/browseforfolder.h"
#include "model/uconst.h"
#include "ui/errorbox.h"
#include "ui/tloadfrm.h"
#include "ui/tmainfrm.h"
#include "support/testpdf.h"
#include "uitest.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QImage>
#include <QMimeData>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>
#include <QUrl>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace lw;
using uitest::Find;

TEST(EndToEnd, PdfAndImageBecomeAPublishedBookThatPlays) {
  uitest::Workspace ws(true);
  ASSERT_TRUE(lwtest::Exists(ws.appDir() + "pdf2swf")) << "build the converter first";
  ASSERT_TRUE(lwtest::Exists(ws.appDir() + "ImageTool.dll")) << "build the player first";
  // A theme with a background image: the window starts with it, the
  // command line is told to take it.
  uitest::WriteTheme(ws.themesDir(), "dusk", "Test Dusk", 0, "102030", "FFCC00", "334455", true);
  uitest::ErrorRecorder errors;
  TMainFrm frm(nullptr, ws.appDir());
  frm.show();
  QApplication::processEvents();

  const QString pdf = ws.scratch() + "report.pdf";
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(3)));
  const QString png = uitest::WritePng(ws.scratch() + "photo.png", 300, 200, Qt::red);
  TLoadFrm::SetFileChooser([&](QWidget *, const QString &) { return QStringList({pdf, png}); });

  // "Add Files" opens the dialog; inside it the files are added, the PDF is
  // converted in the progress window, its range set, and OK pressed.
  bool drove = false;
  uitest::WhenModal([&](QWidget *modal) {
    auto *dialog = qobject_cast<TLoadFrm *>(modal);
    ASSERT_TRUE(dialog);
    dialog->AddBtnClick();
    QTreeWidget *tree = dialog->tree();
    EXPECT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(2), "3");
    dialog->LibraryTreeNewText(tree->topLevelItem(0), TLoadFrm::kColRange, "1,3");
    Find<QPushButton>(dialog, "OkBtn")->click();
    drove = true;
  });
  Find<QPushButton>(&frm, "AddFileBtn")->click();
  ASSERT_TRUE(drove);
  ASSERT_EQ(uitest::Session().library().size(), 2u);
  EXPECT_TRUE(uitest::Session().library()[0]->isConverter);
  EXPECT_EQ(uitest::Session().library()[0]->rangeStr, "1,3");

  auto *pages = Find<QTreeWidget>(&frm, "PageListView");
  QStringList rows;
  for (int i = 0; i < pages->topLevelItemCount(); ++i)
    rows << pages->topLevelItem(i)->text(0) + ":" + pages->topLevelItem(i)->text(1);
  EXPECT_EQ(rows, QStringList({"1:report_1.pdf", "2:report_3.pdf", "3:photo.png"}));
  EXPECT_TRUE(Find<QRadioButton>(&frm, "BookSizeType2")->isChecked());  // a PDF came first: A4

  Find<QLineEdit>(&frm, "BookTitleEdt")->setText("Road test");
  lwtest::TempDir out;
  SetBrowseForFolderHandler([&](const QString &, const QString &, QString &folder) {
    folder = out.path();
    return true;
  });
  QSignalSpy written(&frm, &TMainFrm::packageWritten);
  Find<QPushButton>(&frm, "ExportBtn")->click();
  ASSERT_TRUE(written.wait(60000));
  SetBrowseForFolderHandler({});
  TLoadFrm::SetFileChooser({});
  EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();

  const QString pkg = frm.lastPackageFolder();
  ASSERT_FALSE(pkg.isEmpty());
  for (const char *file : {"pages/1.swf", "pages/2.swf", "pages/3.png", "index.html", "turnleaf.swf",
                           "source/Pages.xml", "source/thumbnails.json", "source/thumbs/1.jpg"})
    EXPECT_TRUE(lwtest::Exists(pkg + file)) << file;
  EXPECT_FALSE(lwtest::Exists(pkg + "pages/4.png"));

  // leafweaver-publish given the same inputs builds the same book: one rule
  // for pages, size and theme serves both.
  lwtest::TempDir cliOut, cliHome;
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", cliHome.path());
  cli.setProcessEnvironment(env);
  cli.start(ws.appDir() + "leafweaver-publish",
            {pdf, "--pages", "1,3", png, "-t", "Road test", "--theme", "Test Dusk", "-q", "-o",
             cliOut.path()});
  ASSERT_TRUE(cli.waitForFinished(120000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  const QString cliPkg = QString::fromUtf8(cli.readAllStandardOutput()).trimmed() + '/';
  // The thumbnails too: the same pictures of the PDF's pages 1 and 3 and the photo.
  for (const char *file : {"source/Pages.xml", "index.html", "source/bg.jpg", "turnleaf.swf",
                           "pages/1.swf", "pages/2.swf", "source/thumbnails.json", "source/thumbs/1.jpg"})
    EXPECT_EQ(lwtest::ReadFile(cliPkg + file), lwtest::ReadFile(pkg + file)) << file;
  // The fitted image: the same pixels (the encoder's side data may differ).
  const QImage cliImage(cliPkg + "pages/3.png"), windowImage(pkg + "pages/3.png");
  EXPECT_FALSE(windowImage.isNull());
  EXPECT_EQ(cliImage.convertToFormat(QImage::Format_RGB32), windowImage.convertToFormat(QImage::Format_RGB32));

  QProcess node;
  node.setProcessChannelMode(QProcess::MergedChannels);
  node.setWorkingDirectory(QStringLiteral(LW_SOURCE_DIR));
  node.start("node", {QStringLiteral(LW_SOURCE_DIR) + "/tests/ui/e2e_check.js", pkg, "3", "Road test"});
  ASSERT_TRUE(node.waitForStarted(10000));
  ASSERT_TRUE(node.waitForFinished(120000));
  const QString output = QString::fromUtf8(node.readAll());
  EXPECT_EQ(node.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("ok page 1 shown")) << output.toStdString();
}

namespace {

// Sends a drag of `data` to `target` at `pos`: enter, move, drop. Returns
// whether the drop was taken.
bool DropOn(QWidget *target, const QMimeData *data, QPoint pos, Qt::DropAction action) {
  QDragEnterEvent enter(pos, action, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(pos, action, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  QDropEvent drop(QPointF(pos), action, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

// The first paragraph of each page section of a package's index.html (the
// book's text for readers without the player).
QStringList PageTexts(const QString &package) {
  QStringList texts;
  const QString html = QString::fromUtf8(lwtest::ReadFile(package + "index.html"));
  const QRegularExpression section(
      QStringLiteral("<section class=\"page\" id=\"page-(\\d+)\"[^>]*>.*?<p>([^<]*)</p>"),
      QRegularExpression::DotMatchesEverythingOption);
  for (auto m = section.globalMatch(html); m.hasNext();) texts << m.next().captured(2);
  return texts;
}

}  // namespace

TEST(EndToEnd, HundredPagesFromThreePdfsSavedReopenedReorderedAndPublished) {
  uitest::Workspace ws(true);
  ASSERT_TRUE(lwtest::Exists(ws.appDir() + "pdf2swf")) << "build the converter first";
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, ws.dataHome());
  uitest::ErrorRecorder errors;
  QStringList pdfs;
  const struct {
    const char *label;
    int pages;
  } docs[] = {{"Alpha", 40}, {"Beta", 35}, {"Gamma", 25}};
  for (const auto &doc : docs) {
    pdfs << ws.scratch() + QString::fromLatin1(doc.label).toLower() + ".pdf";
    ASSERT_TRUE(lwtest::WriteFile(pdfs.last(), lwtest::MakeTextPdf(doc.pages, doc.label)));
  }
  QElapsedTimer clock;
  clock.start();

  // The three files dropped on the window: converted, then 100 pages.
  auto frm = std::make_unique<TMainFrm>(nullptr, ws.appDir());
  frm->show();
  QApplication::processEvents();
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(pdfs[0]), QUrl::fromLocalFile(pdfs[1]), QUrl::fromLocalFile(pdfs[2])});
  ASSERT_TRUE(DropOn(frm.get(), &files, QPoint(600, 300), Qt::CopyAction));
  ASSERT_TRUE(QTest::qWaitFor([] { return uitest::Book().PageCount() == 100; }, 300000)) << uitest::Book().PageCount();
  const qint64 converted = clock.elapsed();
  EXPECT_EQ(uitest::Book().Page(40)->showName, "beta_1.pdf");

  // Saved through the menu, with the file name the chooser gives.
  const QString path = ws.scratch() + "hundred.leafbook";
  TMainFrm::SetBookChooser([&](QWidget *, bool, const QString &) { return path; });
  Find<QAction>(frm.get(), "SaveAct")->trigger();
  ASSERT_EQ(frm->bookPath(), path);
  frm.reset();

  // Opened in a new window through the menu.
  frm = std::make_unique<TMainFrm>(nullptr, ws.appDir());
  frm->show();
  QApplication::processEvents();
  Find<QAction>(frm.get(), "OpenAct")->trigger();
  TMainFrm::SetBookChooser({});
  ASSERT_EQ(uitest::Book().PageCount(), 100);
  EXPECT_FALSE(frm->isWindowModified());

  // Beta's first five pages dragged to the front of the book.
  Find<QTabWidget>(frm.get(), "SetingTabCon")->setCurrentIndex(2);
  QApplication::processEvents();
  auto *list = Find<QTreeWidget>(frm.get(), "PageListView");
  QModelIndexList rows;
  for (int r = 40; r < 45; ++r) rows << list->model()->index(r, 0);
  std::unique_ptr<QMimeData> data(list->model()->mimeData(rows));
  const QRect first = list->visualRect(list->model()->index(0, 0));
  ASSERT_TRUE(DropOn(list->viewport(), data.get(), QPoint(first.center().x(), first.top() + 1), Qt::MoveAction));
  EXPECT_EQ(uitest::Book().Page(0)->showName, "beta_1.pdf");
  EXPECT_EQ(uitest::Book().Page(5)->showName, "alpha_1.pdf");
  EXPECT_EQ(frm->undoStack()->count(), 1);

  // Published: the package's pages, and the text of each, in the new order.
  lwtest::TempDir out;
  SetBrowseForFolderHandler([&](const QString &, const QString &, QString &folder) {
    folder = out.path();
    return true;
  });
  QSignalSpy written(frm.get(), &TMainFrm::packageWritten);
  // The preview of the opened book is written first.
  if (frm->IsWritingPackage()) ASSERT_TRUE(written.wait(120000));
  Find<QPushButton>(frm.get(), "ExportBtn")->click();
  ASSERT_TRUE(written.wait(120000));
  SetBrowseForFolderHandler({});
  EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
  const QString pkg = frm->lastPackageFolder();
  ASSERT_FALSE(pkg.isEmpty());
  const QString xml = QString::fromUtf8(lwtest::ReadFile(pkg + "source/Pages.xml"));
  EXPECT_EQ(xml.count("<page "), 100);
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(lwtest::ReadFile(pkg + QStringLiteral("pages/%1.swf").arg(i + 1)),
              lwtest::ReadFile(uitest::Book().Page(i)->filePath)) << i;
  const QStringList texts = PageTexts(pkg);
  ASSERT_EQ(texts.size(), 100);
  EXPECT_EQ(texts[0], "Beta 1");
  EXPECT_EQ(texts[4], "Beta 5");
  EXPECT_EQ(texts[5], "Alpha 1");
  EXPECT_EQ(texts[45], "Beta 6");
  EXPECT_EQ(texts[99], "Gamma 25");
  std::printf("100 pages from three PDFs: converted in %lld ms, whole road %lld ms\n",
              static_cast<long long>(converted), static_cast<long long>(clock.elapsed()));
  frm.reset();
}
