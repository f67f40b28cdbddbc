// Test main shared by every test program: a QApplication on the offscreen
// platform, so widget tests run without a display. Its screen is a common
// desktop's (1920 x 1080), so that windows open at the size they would.

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  QTemporaryDir config;
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform == "offscreen") {
    const QString screens = config.filePath("screens.json");
    QFile file(screens);
    if (config.isValid() && file.open(QIODevice::WriteOnly) &&
        file.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1920, "height": 1080,
                       "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") > 0) {
      file.close();
      qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));
    } else {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
