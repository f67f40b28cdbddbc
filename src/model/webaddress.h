// Which addresses a book lets its reader open: one rule for the converter
// that keeps a PDF's links and the package writer that writes them.
#pragma once

#include <QString>

namespace lw {

// True for an http, https or mailto address of at most 2,000 characters
// without white space, quotes, angle brackets or backslashes (nothing that
// could leave an HTML attribute or run script). False for anything else.
bool IsOpenableAddress(const QString &url);

}  // namespace lw
