// Leafweaver: turns PDF documents and images into a page-turning book.

#include "app/startup.h"

#include <QApplication>

int main(int argc, char **argv) {
  lw::PrepareEnvironment();
  QApplication app(argc, argv);
  return lw::RunApplication(app);
}
