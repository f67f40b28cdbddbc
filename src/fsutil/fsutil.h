// File-system helpers: listing, copying and deleting folder trees, copying
// and deleting single files, joining paths, the folder picker and the
// per-user folder lookup.
//
// None of these functions reports a file-system failure: each does what the
// file system allows and returns; the caller sees the outcome on disk.
// Folder paths use "/" and may be given with or without a trailing "/".
#pragma once

#include <QString>
#include <QStringList>
#include <functional>


namespace lw {

// Names (no folder part) of the entries of `folder`, sorted by name.
// `filter` is "/" for subfolders only, ".*" for every entry, or an extension
// with its dot (".xml"), compared without regard to ASCII case; with an
// extension, a subfolder whose name carries it is listed too.
// Pending user-interface events run before each entry.
// Returns an empty list for a missing folder.
QStringList ListFolder(const QString &folder, const QString &filter);

// Copies the files of `source` that pass `filter` (".*" or an extension)
// into `destination`, recreating every subfolder whatever the filter and
// overwriting files of the same name. Creates `destination` with its parents.
// Symbolic links are copied as the files or folders they point to.
// Pending user-interface events run before each entry.
// Does nothing when `source` is not a folder.
void CopyFolderTree(const QString &source, const QString &destination, const QString &filter);

// Deletes `folder` with everything in it. Never deletes anything outside it:
// symbolic links inside are removed as links and never followed, and a
// `folder` that is itself a link is left alone. Read-only files (owner-write
// bit clear) stay, and with them the folders that hold them. Refuses an
// empty path. Does nothing for a missing folder.
void DeleteFolderTree(const QString &folder);

// Copies one file. With `overwrite` false an existing destination is kept.
// Returns nothing; a failed copy leaves the destination as it was.
void CopyOneFile(const QString &source, const QString &destination, bool overwrite);

// Deletes the file at `path`, making it writable first. Gives up silently
// after a few attempts. Does nothing for a missing path or a folder.
void ForceDeleteFile(const QString &path);

// `folder` + "/" + `name`, with exactly one "/" between them when `folder`
// already ends in one. Neither part is trimmed.
QString JoinPath(const QString &folder, const QString &name);

// Platform folder numbers understood by GetSpecialFolderPath.
inline constexpr int kFolderAppData = 26;   // per-user application data
inline constexpr int kFolderPersonal = 5;   // the user's documents
inline constexpr int kFolderDesktop = 0;

// The absolute path of a per-user special folder, without a trailing "/".
// 26 is the per-user application-data folder (the XDG data home here).
// Returns an empty string for a number it does not know or a folder the
// platform cannot resolve.
QString GetSpecialFolderPath(int number);

// `path` with a trailing "/" added when it has none.
QString WithTrailingSlash(const QString &path);
// `path` without its trailing "/" characters ("/" itself stays "/").
QString WithoutTrailingSlash(QString path);

}  // namespace lw
