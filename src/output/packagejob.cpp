#include "output/packagejob.h"

#include "output/bookpackage.h"

#include <QDeadlineTimer>
#include <QThread>

namespace lw {

PackageJob::PackageJob(const TBookObj &book, const TSysSetInfo &paths, bool isPreview,
                       const QString &folder, QObject *parent)
    : QObject(parent), book_(book.Copy()) {
  worker_ = QThread::create([this, paths, isPreview, folder] {
    QString root, error;
    try {
      // At most a hundred progress signals, however long the book: each one
      // is a repaint on the window's thread.
      int shown = -1;
      root = WriteBookPackage(book_, paths, isPreview, folder, QDateTime::currentDateTime(), nullptr,
                              [this, &shown](int done, int total) {
                                const int percent = total > 0 ? done * 100 / total : 100;
                                if (percent == shown && done != total) return;
                                shown = percent;
                                emit pagesWritten(done, total);
                              });
    } catch (const std::exception &e) {
      error = QString::fromUtf8(e.what());
    } catch (...) {
      error = QStringLiteral("Unknown error");
    }
    finished_ = true;
    if (error.isEmpty())
      emit written(root);
    else
      emit failed(error);
  });
  worker_->start();
}

PackageJob::~PackageJob() {
  worker_->wait();
  delete worker_;
}

bool PackageJob::Wait(int timeoutMs) {
  worker_->wait(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs));
  return finished_.load();
}

}  // namespace lw
