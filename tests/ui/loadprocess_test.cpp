// The conversion job's progress window, with the real converter and with a
// fake one that can be made slow.

#include "convert/convert_support.h"
#include "convert/tconvertpafthread.h"
#include "model/conversionnames.h"
#include "pdf2swf/testpdf.h"
#include "ui/tfrmloadprocess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lw;

namespace {

void PressEscape(QWidget *w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

// Writes the page file of page 1 and its progress line; PDFs with "slow" in
// their path leave a "<pdf>.running" mark and then take 30 seconds.
const QByteArray kFakeConverter =
    "case \"$1\" in *slow*) touch \"$1.running\"; exec sleep 30;; esac\n"
    "p=$(printf '%s' \"$5\" | sed 's/%/1/'); printf FWS > \"$p\"; echo page 1/1\n";

}  // namespace

using LoadProcessTest = lwtest::ConvertFixture;

TEST_F(LoadProcessTest, WindowShowsEachFileAndItsPagesThenClosesWithOne) {
  UseRealConverter();
  QWidget owner;
  owner.setGeometry(100, 80, 900, 640);
  owner.show();
  TFrmLoadProcess frm(&owner);
  EXPECT_EQ(frm.objectName(), "FrmLoadProcess");
  EXPECT_EQ(frm.findChild<QWidget *>("sPanel1"), frm.sPanel1);
  EXPECT_EQ(frm.findChild<QLabel *>("ShowLab")->text(), "ShowLab");
  EXPECT_TRUE(frm.windowFlags() & Qt::FramelessWindowHint);
  frm.loadTag = TFrmLoadProcess::LoadMode::Convert;
  frm.pdfList = {Pdf("annual.report.pdf", 3)};

  const int result = frm.exec();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(frm.size(), QSize(256, 96));
  EXPECT_EQ(frm.PageLab->text(), "Page 3 of 3");  // one file: no file count
  EXPECT_TRUE(frm.CancelBtn->isVisibleTo(&frm));
  EXPECT_LE((frm.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
  EXPECT_EQ(frm.ShowLab->text(), "Loading annual.report.pdf...");
  EXPECT_EQ(frm.PageProgressBar->maximum(), 3);
  EXPECT_EQ(frm.PageProgressBar->value(), 3);
  EXPECT_TRUE(frm.pdfList[0]->isConverter);
  ASSERT_TRUE(frm.job());
  EXPECT_TRUE(frm.job()->Wait(5000));
}

TEST_F(LoadProcessTest, EscapeDuringTheSecondOfThreeEndsOnlyTheJobsOwnConverter) {
  UseFakeConverter(kFakeConverter);
  // Another program's process with the converter's name, which Escape must
  // leave alone.
  const QString decoy = dir.file("elsewhere/pdf2swf");
  lwtest::WriteFile(decoy, "#!/bin/sh\nsleep 30\n");
  QFile::setPermissions(decoy, QFile::permissions(decoy) | QFileDevice::ExeOwner);
  QProcess other;
  other.start(decoy, {});
  ASSERT_TRUE(other.waitForStarted());

  TFrmLoadProcess frm;
  frm.loadTag = TFrmLoadProcess::LoadMode::Convert;
  frm.pdfList = {Pdf("a.pdf", 1), Pdf("b slow.pdf", 1), Pdf("c.pdf", 1)};
  QElapsedTimer sinceEscape;
  QTimer watch;
  // Escape once the second file's converter is running.
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (sinceEscape.isValid() || !QFileInfo::exists(frm.pdfList[1]->filePath + ".running")) return;
    sinceEscape.start();
    PressEscape(&frm);
  });
  watch.start(5);
  const int result = frm.exec();
  watch.stop();
  EXPECT_EQ(result, 2);
  ASSERT_TRUE(sinceEscape.isValid());
  EXPECT_LT(sinceEscape.elapsed(), 500) << "the window closes at once";
  ASSERT_TRUE(frm.job());
  EXPECT_TRUE(frm.job()->Wait(1000 - static_cast<int>(sinceEscape.elapsed())));
  EXPECT_LT(sinceEscape.elapsed(), 1000) << "the job ends within a second of Escape";
  EXPECT_TRUE(frm.pdfList[0]->isConverter);
  EXPECT_FALSE(frm.pdfList[1]->isConverter);
  EXPECT_FALSE(frm.pdfList[2]->isConverter);
  EXPECT_TRUE(lwtest::Exists(ConversionNamesFor(SysSetInfo.TempPathStr, frm.pdfList[0]->filePath).PageFile(1)));
  EXPECT_FALSE(lwtest::Exists(ConversionNamesFor(SysSetInfo.TempPathStr, frm.pdfList[2]->filePath).folder));
  EXPECT_EQ(other.state(), QProcess::Running) << "a same-named process of another program survives";
  other.kill();
  other.waitForFinished();
}

TEST_F(LoadProcessTest, CancelButtonStopsTheJobAsEscapeDoes) {
  UseFakeConverter(kFakeConverter);
  TFrmLoadProcess frm;
  frm.loadTag = TFrmLoadProcess::LoadMode::Convert;
  frm.pdfList = {Pdf("a.pdf", 1), Pdf("b slow.pdf", 1)};
  QString shown;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!shown.isEmpty() || !QFileInfo::exists(frm.pdfList[1]->filePath + ".running")) return;
    shown = frm.PageLab->text();
    frm.CancelBtn->click();
  });
  watch.start(5);
  EXPECT_EQ(frm.exec(), TFrmLoadProcess::kResultCancelled);
  watch.stop();
  EXPECT_EQ(shown, "Page 0 of 1, file 2 of 2");
  ASSERT_TRUE(frm.job());
  EXPECT_TRUE(frm.job()->Wait(5000));
  EXPECT_FALSE(frm.pdfList[1]->isConverter);
}

TEST_F(LoadProcessTest, SignalsAfterTheReceiverIsGoneAreDroppedAndLateEscapeKeepsResultTwo) {
  UseFakeConverter(kFakeConverter);
  // Escape after the job ended but before the window handled its end.
  {
    TFrmLoadProcess frm;
    frm.loadTag = TFrmLoadProcess::LoadMode::Convert;
    frm.pdfList = {Pdf("quick.pdf", 1)};
    frm.show();
    ASSERT_TRUE(frm.job());
    ASSERT_TRUE(frm.job()->Wait(10000));
    PressEscape(&frm);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(frm.result(), 2);
    EXPECT_TRUE(frm.pdfList[0]->isConverter);
  }
  // Signals queued for a receiver that goes before they are delivered are
  // dropped, while a receiver that stays gets them all.
  {
    TConvertPafThread job(TFileList{Pdf("dropped.pdf", 1)});
    auto *gone = new lwtest::JobRecorder;
    int goneGot = 0;
    gone->delivered = &goneGot;
    lwtest::JobRecorder stays;
    gone->Watch(job);
    stays.Watch(job);
    job.Start();
    ASSERT_TRUE(job.Wait(10000));
    delete gone;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(stays.events, (QStringList{"started 0", "done 0 converted 1", "ended"}));
    EXPECT_EQ(goneGot, 0) << "the gone receiver got nothing";
  }
  // The window goes while its job runs: it cancels the job and waits, so
  // nothing of the job outlives it.
  auto batch = TFileList{Pdf("slow.pdf", 1)};
  {
    auto *frm = new TFrmLoadProcess;
    frm->loadTag = TFrmLoadProcess::LoadMode::Convert;
    frm->pdfList = batch;
    frm->show();
    ASSERT_TRUE(frm->job());
    // The converter's mark says it runs (a spy made now could miss the
    // job's start signal, sent from its thread before the spy existed).
    const QString running = batch[0]->filePath + ".running";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(running); }, 10000));
    QElapsedTimer clock;
    clock.start();
    delete frm;
    EXPECT_LT(clock.elapsed(), 2000) << "the converter child is ended, not waited for";
  }
  EXPECT_FALSE(batch[0]->isConverter);

  // A window told not to load starts nothing.
  TFrmLoadProcess idle;
  idle.pdfList = batch;
  idle.show();
  EXPECT_FALSE(idle.job());
  idle.reject();
  EXPECT_EQ(idle.result(), 2);
}

TEST_F(LoadProcessTest, AFileTheCounterCannotReadTakesTheConvertersPageCount) {
  // Pages 1 and 2 of whatever it is given: the converter reads what the
  // counter could not.
  UseFakeConverter(
      "for i in 1 2; do p=$(printf '%s' \"$5\" | sed \"s/%/$i/\"); printf FWS > \"$p\"; "
      "echo page $i/2; done\n");
  const QString path = dir.file("Source Files/odd.pdf");
  ASSERT_TRUE(lwtest::WriteFile(path, "%PDF-1.4 a file whose pages cannot be counted"));
  TFrmLoadProcess frm;
  frm.loadTag = TFrmLoadProcess::LoadMode::Convert;
  frm.pdfList = {std::make_shared<TFileObj>(path)};
  ASSERT_EQ(frm.pdfList[0]->count, -1);
  EXPECT_FALSE(frm.pdfList[0]->problemStr.isEmpty());
  EXPECT_EQ(frm.exec(), 1);
  EXPECT_EQ(frm.pdfList[0]->count, 2);
  EXPECT_TRUE(frm.pdfList[0]->problemStr.isEmpty());
  EXPECT_EQ(frm.pdfList[0]->GetRangeList().size(), 2);
}
