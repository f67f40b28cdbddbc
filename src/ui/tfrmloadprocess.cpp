#include "ui/tfrmloadprocess.h"

#include "convert/converterrunner.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace lw {

TFrmLoadProcess::TFrmLoadProcess(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("FrmLoadProcess"));
  setModal(true);
  setFixedSize(256, 96);
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  setFont(font);

  sPanel1 = new QFrame(this);
  sPanel1->setObjectName(QStringLiteral("sPanel1"));
  sPanel1->setFrameShape(QFrame::StyledPanel);
  sPanel1->setGeometry(0, 0, 256, 96);

  ShowLab = new QLabel(QStringLiteral("ShowLab"), sPanel1);
  ShowLab->setObjectName(QStringLiteral("ShowLab"));
  ShowLab->setGeometry(24, 24, 216, 14);
  QPalette black = ShowLab->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  ShowLab->setPalette(black);

  PageProgressBar = new QProgressBar(sPanel1);
  PageProgressBar->setObjectName(QStringLiteral("PageProgressBar"));
  PageProgressBar->setGeometry(24, 44, 208, 5);
  PageProgressBar->setTextVisible(false);
  PageProgressBar->setRange(0, 1);
  PageProgressBar->setValue(0);

  PageLab = new QLabel(sPanel1);
  PageLab->setObjectName(QStringLiteral("PageLab"));
  PageLab->setGeometry(24, 54, 216, 14);
  PageLab->setPalette(black);

  // The same as Escape, for those who look for a button.
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), sPanel1);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setGeometry(170, 68, 70, 22);
  CancelBtn->setAutoDefault(false);
  connect(CancelBtn, &QPushButton::clicked, this, &TFrmLoadProcess::reject);
}

void TFrmLoadProcess::ShowPageText(int done, int total) {
  const int files = static_cast<int>(pdfList.size());
  QString text = total > 0 ? QStringLiteral("Page %1 of %2").arg(done).arg(total) : QString();
  if (files > 1)
    text += (text.isEmpty() ? QString() : QStringLiteral(", ")) +
            QStringLiteral("file %1 of %2").arg(currentIndex_ + 1).arg(files);
  PageLab->setText(text);
}

TFrmLoadProcess::~TFrmLoadProcess() {
  // Signals the job emits from now on reach no slot of this window; those
  // already queued go with it.
  if (job_) job_->disconnect(this);
}

void TFrmLoadProcess::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
  QRect area;
  if (owner)
    area = owner->frameGeometry();
  else if (const QScreen *screen = QGuiApplication::primaryScreen())
    area = screen->availableGeometry();
  if (!area.isNull()) move(area.center() - QPoint(width() / 2, height() / 2));
  FormShow();
}

void TFrmLoadProcess::FormShow() {
  if (loadTag != LoadMode::Convert) return;
  job_ = std::make_unique<TConvertPafThread>(pdfList, pageLists);
  connect(job_.get(), &TConvertPafThread::fileStarted, this, &TFrmLoadProcess::OnFileStarted);
  connect(job_.get(), &TConvertPafThread::pagesConverted, this, &TFrmLoadProcess::OnPagesConverted);
  connect(job_.get(), &TConvertPafThread::fileDone, this, &TFrmLoadProcess::OnFileDone);
  connect(job_.get(), &TConvertPafThread::allDone, this, &TFrmLoadProcess::OnAllDone);
  job_->Start();
}

void TFrmLoadProcess::OnFileStarted(int index) {
  if (closed_ || index < 0 || index >= static_cast<int>(pdfList.size()) || !pdfList[index]) return;
  currentIndex_ = index;
  ShowLab->setText(QStringLiteral("Loading ") + pdfList[index]->showName + QStringLiteral("..."));
  PageProgressBar->setRange(0, 1);
  PageProgressBar->setValue(0);
  ShowPageText(0, pdfList[index]->count);
}

void TFrmLoadProcess::OnFileDone(int index, const ConvertFileResult &result) {
  if (index < 0 || index >= static_cast<int>(pdfList.size()) || !pdfList[index]) return;
  TFileObj &file = *pdfList[index];
  if (result.converted && file.count < 1) {
    file.count = result.pageCount;
    file.problemStr.clear();
  }
  // The page counter's reason ("is damaged") says more to the user than
  // the converter's last line; that line is kept for a file with no reason yet.
  if (!result.converted && !result.message.isEmpty() && file.problemStr.isEmpty())
    file.problemStr = SourceProblemText(result.message, file.filePath);
}

void TFrmLoadProcess::OnAllDone() {
  // The end of the job closes the window.
  if (!closed_) done(kResultDone);
}

void TFrmLoadProcess::OnPagesConverted(int index, int done, int total) {
  if (closed_) return;
  if (index != currentIndex_ || total < 1 || done < 0 || done > total) return;
  PageProgressBar->setRange(0, total);
  PageProgressBar->setValue(done);
  ShowPageText(done, total);
}

void TFrmLoadProcess::reject() {
  if (job_) job_->Cancel();
  done(kResultCancelled);
}

void TFrmLoadProcess::done(int r) {
  if (closed_) return;
  closed_ = true;
  QDialog::done(r);
}

}  // namespace lw
