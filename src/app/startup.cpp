#include "app/startup.h"

#include "convert/tfrmloadprocess.h"
#include "model/uconst.h"
#include "ui/tloadfrm.h"
#include "ui/tmainfrm.h"

#include <QApplication>

#include <unistd.h>

namespace lw {

void PrepareEnvironment() {
  // Chromium refuses to start its sandbox as root.
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  if (geteuid() == 0 && !flags.contains("--no-sandbox")) {
    flags = flags.isEmpty() ? QByteArray("--no-sandbox") : flags + " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
  }
  // The embedded browser shares GL contexts with the widgets.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

int RunApplication(QApplication &app) {
  QApplication::setApplicationName(kAppTitle);
  app.setQuitOnLastWindowClosed(true);
  TMainFrm mainFrm;
  // Created hidden with the main window; every use of either window makes
  // its own instance.
  TLoadFrm loadFrm(&mainFrm);
  TFrmLoadProcess loadProcess(&mainFrm);
  mainFrm.show();
  return app.exec();
}

}  // namespace lw
