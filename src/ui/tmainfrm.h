// The main window: book settings, pages, themes, preview and publishing.
#pragma once

#include <QWidget>

namespace lw {

class TMainFrm : public QWidget {
  Q_OBJECT
 public:
  explicit TMainFrm(QWidget *parent = nullptr);
  ~TMainFrm() override;

  // Client area of the window; it cannot be resized.
  static constexpr int kClientWidth = 1036;
  static constexpr int kClientHeight = 593;

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  // Creation steps: the library list, the book, the workspace, the size
  // flags and the caption.
  void FormCreate();
  // First-show steps: book settings into the controls, the preview, the
  // theme catalogue and the theme list.
  void FormShow();

  bool shown_ = false;
};

}  // namespace lw
