#include "ui/tmainfrm.h"

#include "model/uconst.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

namespace lw {

TMainFrm::TMainFrm(QWidget *parent) : QWidget(parent) {
  setObjectName("MainFrm");
  setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  FormCreate();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::FormCreate() {
  BookObj = std::make_unique<TBookObj>();
  InitWorkspace();
  bookSizeEdited = false;
  autoSizeDone = false;
  QApplication::setApplicationDisplayName(kAppTitle);
  setWindowTitle(kAppTitle);
}

void TMainFrm::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TMainFrm::FormShow() {
  if (const QScreen *screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

}  // namespace lw
