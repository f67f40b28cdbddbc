// Small pictures of the book's pages for the window's page list, drawn on a
// worker thread and kept in memory. A picture is keyed by its source file's
// path, size and modification time and the page number, so moving pages,
// undoing and opening the same book again find it ready.
#pragma once

#include "model/tbookobj.h"
#include "output/pagepicture.h"

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <atomic>
#include <deque>

namespace lw {

// A page's picture, known by a file and a page of it: an image file or a
// page movie (page 0) or a page of a PDF (from 1). The picture is drawn from
// `files` by the one rule for pages (DrawPagePicture); without them, from
// the file itself.
struct ThumbnailSource {
  QString path;
  int page = 0;
  PageFiles files;
};

// The picture source of `page`, known by its source file and page number,
// or by the page's own file for a page added by path alone. Never fails.
ThumbnailSource ThumbnailSourceOf(const TPageObj &page);

// One picture: the file as it was when asked for, and the page; `files`
// where it is drawn from (not in the key).
struct ThumbnailKey {
  QString path;
  qint64 size = -1;
  qint64 modified = 0;  // milliseconds since the epoch
  int page = 0;
  PageFiles files;
  bool operator==(const ThumbnailKey &o) const {
    return path == o.path && size == o.size && modified == o.modified && page == o.page;
  }
};
size_t qHash(const ThumbnailKey &key, size_t seed = 0);

// The worker of ThumbnailCache: draws the queued pages one after another,
// keeping the last PDF parsed, and tells each picture by a queued signal.
class ThumbnailWorker : public QThread {
  Q_OBJECT
 public:
  explicit ThumbnailWorker(QSize box, QObject *parent = nullptr);
  // Queues `key` and wakes the worker.
  void Enqueue(const ThumbnailKey &key);
  // Drops what is queued, ends the thread and waits for it (at most the
  // page being drawn is finished).
  void Stop();

 signals:
  // `image` is null when the file cannot be read or the page not drawn.
  void rendered(const lw::ThumbnailKey &key, const QImage &image);

 protected:
  void run() override;

 private:
  const QSize box_;
  QMutex mutex_;
  QWaitCondition wake_;
  std::deque<ThumbnailKey> queue_;
  std::atomic<bool> cancel_{false};
};

class ThumbnailCache : public QObject {
  Q_OBJECT
 public:
  // Pictures fit `box`; the cache keeps up to `maxBytes` of them.
  explicit ThumbnailCache(QSize box, qint64 maxBytes = 64 << 20, QObject *parent = nullptr);
  // Cancels the worker and waits for it.
  ~ThumbnailCache() override;

  QSize box() const { return box_; }
  // The picture of `source` when it is cached for the file as it is now;
  // otherwise a null image, and unless the file is missing the page is
  // queued (once) and thumbnailReady follows. Also null for a page that
  // could not be drawn before, and for an empty path.
  QImage Request(const ThumbnailSource &source);
  // Drops the queued pages and stops the worker, waiting for it; what is
  // cached stays. A later Request starts a new worker.
  void Cancel();
  // Pages queued or being drawn.
  int pendingCount() const { return static_cast<int>(pending_.size()); }
  // Pictures drawn since the cache was made (cached answers do not count).
  int renderedCount() const { return rendered_; }

 signals:
  // A queued page is drawn: `path` as Request was given it, `image` null
  // when the page could not be drawn.
  void thumbnailReady(const QString &path, int page, const QImage &image);

 private:
  void Store(const ThumbnailKey &key, const QImage &image);

  const QSize box_;
  QCache<ThumbnailKey, QImage> cache_;
  QList<ThumbnailKey> pending_;
  ThumbnailWorker *worker_ = nullptr;
  int rendered_ = 0;
};

}  // namespace lw
