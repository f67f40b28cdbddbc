#include "model/sourcefiles.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace lw {

bool IsSupportedSourceFile(const QString &path) {
  static const QStringList kinds{"pdf", "png", "jpg", "jpeg", "bmp"};
  const QFileInfo info(path);
  return info.isFile() && kinds.contains(info.suffix().toLower());
}

QStringList DroppedLocalFiles(const QMimeData *data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl &url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

QStringList DroppedSourceFiles(const QMimeData *data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl &url : data->urls())
    if (url.isLocalFile() && IsSupportedSourceFile(url.toLocalFile())) paths << url.toLocalFile();
  return paths;
}

}  // namespace lw
