#include "themes/colortext.h"

namespace lw {
namespace {

int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

}  // namespace

QString ColorToHexText(TColor color) {
  static const char digits[] = "0123456789ABCDEF";
  QString text;
  text.reserve(6);
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned byte = (color >> shift) & 0xFF;
    text.append(QChar(digits[byte >> 4]));
    text.append(QChar(digits[byte & 0xF]));
  }
  return text;
}

TColor HexTextToColor(const QString &text) {
  qsizetype i = 0;
  if (!text.isEmpty() && (text.at(0) == '$' || text.at(0) == '#')) i = 1;
  const qsizetype digits = text.size() - i;
  if (digits < 1 || digits > 8) return 0;
  std::uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const int d = hexDigit(text.at(i));
    if (d < 0) return 0;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  const std::uint32_t r = (value >> 16) & 0xFF;
  const std::uint32_t g = (value >> 8) & 0xFF;
  const std::uint32_t b = value & 0xFF;
  return (b << 16) | (g << 8) | r;
}

}  // namespace lw
