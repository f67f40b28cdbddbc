// The conversion job: converts a batch of PDFs one after the other on a
// worker thread and reports to a window through queued calls.
//
// Messages, delivered on the receiver's thread in the order they were sent:
//   OnConvertProgress(index, 1)  conversion of file `index` is starting
//   OnConvertProgress(index, 2)  file `index` is finished; its isConverter
//                                tells whether it was converted
//   OnConvertProgress(0, 3)      the job has ended (all done, or cancelled)
//   OnPagesConverted(index, done, total)  a converter progress line of file
//                                `index`, between its codes 1 and 2
// A full batch of n files gives (0,1) (0,2) ... (n-1,1) (n-1,2) (0,3); a
// cancel during file k ends with (k,1) (0,3).
#pragma once

#include "model/tfileobj.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace lw {

inline constexpr int kConvertStarting = 1;
inline constexpr int kConvertFileDone = 2;
inline constexpr int kConvertJobEnded = 3;

class TConvertPafThread : public std::enable_shared_from_this<TConvertPafThread> {
 public:
  // Copies the references of `selPdfList` and starts the worker at once.
  // `frmHandle` receives the messages; it must have the invokable methods
  // (slots) OnConvertProgress(int, int) and OnPagesConverted(int, int, int)
  // and must call DetachReceiver before it is destroyed. The job lives while
  // anyone holds the returned pointer or the worker still runs. Never fails;
  // a receiver without those methods simply gets nothing.
  static std::shared_ptr<TConvertPafThread> Create(const TFileList &selPdfList,
                                                   QObject *frmHandle);

  TConvertPafThread(const TConvertPafThread &) = delete;
  TConvertPafThread &operator=(const TConvertPafThread &) = delete;

  // Asks the job to stop. The job's own converter child, if one is running,
  // is ended within a few tens of milliseconds, and no further converter is
  // started; no other process is touched. Safe from any thread.
  std::atomic<bool> isCancel{false};
  void Cancel() { isCancel = true; }

  // No message is sent after this returns. Safe from any thread.
  void DetachReceiver();

  // True once the work function has returned (after code 3 was sent).
  bool IsFinished() const { return finished_.load(); }
  // Waits up to `timeoutMs` for the end of the job; returns IsFinished().
  bool WaitFinished(int timeoutMs);

 private:
  TConvertPafThread(const TFileList &selPdfList, QObject *frmHandle);
  void Execute();
  void Post(int index, int code);
  void PostPages(int index, int done, int total);

  const TFileList pdfList;  // the batch; the file objects are shared, not copied
  std::mutex parMutex_;     // guards parHandle against DetachReceiver
  QObject *parHandle = nullptr;
  QPointer<QObject> parGuard_;
  std::atomic<bool> finished_{false};
  std::mutex doneMutex_;
  std::condition_variable doneSignal_;
};

}  // namespace lw
