#include "ui/browseforfolder.h"

#include <QFileDialog>

namespace lw {
namespace {

BrowseForFolderHandler &browseHandler() {
  static BrowseForFolderHandler handler;
  return handler;
}

}  // namespace

bool BrowseForFolder(const QString &prompt, const QString &root, QWidget *owner,
                     QString &folderOut) {
  folderOut.clear();
  if (browseHandler()) {
    const bool ok = browseHandler()(prompt, root, folderOut);
    if (!ok) folderOut.clear();
    return ok;
  }
  const QString chosen = QFileDialog::getExistingDirectory(
      owner, prompt, root, QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return false;
  folderOut = chosen;
  return true;
}

void SetBrowseForFolderHandler(BrowseForFolderHandler handler) {
  browseHandler() = std::move(handler);
}

}  // namespace lw
