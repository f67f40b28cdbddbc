// Linked into every test program that starts the embedded browser: Chromium
// refuses to run as root with its sandbox on, and the shared GL contexts
// must be asked for before the application object exists. Both happen here,
// in a static initialiser, before the test main creates the application.

#include <QCoreApplication>

namespace {
struct BrowserSetup {
  BrowserSetup() {
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
      qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  }
} browserSetup;
}  // namespace
