// A small, valid PDF written by hand, for tests that need a real document
// for the converter without any outside tool.
#pragma once

#include <QByteArray>

namespace lwtest {

// A PDF of `pages` A4 pages; page n shows a coloured band and "Page n" in
// large type, so rendered pages differ from each other and from white.
// Another `label` (plain letters) takes the place of "Page", so the pages of
// two documents differ too.
QByteArray MakeTextPdf(int pages, const QByteArray &label = "Page");

}  // namespace lwtest
