#include "model/uconst.h"
#include "support/testdirs.h"
#include "ui/tmainfrm.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace lw;

TEST(TMainFrm, CreationPreparesBookWorkspaceAndFrame) {
  lwtest::TempDir home;
  const QByteArray old = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", home.path().toUtf8());
  bookSizeEdited = autoSizeDone = true;
  {
    TMainFrm frm;
    EXPECT_EQ(frm.windowTitle(), "Tarnwell Leafweaver");
    EXPECT_EQ(frm.size(), QSize(1036, 593));
    EXPECT_EQ(frm.minimumSize(), frm.maximumSize());
    ASSERT_TRUE(BookObj);
    EXPECT_EQ(BookObj->PageCount(), 0);
    EXPECT_FALSE(bookSizeEdited);
    EXPECT_FALSE(autoSizeDone);
    EXPECT_EQ(SysSetInfo.AppDataPathStr, home.slash() + "Folivant/");
    frm.show();
    QApplication::processEvents();
    EXPECT_TRUE(frm.isVisible());
  }
  qputenv("XDG_DATA_HOME", old);
}
