#include "output/thumbnailcache.h"

#include "output/pagethumbnail.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>

#include <memory>

namespace lw {

ThumbnailSource ThumbnailSourceOf(const TPageObj &page) {
  if (!page.sourcePath.isEmpty())
    return {page.sourcePath, page.fileType == kPageSwf ? page.sourcePage : 0};
  if (page.fileType == kPageImage) return {page.filePath, 0};
  return {};
}

size_t qHash(const ThumbnailKey &key, size_t seed) {
  return qHashMulti(seed, key.path, key.size, key.modified, key.page);
}

ThumbnailWorker::ThumbnailWorker(QSize box, QObject *parent) : QThread(parent), box_(box) {}

void ThumbnailWorker::Enqueue(const ThumbnailKey &key) {
  QMutexLocker lock(&mutex_);
  queue_.push_back(key);
  wake_.wakeOne();
}

void ThumbnailWorker::Stop() {
  {
    QMutexLocker lock(&mutex_);
    cancel_ = true;
    queue_.clear();
    wake_.wakeAll();
  }
  wait();
}

void ThumbnailWorker::run() {
  // The PDF last drawn from: the pages of one file usually come together.
  std::unique_ptr<PdfThumbnailer> pdf;
  ThumbnailKey pdfKey;
  while (true) {
    ThumbnailKey key;
    {
      QMutexLocker lock(&mutex_);
      while (queue_.empty() && !cancel_) wake_.wait(&mutex_);
      if (cancel_) return;
      key = queue_.front();
      queue_.pop_front();
    }
    QImage image;
    if (key.page == 0) {
      QFile file(key.path);
      if (file.open(QIODevice::ReadOnly)) image = ImageThumbnail(file.readAll(), box_);
    } else {
      const bool same = pdf && pdfKey.path == key.path && pdfKey.size == key.size &&
                        pdfKey.modified == key.modified;
      if (!same) {
        pdf.reset();
        QFile file(key.path);
        if (file.open(QIODevice::ReadOnly)) pdf = std::make_unique<PdfThumbnailer>(file.readAll());
        pdfKey = key;
      }
      if (pdf) image = pdf->render(key.page, box_);
    }
    if (cancel_) return;
    emit rendered(key, image);
  }
}

ThumbnailCache::ThumbnailCache(QSize box, qint64 maxBytes, QObject *parent)
    : QObject(parent), box_(box), cache_(maxBytes) {}

ThumbnailCache::~ThumbnailCache() { Cancel(); }

QImage ThumbnailCache::Request(const ThumbnailSource &source) {
  if (source.path.isEmpty()) return {};
  const QFileInfo info(source.path);
  if (!info.isFile()) return {};
  const ThumbnailKey key{source.path, info.size(),
                         info.lastModified().toMSecsSinceEpoch(), source.page};
  if (const QImage *image = cache_.object(key)) return *image;
  if (pending_.contains(key)) return {};
  pending_.append(key);
  if (!worker_) {
    worker_ = new ThumbnailWorker(box_, this);
    connect(worker_, &ThumbnailWorker::rendered, this, &ThumbnailCache::Store, Qt::QueuedConnection);
    worker_->start(QThread::LowPriority);
  }
  worker_->Enqueue(key);
  return {};
}

void ThumbnailCache::Store(const ThumbnailKey &key, const QImage &image) {
  if (!pending_.removeOne(key)) return;  // cancelled meanwhile
  ++rendered_;
  cache_.insert(key, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes()));
  emit thumbnailReady(key.path, key.page, image);
}

void ThumbnailCache::Cancel() {
  pending_.clear();
  if (!worker_) return;
  worker_->Stop();
  // Pictures it sent that are still queued find nothing pending: Store drops
  // them.
  delete worker_;
  worker_ = nullptr;
}

}  // namespace lw
