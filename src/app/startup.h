// The entry sequence of the window program.
#pragma once

class QApplication;

#include <QStringList>

namespace lw {

class TMainFrm;

// Opens the first ".leafbook" argument (any letter case) in `frm`. Returns
// whether a book was opened; a book that cannot be opened gets the window's
// message.
bool OpenBookArgument(TMainFrm &frm, const QStringList &args);

// Settings the embedded browser needs before the application object exists
// (running as root needs Chromium's sandbox switched off).
void PrepareEnvironment();

// Sets the application title, creates the main window, shows it and runs the
// event loop until it closes. Returns the loop's exit code.
int RunApplication(QApplication &app);

}  // namespace lw
