// The entry sequence of the window program.
#pragma once

class QApplication;

namespace lw {

// Settings the embedded browser needs before the application object exists
// (running as root needs Chromium's sandbox switched off).
void PrepareEnvironment();

// Sets the application title, creates the main window, shows it and runs the
// event loop until it closes. Returns the loop's exit code.
int RunApplication(QApplication &app);

}  // namespace lw
