// The general error message box: an error that leaves an event handler
// (image service, XML files, the package writer, the browser) is shown to
// the user with its message; the operation stops where it failed and the
// program goes on.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace lw {

// Runs `action`. A std::exception that leaves it is caught and its message
// shown in the error message box owned by `owner` (which may be null); any
// other exception is shown as "Unknown error". Returns true when `action`
// ran to its end, false when it was stopped by an error.
bool RunGuarded(QWidget *owner, const std::function<void()> &action);

// Shows `message` in the error message box owned by `owner`, or hands it to
// the handler set by SetErrorMessageHandler.
void ShowErrorMessage(QWidget *owner, const QString &message);

// Replaces the message box (tests record the messages instead of showing a
// modal box). An empty function restores the real box.
using ErrorMessageHandler = std::function<void(QWidget *owner, const QString &message)>;
void SetErrorMessageHandler(ErrorMessageHandler handler);

}  // namespace lw
