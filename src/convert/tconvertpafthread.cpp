#include "convert/tconvertpafthread.h"

#include "convert/converterrunner.h"

#include <QMetaObject>
#include <QThread>

#include <chrono>

namespace lw {

TConvertPafThread::TConvertPafThread(const TFileList &selPdfList, QObject *frmHandle)
    : pdfList(selPdfList), parHandle(frmHandle), parGuard_(frmHandle) {}

std::shared_ptr<TConvertPafThread> TConvertPafThread::Create(const TFileList &selPdfList,
                                                             QObject *frmHandle) {
  std::shared_ptr<TConvertPafThread> job(new TConvertPafThread(selPdfList, frmHandle));
  // The worker holds the job until its work is done, so the job outlives
  // every use the worker makes of it whatever the window does.
  QThread *worker = QThread::create([self = job]() mutable {
    self->Execute();
    self.reset();
  });
  QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
  worker->start();
  return job;
}

void TConvertPafThread::DetachReceiver() {
  std::lock_guard lock(parMutex_);
  parHandle = nullptr;
}

bool TConvertPafThread::WaitFinished(int timeoutMs) {
  std::unique_lock lock(doneMutex_);
  doneSignal_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return finished_.load(); });
  return finished_.load();
}

void TConvertPafThread::Post(int index, int code) {
  // Posting only queues the call: the worker never waits for the window.
  std::lock_guard lock(parMutex_);
  if (!parHandle || !parGuard_) return;
  QMetaObject::invokeMethod(parHandle, "OnConvertProgress", Qt::QueuedConnection,
                            Q_ARG(int, index), Q_ARG(int, code));
}

void TConvertPafThread::PostPages(int index, int done, int total) {
  std::lock_guard lock(parMutex_);
  if (!parHandle || !parGuard_) return;
  QMetaObject::invokeMethod(parHandle, "OnPagesConverted", Qt::QueuedConnection,
                            Q_ARG(int, index), Q_ARG(int, done), Q_ARG(int, total));
}

void TConvertPafThread::Execute() {
  const int count = static_cast<int>(pdfList.size());
  for (int i = 0; i < count; ++i) {
    Post(i, kConvertStarting);
    const std::shared_ptr<TFileObj> &f = pdfList[i];
    ConvertOutcome outcome;
    if (f) {
      outcome = ConvertPdfToSwf(f->filePath, &isCancel,
                                [this, i](int done, int total) { PostPages(i, done, total); });
    }
    if (isCancel) break;
    // Only a converter run that succeeded marks the file converted.
    if (f && outcome.status == ConvertOutcome::Converted) f->isConverter = true;
    Post(i, kConvertFileDone);
    if (isCancel) break;
  }
  Post(0, kConvertJobEnded);
  {
    std::lock_guard lock(doneMutex_);
    finished_ = true;
  }
  doneSignal_.notify_all();
}

}  // namespace lw
