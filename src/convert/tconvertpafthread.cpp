#include "convert/tconvertpafthread.h"

#include "convert/converterrunner.h"
#include "model/pagerange.h"

#include <QDeadlineTimer>
#include <QThread>

namespace lw {

TConvertPafThread::TConvertPafThread(const TFileList &selPdfList, QObject *parent)
    : TConvertPafThread(selPdfList, {}, parent) {}

TConvertPafThread::TConvertPafThread(const TFileList &selPdfList, std::vector<std::vector<int>> pages,
                                     QObject *parent)
    : QObject(parent), pdfList(selPdfList), pages_(std::move(pages)) {
  qRegisterMetaType<lw::ConvertFileResult>();
  // The ranges are read here, on the owner's thread, not by the worker.
  pages_.resize(pdfList.size());
  for (size_t i = 0; i < pdfList.size(); ++i)
    if (pages_[i].empty() && pdfList[i] && pdfList[i]->count > 0)
      pages_[i] = ParsePageNumbers(pdfList[i]->rangeStr, pdfList[i]->count);
}

TConvertPafThread::~TConvertPafThread() {
  Cancel();
  if (worker_) {
    worker_->wait();
    delete worker_;
  }
}

void TConvertPafThread::Start() {
  if (worker_) return;
  worker_ = QThread::create([this] { Execute(); });
  worker_->start();
}

bool TConvertPafThread::Wait(int timeoutMs) {
  if (!worker_) return finished_.load();
  worker_->wait(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs));
  return finished_.load();
}

void TConvertPafThread::Execute() {
  const int count = static_cast<int>(pdfList.size());
  for (int i = 0; i < count; ++i) {
    emit fileStarted(i);
    const std::shared_ptr<TFileObj> &f = pdfList[static_cast<size_t>(i)];
    ConvertOutcome outcome;
    if (f) {
      outcome = ConvertPdfPages(f->filePath, pages_[static_cast<size_t>(i)], &isCancel,
                                [this, i](int done, int total) { emit pagesConverted(i, done, total); });
    }
    if (isCancel) break;
    ConvertFileResult result;
    result.converted = f && outcome.status == ConvertOutcome::Converted;
    result.refused = outcome.status == ConvertOutcome::Refused;
    result.pageCount = outcome.pageCount;
    if (!result.converted) result.message = LastOutputLine(outcome.run);
    // Only a complete conversion marks the file converted.
    if (result.converted) f->isConverter = true;
    emit fileDone(i, result);
    if (isCancel) break;
  }
  finished_ = true;
  emit allDone(isCancel.load());
}

}  // namespace lw
