// The whole road with real parts: a PDF and an image added through the
// Library dialog's own add routine, the PDF converted by the real converter,
// a page range, the book published, and the package played by headless
// Chromium over a loopback web server.

#include "fsutil/fsutil.h"
#include "ui/browseforfolder.h"
#include "model/uconst.h"
#include "ui/errorbox.h"
#include "ui/tloadfrm.h"
#include "ui/tmainfrm.h"
#include "support/testpdf.h"
#include "uitest.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
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
  ASSERT_EQ(LibraryList.size(), 2u);
  EXPECT_TRUE(LibraryList[0]->isConverter);
  EXPECT_EQ(LibraryList[0]->rangeStr, "1,3");

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
  LibraryList.clear();

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
