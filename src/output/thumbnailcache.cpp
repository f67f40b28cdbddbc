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
    return {page.sourcePath, page.fileType == kPageSwf ? page.sourcePage : 0, PageFilesOf(page)};
  return {page.filePath, 0, PageFilesOf(page)};
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
  // The PDF last drawn from, as it was: the pages of one file usually come
  // together.
  std::unique_ptr<PdfThumbnailer> pdf;
  ThumbnailKey pdfKey;
  const PdfOpener open = [&](const QString &path) -> const PdfThumbnailer * {
    const QFileInfo info(path);
    const ThumbnailKey now{path, info.size(), info.lastModified().toMSecsSinceEpoch(), 0, {}};
    if (!pdf || !(now == pdfKey)) {
      QFile file(path);
      pdf = file.open(QIODevice::ReadOnly) ? std::make_unique<PdfThumbnailer>(file.readAll()) : nullptr;
      pdfKey = now;
    }
    return pdf && pdf->isValid() ? pdf.get() : nullptr;
  };
  while (true) {
    ThumbnailKey key;
    {
      QMutexLocker lock(&mutex_);
      while (queue_.empty() && !cancel_) wake_.wait(&mutex_);
      if (cancel_) return;
      key = queue_.front();
      queue_.pop_front();
    }
    const QImage image = DrawPagePicture(key.files, box_, open);
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
  const ThumbnailKey key{source.path, info.size(), info.lastModified().toMSecsSinceEpoch(), source.page,
                         source.files.isEmpty() ? PageFiles{{}, source.path, source.page} : source.files};
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
