#include "uitest.h"

#include "fsutil/fsutil.h"
#include "ui/errorbox.h"
#include "ui/tmainfrm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace uitest {

namespace {

void CopyIfExists(const QString &from, const QString &to) {
  if (QFile::exists(from)) {
    QFile::remove(to);
    QFile::copy(from, to);
    QFile(to).setPermissions(QFile(from).permissions());
  }
}
}  // namespace

Workspace::Workspace(bool withTools) : oldHome_(qgetenv("XDG_DATA_HOME")) {
  qputenv("XDG_DATA_HOME", home_.path().toUtf8());
  // The user's settings (last folders, recent books) go to this workspace
  // too, never to the real ones.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home_.slash() + "config");
  const QString built = lwtest::ProgramDir() + "/";
  // The staged Resource folder (with the player runtime) when it is there,
  // else the shipped template.
  const QString resource = QFile::exists(built + "Resource/index.html")
                               ? built + "Resource"
                               : QStringLiteral(LW_SOURCE_DIR) + "/data/Resource";
  lw::CopyFolderTree(resource, program_.slash() + "Resource", ".*");
  QDir().mkpath(program_.slash() + "Themes");
  if (withTools) {
    CopyIfExists(built + "ImageTool.dll", program_.slash() + "ImageTool.dll");
    CopyIfExists(built + "pdf2swf", program_.slash() + "pdf2swf");
    CopyIfExists(built + "leafweaver-publish", program_.slash() + "leafweaver-publish");
  }
}

Workspace::~Workspace() { qputenv("XDG_DATA_HOME", oldHome_); }

void WriteTheme(const QString &themes, const QString &folder, const QString &showName, int bgType,
                const QString &bgColor, const QString &buttonColor, const QString &panelColor,
                bool withBackground) {
  const QString dir = themes + folder + "/";
  const QString xml = QStringLiteral(
                          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<theme showname=\"%1\" bgtype=\"%2\" bgcolor=\"%3\" loadercolor=\"FFFFFF\" "
                          "panelcolor=\"%4\" buttoncolor=\"%5\" textcolor=\"FFFFFF\"/>\n")
                          .arg(showName)
                          .arg(bgType)
                          .arg(bgColor, panelColor, buttonColor);
  lwtest::WriteFile(dir + "setting.xml", xml.toUtf8());
  QImage thumb(228, 171, QImage::Format_RGB32);
  thumb.fill(Qt::darkGreen);
  thumb.save(dir + "thumb.bmp", "BMP");
  if (withBackground) {
    QImage bg(64, 48, QImage::Format_RGB32);
    bg.fill(Qt::gray);
    bg.save(dir + "bg.jpg", "JPG");
  }
}

QString WritePng(const QString &path, int w, int h, Qt::GlobalColor color) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(color);
  image.save(path, "PNG");
  return path;
}

ErrorRecorder::ErrorRecorder() {
  lw::SetErrorMessageHandler([this](QWidget *, const QString &m) { messages << m; });
}

ErrorRecorder::~ErrorRecorder() { lw::SetErrorMessageHandler({}); }

bool Spin(const std::function<bool()> &done, int ms) {
  QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

void WhenModal(const std::function<void(QWidget *)> &action, int ms) {
  auto *timer = new QTimer;
  auto deadline = std::make_shared<QDeadlineTimer>(ms);
  QObject::connect(timer, &QTimer::timeout, [timer, action, deadline] {
    if (QWidget *modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    } else if (deadline->hasExpired()) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(20);
}

QFont ScaledFont(const QFont &font, double scale) {
  QFont scaled = font;
  if (font.pointSizeF() > 0)
    scaled.setPointSizeF(font.pointSizeF() * scale);
  else
    scaled.setPixelSize(qRound(font.pixelSize() * scale));
  return scaled;
}

lw::BookSession &Session() {
  lw::TMainFrm *last = nullptr;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *frm = qobject_cast<lw::TMainFrm *>(w)) last = frm;
  if (!last) {
    ADD_FAILURE() << "no main window";
    std::abort();
  }
  return last->session();
}

lw::TBookObj &Book() { return Session().book(); }

std::unique_ptr<lw::TMainFrm> ShowMainFrm(const Workspace &ws) {
  auto frm = std::make_unique<lw::TMainFrm>(nullptr, ws.appDir());
  frm->show();
  QApplication::processEvents();
  return frm;
}

}  // namespace uitest
