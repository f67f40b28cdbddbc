// The conversion job: converts a batch of PDFs one after the other on a
// worker thread and reports through signals, which reach receivers on other
// threads queued, in the order they were emitted:
//   fileStarted(index)                 conversion of file `index` begins
//   pagesConverted(index, done, total) a converter progress line of that file
//   fileDone(index, result)            the file is finished; result.converted
//                                      tells whether its pages are complete
//   allDone(cancelled)                 the job has ended
// A full batch of n files gives started/done for 0 .. n-1, then allDone; a
// cancel during file k ends with fileStarted(k), allDone(true).
#pragma once

#include "model/tfileobj.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace lw {

// What became of one file of the batch.
struct ConvertFileResult {
  bool converted = false;  // its page files are complete in its conversion folder
  bool refused = false;    // the converter cannot use the PDF (damaged, encrypted, ...)
  int pageCount = 0;       // the PDF's page count (when converted)
  QString message;         // the converter's last line when it failed
};

class TConvertPafThread : public QObject {
  Q_OBJECT

 public:
  // Takes the references of `selPdfList` (the file objects are shared, not
  // copied) and the pages to convert of each: those of its page range as
  // it is now (every page when its page count is not known). Pages the
  // conversion folder already holds are taken as they are. Nothing runs
  // before Start().
  explicit TConvertPafThread(const TFileList &selPdfList, QObject *parent = nullptr);
  // The same, with the pages of file i given by pages[i] (from 1; an empty
  // list, or none given, for the file's page range).
  TConvertPafThread(const TFileList &selPdfList, std::vector<std::vector<int>> pages,
                    QObject *parent = nullptr);
  // Cancels the job and waits for its worker: no signal is emitted and no
  // converter child runs after the destructor returns.
  ~TConvertPafThread() override;

  TConvertPafThread(const TConvertPafThread &) = delete;
  TConvertPafThread &operator=(const TConvertPafThread &) = delete;

  // Starts the worker; a second call does nothing.
  void Start();
  // Asks the job to stop. The job's own converter child, if one is running,
  // is ended within a few tens of milliseconds, and no further converter is
  // started; no other process is touched. Safe from any thread.
  void Cancel() { isCancel = true; }
  std::atomic<bool> isCancel{false};

  // True once the worker has emitted allDone and returned.
  bool IsFinished() const { return finished_.load(); }
  // Waits up to `timeoutMs` (-1: without limit) for the worker to end.
  // Returns IsFinished(). Does not run the caller's event loop.
  bool Wait(int timeoutMs = -1);

  const TFileList &files() const { return pdfList; }

 signals:
  void fileStarted(int index);
  void pagesConverted(int index, int done, int total);
  void fileDone(int index, const lw::ConvertFileResult &result);
  void allDone(bool cancelled);

 private:
  void Execute();

  const TFileList pdfList;
  std::vector<std::vector<int>> pages_;  // for each file, the pages to convert (empty: all)
  QThread *worker_ = nullptr;
  std::atomic<bool> finished_{false};
};

}  // namespace lw

Q_DECLARE_METATYPE(lw::ConvertFileResult)
