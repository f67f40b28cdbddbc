// Which files the library takes as sources of pages, whether chosen in a
// file dialog or dropped from a file manager.
#pragma once

#include <QString>
#include <QStringList>

class QMimeData;

namespace lw {

// True for an existing file the library takes: PDF, PNG, JPEG or BMP by its
// extension (any letter case). False for folders, missing files and other
// kinds.
bool IsSupportedSourceFile(const QString &path);

// The local files among the URLs of dropped data that the library takes, in
// the order given. Empty for null data, data without URLs, and when no URL
// names such a file (web addresses, folders, other kinds).
QStringList DroppedSourceFiles(const QMimeData *data);

// Every local file or folder among the URLs of dropped data, taken or not,
// in the order given. Empty for null data and data without local URLs.
QStringList DroppedLocalFiles(const QMimeData *data);

}  // namespace lw
