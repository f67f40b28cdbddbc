#include "output/autobooksize.h"
#include "output/imageconvert.h"
#include "support/testdirs.h"
#include "support/testpdf.h"

#include <QImage>

#include <tuple>
#include <gtest/gtest.h>

using namespace lw;

TEST(AutoBookSize, LongerSideLimitedTo1600WithHalvesToEven) {
  EXPECT_EQ(LimitBookSize(800, 600), QSize(800, 600));
  EXPECT_EQ(LimitBookSize(1600, 1600), QSize(1600, 1600));
  EXPECT_EQ(LimitBookSize(3200, 1000), QSize(1600, 500));
  EXPECT_EQ(LimitBookSize(1000, 2000), QSize(800, 1600));
  EXPECT_EQ(LimitBookSize(2001, 1000), QSize(1600, 800));  // 799.6
  EXPECT_EQ(LimitBookSize(3200, 1001), QSize(1600, 500));  // 500.5 goes to even
  EXPECT_EQ(LimitBookSize(3200, 1003), QSize(1600, 502));  // 501.5 goes to even
}

TEST(AutoBookSize, FirstFileDecides) {
  lwtest::TempDir t;
  lwtest::WriteFile(t.file("doc.pdf"), "%PDF-1.4 not really");
  EXPECT_EQ(AutoBookSizeFor(TFileObj(t.file("doc.pdf"))), QSize(595, 842));
  // A PDF's first page decides, turned as it shows.
  for (const auto &[box, rotate, size] : {std::tuple{"0 0 792 612", 0, QSize(792, 612)},
                                          std::tuple{"0 0 612 792", 90, QSize(792, 612)},
                                          std::tuple{"0 0 4000 2000", 0, QSize(1600, 800)}}) {
    lwtest::WriteFile(t.file("page.pdf"), lwtest::MakeTextPdf(1, "Page", box, rotate));
    EXPECT_EQ(AutoBookSizeFor(TFileObj(t.file("page.pdf"))), size) << box << " turned " << rotate;
  }

  QImage(3200, 1000, QImage::Format_RGB32).save(t.file("wide.png"));
  EXPECT_EQ(AutoBookSizeFor(TFileObj(t.file("wide.png"))), QSize(1600, 500));

  lwtest::WriteFile(t.file("broken.jpg"), "no image");
  EXPECT_THROW(AutoBookSizeFor(TFileObj(t.file("broken.jpg"))), ImageError);
}
