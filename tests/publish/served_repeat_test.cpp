// The browser check of a second visit to a served book
// (tests/publish/served_repeat_check.js).
#include "support/testdirs.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(ServedRepeatVisit, RuntimeComesFromTheCache) {
  const QString node = QStandardPaths::findExecutable("node");
  if (node.isEmpty()) GTEST_SKIP() << "node is needed for the browser check";
  QProcess check;
  check.setProcessChannelMode(QProcess::MergedChannels);
  check.start(node, {QStringLiteral(LW_SOURCE_DIR) + "/tests/publish/served_repeat_check.js",
                     lwtest::ProgramDir()});
  ASSERT_TRUE(check.waitForFinished(120000));
  const QString said = QString::fromUtf8(check.readAll());
  EXPECT_EQ(check.exitCode(), 0) << said.toStdString();
  EXPECT_TRUE(said.contains("ok second visit")) << said.toStdString();
}
