#include "ui/lastfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace lw {
namespace {

QString KeyOf(FolderUse use) {
  switch (use) {
    case FolderUse::AddFiles: return QStringLiteral("lastAddFolder");
    case FolderUse::Publish: return QStringLiteral("lastPublishFolder");
    case FolderUse::Book: return QStringLiteral("lastBookFolder");
  }
  return QString();
}

}  // namespace

QString LastFolder(FolderUse use) {
  const QString folder = QSettings().value(KeyOf(use)).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberFolder(FolderUse use, const QString &path) {
  if (path.isEmpty()) return;
  const QFileInfo info(path);
  const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
  QSettings().setValue(KeyOf(use), QDir::cleanPath(folder));
}

}  // namespace lw
