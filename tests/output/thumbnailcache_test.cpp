// The page list's thumbnail cache: pictures drawn on its worker arrive by
// signal, are kept per file version and page, and a changed file, a
// damaged one and a cancelled worker behave.
#include "output/thumbnailcache.h"
#include "support/testdirs.h"
#include "support/testpdf.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace lw;

namespace {

// Waits until `cache` has drawn `count` pictures in all.
bool DrawnAll(ThumbnailCache &cache, QSignalSpy &spy, int count) {
  while (cache.renderedCount() < count)
    if (!spy.wait(20000)) return false;
  return true;
}

}  // namespace

TEST(ThumbnailCache, PagesArriveOnceAndAChangedFileIsDrawnAgain) {
  lwtest::TempDir dir;
  const QString pdf = dir.file("doc.pdf");
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(3)));
  ThumbnailCache cache(QSize(60, 80));
  QSignalSpy ready(&cache, &ThumbnailCache::thumbnailReady);
  for (int page = 1; page <= 3; ++page) EXPECT_TRUE(cache.Request({pdf, page}).isNull());
  EXPECT_TRUE(cache.Request({pdf, 2}).isNull());  // asked twice, drawn once
  EXPECT_EQ(cache.pendingCount(), 3);
  ASSERT_TRUE(DrawnAll(cache, ready, 3));
  EXPECT_EQ(ready.count(), 3);
  EXPECT_EQ(ready.at(0).at(0).toString(), pdf);
  const QImage second = cache.Request({pdf, 2});
  ASSERT_FALSE(second.isNull());
  EXPECT_EQ(second.height(), 80);  // A4 fitted into 60 x 80
  EXPECT_NE(second, cache.Request({pdf, 3}));
  EXPECT_EQ(cache.renderedCount(), 3);
  EXPECT_EQ(cache.pendingCount(), 0);

  // Another document in the same place, with a new size and time.
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(4, "Other")));
  {
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
  }
  EXPECT_TRUE(cache.Request({pdf, 2}).isNull());
  ASSERT_TRUE(DrawnAll(cache, ready, 4));
  const QImage changed = cache.Request({pdf, 2});
  ASSERT_FALSE(changed.isNull());
  EXPECT_NE(changed, second);
}

TEST(ThumbnailCache, MissingDamagedAndImageSources) {
  lwtest::TempDir dir;
  ThumbnailCache cache(QSize(60, 80));
  QSignalSpy ready(&cache, &ThumbnailCache::thumbnailReady);
  // A missing file or an empty path asks for nothing.
  EXPECT_TRUE(cache.Request({dir.file("gone.pdf"), 1}).isNull());
  EXPECT_TRUE(cache.Request({QString(), 0}).isNull());
  EXPECT_EQ(cache.pendingCount(), 0);

  const QString damaged = dir.file("damaged.pdf");
  lwtest::WriteFile(damaged, "%PDF-1.4 not really");
  const QString png = dir.file("wide.png");
  QImage wide(200, 50, QImage::Format_RGB32);
  wide.fill(Qt::red);
  ASSERT_TRUE(wide.save(png));
  cache.Request({damaged, 1});
  cache.Request({png, 0});
  ASSERT_TRUE(DrawnAll(cache, ready, 2));
  EXPECT_TRUE(cache.Request({damaged, 1}).isNull());  // known to fail: not asked again
  EXPECT_EQ(cache.pendingCount(), 0);
  EXPECT_EQ(cache.Request({png, 0}).size(), QSize(60, 15));
  EXPECT_EQ(cache.renderedCount(), 2);
}

TEST(ThumbnailCache, CancelDropsTheQueueAndALaterRequestStartsAgain) {
  lwtest::TempDir dir;
  const QString pdf = dir.file("long.pdf");
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(300)));
  ThumbnailCache cache(QSize(60, 80));
  QSignalSpy ready(&cache, &ThumbnailCache::thumbnailReady);
  for (int page = 1; page <= 300; ++page) cache.Request({pdf, page});
  ASSERT_TRUE(ready.wait(20000));
  cache.Cancel();
  EXPECT_EQ(cache.pendingCount(), 0);
  const int drawn = cache.renderedCount();
  EXPECT_LT(drawn, 300);
  // Pictures the worker sent before it stopped are not taken any more.
  QCoreApplication::processEvents();
  EXPECT_EQ(cache.renderedCount(), drawn);
  const int late = drawn < 300 ? 300 : 1;
  EXPECT_TRUE(cache.Request({pdf, late}).isNull());
  ASSERT_TRUE(DrawnAll(cache, ready, drawn + 1));
  EXPECT_FALSE(cache.Request({pdf, late}).isNull());
}
