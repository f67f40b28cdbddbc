#include "output/packagejob.h"

#include "fsutil/fsutil.h"
#include "output/bookpackage.h"

#include <QDeadlineTimer>
#include <QThread>

namespace lw {

PackageJob::PackageJob(const TBookObj &book, const TSysSetInfo &paths, bool isPreview,
                       const QString &folder, QObject *parent, const QString &replaceRoot)
    : QObject(parent), book_(book.Copy()) {
  worker_ = QThread::create([this, paths, isPreview, folder, replaceRoot] {
    QString root, error;
    try {
      // At most a hundred progress signals, however long the book: each one
      // is a repaint on the window's thread.
      int shown = -1;
      const PageWrittenFn onPage = [this, &shown](int done, int total) {
        const int percent = total > 0 ? done * 100 / total : 100;
        if (percent == shown && done != total) return;
        shown = percent;
        emit pagesWritten(done, total);
      };
      const QDateTime now = QDateTime::currentDateTime();
      if (!replaceRoot.isEmpty()) {
        root = ReplaceBookPackage(book_, paths, replaceRoot, now, onPage);
      } else {
        QString created;
        try {
          root = WriteBookPackage(book_, paths, isPreview, folder, now, &created, onPage);
        } catch (...) {
          // A failed publishing leaves no half-written book behind.
          if (!created.isEmpty()) DeleteFolderTree(created);
          throw;
        }
      }
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
