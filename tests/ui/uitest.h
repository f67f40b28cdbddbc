// Shared pieces of the window tests: a private workspace (data home and
// program folder in temp dirs), theme folders, small image and PDF files,
// and a recorder for the general error box.
#pragma once

#include "support/testdirs.h"

#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

namespace lw {
class BookSession;
class TBookObj;
class TMainFrm;
}

namespace uitest {

// A temp XDG data home and a temp program folder holding a copy of the
// shipped Resource folder and an empty Themes folder. `withTools` also
// copies the player movie and the converter from the build's program
// folder. The user's settings (QSettings) live in the data home while it
// exists. Restores XDG_DATA_HOME when destroyed.
class Workspace {
 public:
  explicit Workspace(bool withTools = false);
  ~Workspace();
  QString appDir() const { return program_.slash(); }
  QString themesDir() const { return program_.slash() + "Themes/"; }
  QString dataHome() const { return home_.slash(); }
  QString scratch() const { return scratch_.slash(); }

 private:
  lwtest::TempDir home_;
  lwtest::TempDir program_;
  lwtest::TempDir scratch_;
  QByteArray oldHome_;
};

// Writes a theme folder `themes`/`folder` with setting.xml, a 228 x 171
// thumb.bmp and, when `withBackground`, a bg.jpg. Colours are RRGGBB text.
void WriteTheme(const QString &themes, const QString &folder, const QString &showName, int bgType,
                const QString &bgColor, const QString &buttonColor, const QString &panelColor,
                bool withBackground);

// Writes a PNG of w x h pixels in one colour; returns its path.
QString WritePng(const QString &path, int w, int h, Qt::GlobalColor color = Qt::blue);

// Records the messages of the general error box while alive.
class ErrorRecorder {
 public:
  ErrorRecorder();
  ~ErrorRecorder();
  QStringList messages;
};

class Workspace;
// A main window over `ws`'s program folder, shown, its first events handled.
std::unique_ptr<lw::TMainFrm> ShowMainFrm(const Workspace &ws);

// The book session of the main window that exists (the last made when there
// are several); fails the test and aborts without one.
lw::BookSession &Session();
lw::TBookObj &Book();

// Runs the event loop until `done` or `ms` have passed; returns done().
bool Spin(const std::function<bool()> &done, int ms);

// Runs `action` as soon as a modal dialog is up (checked every 20 ms, at
// most `ms`), with that dialog as argument.
void WhenModal(const std::function<void(QWidget *)> &action, int ms = 20000);

// `font` made `scale` times as large, whether its size is in points or pixels.
QFont ScaledFont(const QFont &font, double scale);

template <typename T>
T *Find(QWidget *root, const char *name) {
  return root->findChild<T *>(QLatin1String(name));
}

}  // namespace uitest
