// The conversion job and its progress window, with the real converter and
// with a fake one that can be made slow.

#include "convert/converterrunner.h"
#include "convert/tconvertpafthread.h"
#include "convert/tfrmloadprocess.h"
#include "convert_support.h"
#include "model/conversionnames.h"
#include "pdf2swf/testpdf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lw;

namespace {

// Runs the event loop until `done` holds or `ms` pass.
template <typename Pred>
bool SpinUntil(Pred done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

void PressEscape(QWidget *w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

// Writes the page file of page 1 and its progress line; PDFs with "slow" in
// their path take 30 seconds first.
const QByteArray kFakeConverter =
    "case \"$1\" in *slow*) exec sleep 30;; esac\n"
    "p=$(printf '%s' \"$5\" | sed 's/%/1/'); printf FWS > \"$p\"; echo page 1/1\n";

}  // namespace

class JobTest : public lwtest::ConvertFixture {
 protected:
  std::shared_ptr<TFileObj> Pdf(const QString &name, int pages) {
    const QString path = dir.file("Source Files/" + name);
    QDir().mkpath(dir.file("Source Files"));
    EXPECT_TRUE(lwtest::MakeTestPdf(path, pages));
    return std::make_shared<TFileObj>(path);
  }
};

TEST_F(JobTest, NormalBatchPostsMessagesInOrderAndMarksWhatConverted) {
  UseRealConverter();
  TFileList batch{Pdf("first.pdf", 2), Pdf("second one.pdf", 1),
                  std::make_shared<TFileObj>(dir.file("Source Files/gone.pdf"))};
  lwtest::MessageRecorder recorder;
  const auto job = TConvertPafThread::Create(batch, &recorder);
  ASSERT_TRUE(SpinUntil([&] { return job->IsFinished(); }, 60000));
  SpinUntil([&] { return recorder.codes.size() >= 7; }, 2000);
  EXPECT_EQ(recorder.codes, (std::vector<std::pair<int, int>>{
                                {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 1}, {2, 2}, {0, 3}}));
  EXPECT_EQ(recorder.pages, (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}, {1, 1}}));
  EXPECT_TRUE(batch[0]->isConverter);
  EXPECT_TRUE(batch[1]->isConverter);
  EXPECT_FALSE(batch[2]->isConverter) << "a missing PDF is not converted";
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, batch[0]->filePath);
  EXPECT_TRUE(lwtest::Exists(names.PageFile(2)));
  EXPECT_EQ(batch[0]->GetRangeList(), (QStringList{names.PageFile(1), names.PageFile(2)}));
}

TEST_F(JobTest, WindowShowsEachFileAndItsPagesThenClosesWithOne) {
  UseRealConverter();
  QWidget owner;
  owner.setGeometry(100, 80, 900, 640);
  owner.show();
  TFrmLoadProcess frm(&owner);
  EXPECT_EQ(frm.objectName(), "FrmLoadProcess");
  EXPECT_EQ(frm.findChild<QWidget *>("sPanel1"), frm.sPanel1);
  EXPECT_EQ(frm.findChild<QLabel *>("ShowLab")->text(), "ShowLab");
  EXPECT_TRUE(frm.windowFlags() & Qt::FramelessWindowHint);
  frm.loadTag = 1;
  frm.pdfList = {Pdf("annual.report.pdf", 3)};

  const int result = frm.exec();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(frm.size(), QSize(256, 62));
  EXPECT_LE((frm.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
  EXPECT_EQ(frm.ShowLab->text(), "Loading annual.report.pdf...");
  EXPECT_EQ(frm.PageProgressBar->maximum(), 3);
  EXPECT_EQ(frm.PageProgressBar->value(), 3);
  EXPECT_TRUE(frm.pdfList[0]->isConverter);
  ASSERT_TRUE(frm.job());
  EXPECT_TRUE(frm.job()->WaitFinished(5000));
}

TEST_F(JobTest, EscapeDuringTheSecondOfThreeEndsOnlyTheJobsOwnConverter) {
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
  frm.loadTag = 1;
  frm.pdfList = {Pdf("a.pdf", 1), Pdf("b slow.pdf", 1), Pdf("c.pdf", 1)};
  QElapsedTimer sinceEscape;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    static QElapsedTimer secondRunning;
    if (frm.ShowLab->text() != "Loading b slow.pdf..." || sinceEscape.isValid()) return;
    if (!secondRunning.isValid()) secondRunning.start();
    if (secondRunning.elapsed() < 300) return;  // let the converter get going
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
  EXPECT_TRUE(frm.job()->WaitFinished(1000 - static_cast<int>(sinceEscape.elapsed())));
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

TEST_F(JobTest, MessagesAfterTheWindowIsGoneAreDroppedAndLateEscapeKeepsResultTwo) {
  UseFakeConverter(kFakeConverter);
  // Escape after the job posted its end but before the window handled it.
  {
    TFrmLoadProcess frm;
    frm.loadTag = 1;
    frm.pdfList = {Pdf("quick.pdf", 1)};
    frm.show();
    ASSERT_TRUE(frm.job());
    ASSERT_TRUE(frm.job()->WaitFinished(10000));
    PressEscape(&frm);
    QCoreApplication::processEvents();
    EXPECT_EQ(frm.result(), 2);
    EXPECT_TRUE(frm.pdfList[0]->isConverter);
  }
  // The window goes while its job runs; the job lives on and ends alone.
  std::shared_ptr<TConvertPafThread> job;
  auto batch = TFileList{Pdf("slow.pdf", 1)};
  {
    auto *frm = new TFrmLoadProcess;
    frm->loadTag = 1;
    frm->pdfList = batch;
    frm->show();
    job = frm->job();
    ASSERT_TRUE(SpinUntil([&] { return frm->ShowLab->text() == "Loading slow.pdf..."; }, 5000));
    delete frm;
  }
  ASSERT_TRUE(job);
  EXPECT_FALSE(job->IsFinished());
  job->Cancel();
  EXPECT_TRUE(job->WaitFinished(2000));
  SpinUntil([] { return false; }, 100);  // deliver whatever was queued
  EXPECT_FALSE(batch[0]->isConverter);

  // A window told not to load starts nothing.
  TFrmLoadProcess idle;
  idle.pdfList = batch;
  idle.show();
  EXPECT_FALSE(idle.job());
  idle.reject();
  EXPECT_EQ(idle.result(), 2);
}
