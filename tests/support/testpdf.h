// A small, valid PDF written by hand, for tests that need a real document
// for the converter without any outside tool.
#pragma once

#include <QByteArray>

namespace lwtest {

// A PDF of `pages` A4 pages; page n shows a coloured band and "Page n" in
// large type, so rendered pages differ from each other and from white.
// Another `label` (plain letters) takes the place of "Page", so the pages of
// two documents differ too. `mediaBox` and `rotate` give every page
// another size or turn.
QByteArray MakeTextPdf(int pages, const QByteArray &label = "Page", const QByteArray &mediaBox = "0 0 595 842",
                       int rotate = 0);

}  // namespace lwtest
