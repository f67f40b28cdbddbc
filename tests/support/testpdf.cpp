#include "support/testpdf.h"

#include <vector>

namespace lwtest {

QByteArray MakeTextPdf(int pages, const QByteArray &label, const QByteArray &mediaBox, int rotate) {
  QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<qsizetype> offsets;
  auto object = [&](const QByteArray &body) {
    offsets.push_back(pdf.size());
    pdf += QByteArray::number(qsizetype(offsets.size())) + " 0 obj\n" + body + "\nendobj\n";
  };
  // 1 catalog, 2 page tree, 3 font, then a page and its contents per page.
  object("<< /Type /Catalog /Pages 2 0 R >>");
  QByteArray kids;
  for (int i = 0; i < pages; ++i) kids += QByteArray::number(4 + 2 * i) + " 0 R ";
  object("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>");
  object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  for (int i = 0; i < pages; ++i) {
    object("<< /Type /Page /Parent 2 0 R /MediaBox [" + mediaBox + "] /Rotate " + QByteArray::number(rotate) +
           " /Resources << /Font << /F1 3 0 R >> >> "
           "/Contents " + QByteArray::number(5 + 2 * i) + " 0 R >>");
    const QByteArray stream = QByteArray::number((i * 37 % 10) / 10.0) + " 0.3 0.6 rg 40 520 515 280 re f "
                              "0 0 0 rg BT /F1 72 Tf 120 400 Td (" + label + " " + QByteArray::number(i + 1) + ") Tj ET";
    object("<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
  }
  const qsizetype xref = pdf.size();
  pdf += "xref\n0 " + QByteArray::number(qsizetype(offsets.size()) + 1) + "\n0000000000 65535 f \n";
  for (qsizetype off : offsets) pdf += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
  pdf += "trailer\n<< /Size " + QByteArray::number(qsizetype(offsets.size()) + 1) + " /Root 1 0 R >>\n";
  pdf += "startxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace lwtest
