#include "app/startup.h"

#include "model/uconst.h"
#include "ui/tmainfrm.h"

#include <QApplication>

#include <unistd.h>

namespace lw {

void PrepareEnvironment() {
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
}

int RunApplication(QApplication &app) {
  QApplication::setApplicationName(kAppTitle);
  app.setQuitOnLastWindowClosed(true);
  TMainFrm mainFrm;
  mainFrm.show();
  return app.exec();
}

}  // namespace lw
