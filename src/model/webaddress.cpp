#include "model/webaddress.h"

#include <QRegularExpression>

namespace lw {

bool IsOpenableAddress(const QString &url) {
  static const QRegularExpression unsafe("[\\s\"<>\\\\]");
  const QString lower = url.trimmed().toLower();
  return (lower.startsWith("http://") || lower.startsWith("https://") || lower.startsWith("mailto:")) &&
         url.size() <= 2000 && !url.contains(unsafe);
}

}  // namespace lw
