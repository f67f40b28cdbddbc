// Writing one file of a package, whole: a reader of the package never meets
// half a file, however the writer ends.
#pragma once

#include <QByteArray>
#include <QString>

namespace lw {

// Writes `bytes` to `path` through a file beside it that is renamed over it
// once complete (QSaveFile), so that the file is either whole or as it was
// before (absent when it was absent). The folder must exist. Returns an
// empty string on success; on failure "Cannot write <path>: <reason>" with
// the path in native separators, and nothing of the attempt left behind.
QString WritePackageFile(const QString &path, const QByteArray &bytes);

}  // namespace lw
