#include "ui/errorbox.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace lw {

namespace {
ErrorMessageHandler &messageHandler() {
  static ErrorMessageHandler handler;
  return handler;
}
}  // namespace

void SetErrorMessageHandler(ErrorMessageHandler handler) { messageHandler() = std::move(handler); }

void ShowErrorMessage(QWidget *owner, const QString &message) {
  if (messageHandler()) {
    messageHandler()(owner, message);
    return;
  }
  QMessageBox::critical(owner, QApplication::applicationDisplayName(), message);
}

bool RunGuarded(QWidget *owner, const std::function<void()> &action) {
  try {
    action();
    return true;
  } catch (const std::exception &e) {
    ShowErrorMessage(owner, QString::fromUtf8(e.what()));
  } catch (...) {
    ShowErrorMessage(owner, QStringLiteral("Unknown error"));
  }
  return false;
}

}  // namespace lw
