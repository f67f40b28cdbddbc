#include "ui/colorbutton.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>

namespace lw {

namespace {
TColorButton::ColorChooser &colorChooser() {
  static TColorButton::ColorChooser chooser;
  return chooser;
}
}  // namespace

QColor ToQColor(TColor color) {
  return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor FromQColor(const QColor &color) {
  return TColor(color.red()) | (TColor(color.green()) << 8) | (TColor(color.blue()) << 16);
}

TColorButton::TColorButton(QWidget *parent) : QPushButton(parent) {
  setToolTip(QStringLiteral("#FFFFFF"));
  connect(this, &QPushButton::clicked, this, &TColorButton::PickColor);
}

void TColorButton::SetColorChooser(ColorChooser chooser) { colorChooser() = std::move(chooser); }

void TColorButton::setColor(TColor color) {
  color &= 0xFFFFFF;
  if (color == color_) return;
  color_ = color;
  setToolTip(QString::asprintf("#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF,
                               (color >> 16) & 0xFF));
  update();
  emit colorChanged(color_);
}

void TColorButton::PickColor() {
  TColor chosen = color_;
  if (colorChooser()) {
    if (!colorChooser()(this, color_, chosen)) return;
  } else {
    const QColor picked = QColorDialog::getColor(ToQColor(color_), this);
    if (!picked.isValid()) return;
    chosen = FromQColor(picked);
  }
  setColor(chosen);
}

void TColorButton::paintEvent(QPaintEvent *event) {
  QPushButton::paintEvent(event);
  QPainter painter(this);
  const QRect swatch = rect().adjusted(5, 5, -5, -5);
  const QColor fill = isEnabled() ? ToQColor(color_) : palette().color(QPalette::Disabled, QPalette::Button);
  painter.fillRect(swatch, fill);
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::WindowText));
  painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

}  // namespace lw
