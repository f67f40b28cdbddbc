// The progress window of the conversion job: a small borderless modal
// window that names the file being converted, shows how many of its pages
// are done ("Page 12 of 36, file 1 of 2"), and cancels the job on Escape
// or its Cancel button.
#pragma once

#include "convert/tconvertpafthread.h"
#include "model/tfileobj.h"

#include <QDialog>
#include <memory>
#include <vector>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace lw {

class TFrmLoadProcess : public QDialog {
  Q_OBJECT

 public:
  // Client area 256 x 96, no frame; centred on `owner` when it is shown.
  explicit TFrmLoadProcess(QWidget *owner = nullptr);
  ~TFrmLoadProcess() override;

  // Convert: start a conversion job for `pdfList` when the window is shown.
  enum class LoadMode { Idle, Convert };
  LoadMode loadTag = LoadMode::Idle;
  // The batch, set before the window is shown, and the pages to convert of
  // each file (see TConvertPafThread; empty: the pages of its range).
  TFileList pdfList;
  std::vector<std::vector<int>> pageLists;

  QFrame *sPanel1 = nullptr;
  QLabel *ShowLab = nullptr;
  QProgressBar *PageProgressBar = nullptr;  // pages done in the current file
  QLabel *PageLab = nullptr;        // "Page n of N", and "file k of M" for several
  QPushButton *CancelBtn = nullptr;  // as Escape

  // The job this window started and owns, or null before it is shown. The
  // job goes with the window, which cancels it and waits for it.
  TConvertPafThread *job() const { return job_.get(); }

  // Modal results.
  static constexpr int kResultDone = 1;
  static constexpr int kResultCancelled = 2;

  // The job's signals (see tconvertpafthread.h). A PDF whose pages could
  // not be counted takes the converter's page count.
  void OnFileStarted(int index);
  void OnPagesConverted(int index, int done, int total);
  void OnFileDone(int index, const ConvertFileResult &result);
  void OnAllDone();

  // Escape or closing the window: cancels the job (ending its converter
  // child) and closes at once with result 2, without waiting for the job.
  void reject() override;
  // Closes with result `r`; later messages of the job are ignored, so the
  // first result stays.
  void done(int r) override;

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void FormShow();
  void ShowPageText(int done, int total);

  std::unique_ptr<TConvertPafThread> job_;
  bool shown_ = false;
  bool closed_ = false;
  int currentIndex_ = -1;
};

}  // namespace lw
