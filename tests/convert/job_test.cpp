// The conversion job with the real converter (its progress window is
// tested with the window module).

#include "convert/converterrunner.h"
#include "convert/tconvertpafthread.h"
#include "convert_support.h"
#include "model/conversionnames.h"
#include "pdf2swf/testpdf.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace lw;

using JobTest = lwtest::ConvertFixture;

TEST_F(JobTest, NormalBatchSignalsInOrderAndMarksWhatConverted) {
  UseRealConverter();
  TFileList batch{Pdf("first.pdf", 2), Pdf("second one.pdf", 1),
                  std::make_shared<TFileObj>(dir.file("Source Files/gone.pdf"))};
  lwtest::JobRecorder recorder;
  TConvertPafThread job(batch);
  recorder.Watch(job);
  QSignalSpy ended(&job, &TConvertPafThread::allDone);
  job.Start();
  ASSERT_TRUE(ended.wait(60000));
  EXPECT_EQ(recorder.events, (QStringList{"started 0", "done 0 converted 2", "started 1",
                                          "done 1 converted 1", "started 2", "done 2 not converted",
                                          "ended"}));
  EXPECT_EQ(recorder.pages, (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}, {1, 1}}));
  EXPECT_TRUE(job.IsFinished());
  EXPECT_TRUE(batch[0]->isConverter);
  EXPECT_TRUE(batch[1]->isConverter);
  EXPECT_FALSE(batch[2]->isConverter) << "a missing PDF is not converted";
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, batch[0]->filePath);
  EXPECT_TRUE(lwtest::Exists(names.PageFile(2)));
  EXPECT_EQ(batch[0]->GetRangeList(), (QStringList{names.PageFile(1), names.PageFile(2)}));
}

// The job converts a file's range as it is when the job is made, or the
// pages it is given; a wider range later converts only the pages added.
TEST_F(JobTest, ConvertsTheRangeOrTheGivenPagesOnly) {
  UseRealConverter();
  TFileList batch{Pdf("ranged.pdf", 4), Pdf("given.pdf", 4)};
  batch[0]->rangeStr = "2-3";
  auto run = [&](lwtest::JobRecorder &recorder, const std::vector<std::vector<int>> &pages) {
    TConvertPafThread job(batch, pages);
    recorder.Watch(job);
    QSignalSpy ended(&job, &TConvertPafThread::allDone);
    job.Start();
    EXPECT_TRUE(ended.wait(60000));
  };
  auto files = [&](int i) {
    const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, batch[i]->filePath);
    return Files(names.folder).filter(".swf");
  };
  lwtest::JobRecorder first;
  run(first, {{}, {4}});
  EXPECT_EQ(first.events, (QStringList{"started 0", "done 0 converted 4", "started 1", "done 1 converted 4",
                                       "ended"}))
      << "the result gives the PDF's page count";
  EXPECT_EQ(files(0), (QStringList{"ranged_2.swf", "ranged_3.swf"}));
  EXPECT_EQ(files(1), QStringList{"given_4.swf"});

  batch[0]->rangeStr = "1-3";
  batch.pop_back();
  lwtest::JobRecorder wider;
  run(wider, {});
  EXPECT_EQ(wider.pages, (std::vector<std::pair<int, int>>{{0, 1}})) << "one page converted";
  EXPECT_EQ(files(0), (QStringList{"ranged_1.swf", "ranged_2.swf", "ranged_3.swf"}));
}
