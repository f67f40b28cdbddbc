// The folder picker of the window program.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace lw {

// Shows the folder picker, modal to `owner`, with `prompt` as its caption,
// rooted at `root` when it is not empty. Returns true and the chosen folder
// (no trailing "/" except for "/") in `folderOut`; false and an empty
// `folderOut` when the user cancelled.
bool BrowseForFolder(const QString &prompt, const QString &root, QWidget *owner,
                     QString &folderOut);

// Replaces the folder picker (tests answer it without a dialog). Pass an
// empty function to restore the real dialog.
using BrowseForFolderHandler =
    std::function<bool(const QString &prompt, const QString &root, QString &folderOut)>;
void SetBrowseForFolderHandler(BrowseForFolderHandler handler);

}  // namespace lw
