// Files added to the library outside the Library dialog (dropped on the
// main window), by the dialog's own rule: a file is known by its real path
// (FindSourceFile), new files join the library ticked unless they give no
// pages, new PDFs are converted in the progress window, and a cancelled
// conversion takes its unconverted PDFs out again.
#pragma once

#include "model/tfileobj.h"

#include <QStringList>

class QWidget;

namespace lw {

// Adds the paths not yet in `library` (FindSourceFile) as new
// library files and converts the new PDFs with `owner` as the progress
// window's parent. Returns the library files of `paths` in their order,
// each once, known ones included; files whose conversion was cancelled and
// unsupported or missing paths are left out, so the result may be empty.
TFileList JoinLibrary(QWidget *owner, TFileList &library, const QStringList &paths);

}  // namespace lw
