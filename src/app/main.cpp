// Leafweaver: turns PDF documents and images into a page-turning book.

#include "app/startup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv) {
  lw::PrepareEnvironment();
  QApplication app(argc, argv);
  // The desktop matches the window with its entry (leafweaver.desktop).
  QGuiApplication::setDesktopFileName(QStringLiteral("leafweaver"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/leafweaver/leafweaver.svg")));
  return lw::RunApplication(app);
}
