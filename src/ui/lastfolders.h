// The folders the window's file dialogs open in: the one each kind of
// choice was last made in, kept in the user's settings across runs.
#pragma once

#include <QString>

namespace lw {

enum class FolderUse {
  AddFiles,  // the Library's add dialog
  Publish,   // the folder a book is published into
  Book,      // the book file dialogs (Open, Save As)
};

// The folder last remembered for `use`. Returns an empty string when none
// was remembered or that folder no longer exists (the dialog then opens
// where it would by itself).
QString LastFolder(FolderUse use);

// Remembers `folder` for `use`; `path` may also be a file, whose folder is
// taken. An empty path changes nothing.
void RememberFolder(FolderUse use, const QString &path);

}  // namespace lw
