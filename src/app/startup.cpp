#include "app/startup.h"

#include "convert/conversioncache.h"
#include "ui/tfrmloadprocess.h"
#include "model/uconst.h"
#include "ui/tloadfrm.h"
#include "ui/tmainfrm.h"

#include <QApplication>
#include <QThreadPool>

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

bool OpenBookArgument(TMainFrm &frm, const QStringList &args) {
  for (const QString &arg : args)
    if (arg.endsWith(QStringLiteral(".leafbook"), Qt::CaseInsensitive)) return frm.OpenBook(arg);
  return false;
}

int RunApplication(QApplication &app) {
  QApplication::setApplicationName(kAppTitle);
  QApplication::setOrganizationName(QStringLiteral("Leafweaver"));
  app.setQuitOnLastWindowClosed(true);
  TMainFrm mainFrm;
  // Created hidden with the main window; every use of either window makes
  // its own instance.
  TLoadFrm loadFrm(mainFrm.session().library(), &mainFrm);
  TFrmLoadProcess loadProcess(&mainFrm);
  mainFrm.show();
  // `leafweaver FILE.leafbook` opens that book.
  OpenBookArgument(mainFrm, app.arguments().mid(1));
  // Converted pages are kept between runs, but not for ever: conversions of
  // files that are gone or that were not used for a month go, away from the
  // window's thread. The global pool waits for the task at exit.
  QThreadPool::globalInstance()->start(
      [temp = SysSetInfo.TempPathStr] { PruneConversions(temp); });
  return app.exec();
}

}  // namespace lw
