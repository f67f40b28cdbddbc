#include "model/booksizes.h"

#include <QRegularExpression>

namespace lw {

int BookSizePresetIndex(int width, int height) {
  for (int i = 0; i < 3; ++i)
    if (kBookSizePresets[i].width == width && kBookSizePresets[i].height == height) return i;
  return -1;
}

std::optional<QSize> ParseBookSize(const QString &text) {
  const QString t = text.trimmed();
  for (const BookSizePreset &preset : kBookSizePresets)
    if (t.compare(QLatin1String(preset.name), Qt::CaseInsensitive) == 0)
      return QSize(preset.width, preset.height);
  static const QRegularExpression wxh("^(\\d{1,4})[xX](\\d{1,4})$");
  const auto m = wxh.match(t);
  if (!m.hasMatch()) return std::nullopt;
  const int w = m.captured(1).toInt(), h = m.captured(2).toInt();
  if (w < 1 || h < 1) return std::nullopt;
  return QSize(w, h);
}

}  // namespace lw
