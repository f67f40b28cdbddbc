// A colour selector: a button that shows its colour and lets the user pick
// another one in the colour dialog. The colour is a TColor (0x00BBGGRR).
#pragma once

#include "model/tbookobj.h"

#include <QPushButton>
#include <functional>

namespace lw {

class TColorButton : public QPushButton {
  Q_OBJECT
 public:
  explicit TColorButton(QWidget *parent = nullptr);

  TColor color() const { return color_; }
  // Sets the colour (the top byte is dropped) and repaints; emits
  // colorChanged when it differs from the old one.
  void setColor(TColor color);

  // Replaces the colour dialog (tests answer it without a window). The
  // chooser gets the current colour and returns true with the chosen one,
  // or false when the user cancelled. An empty function restores the dialog.
  using ColorChooser = std::function<bool(QWidget *owner, TColor current, TColor &chosen)>;
  static void SetColorChooser(ColorChooser chooser);

  // Opens the colour dialog (or the chooser) and takes the chosen colour;
  // cancelling keeps the colour.
  void PickColor();

 signals:
  void colorChanged(lw::TColor color);

 protected:
  void paintEvent(QPaintEvent *event) override;

 private:
  TColor color_ = kWhite;
};

// The colour of `color` (0x00BBGGRR) as a QColor, and back.
QColor ToQColor(TColor color);
TColor FromQColor(const QColor &color);

}  // namespace lw
