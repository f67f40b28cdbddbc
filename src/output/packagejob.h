// Writing a book package on a worker thread: the window hands over a copy
// of its book and hears of each page written, of the end and of a failure
// through signals delivered on its own thread.
#pragma once

#include "model/tbookobj.h"
#include "model/uconst.h"

#include <QObject>
#include <QString>
#include <atomic>

class QThread;

namespace lw {

class PackageJob : public QObject {
  Q_OBJECT
 public:
  // Copies `book` and starts writing it at once (WriteBookPackage with
  // `paths`, `isPreview` and `folder`; a failed publishing removes the
  // folder it made). With `replaceRoot`, the book replaces the one
  // published there instead (ReplaceBookPackage).
  PackageJob(const TBookObj &book, const TSysSetInfo &paths, bool isPreview, const QString &folder,
             QObject *parent = nullptr, const QString &replaceRoot = QString());
  // Waits for the writer: a package is never left half-written by the
  // window going away.
  ~PackageJob() override;

  // Waits up to `timeoutMs` (-1: without limit) for the writer. Returns
  // true when it has ended. Does not run the caller's event loop.
  bool Wait(int timeoutMs = -1);
  bool IsFinished() const { return finished_.load(); }

 signals:
  void pagesWritten(int done, int total);
  // The package root (with a trailing "/"), or empty when nothing was
  // written (publishing a book without pages).
  void written(const QString &root);
  // The writer stopped: the message names the file and the reason.
  void failed(const QString &message);

 private:
  TBookObj book_;
  QThread *worker_ = nullptr;
  std::atomic<bool> finished_{false};
};

}  // namespace lw
