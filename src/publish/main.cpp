// leafweaver-publish: publishes a book from the command line, or serves a
// published one on the loopback interface.

#include "publish/publishcli.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

QtMessageHandler qtMessages = nullptr;

// Qt's notes about the desktop session (no runtime folder for a process
// without a login, as on a build machine) say nothing about the book.
void withoutSessionNotes(QtMsgType type, const QMessageLogContext &context, const QString &message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: "))) return;
  qtMessages(type, context, message);
}

}  // namespace

int main(int argc, char **argv) {
  // Fonts (the outline's titles are drawn) need the graphical application,
  // which needs no display on the offscreen platform.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qtMessages = qInstallMessageHandler(withoutSessionNotes);
  QGuiApplication app(argc, argv);
  QTextStream out(stdout), err(stderr);
  lw::PublishOptions options;
  QString error;
  if (!lw::ParsePublishArgs(app.arguments().mid(1), options, error)) {
    err << "leafweaver-publish: " << error << " (see --help)\n";
    return lw::kExitUsage;
  }
  if (options.help) {
    out << lw::PublishUsage();
    return lw::kExitOk;
  }
  if (!options.serveFolder.isEmpty()) return lw::RunServe(options, out, err);
  return lw::RunPublish(options, QGuiApplication::applicationDirPath(), out, err);
}
