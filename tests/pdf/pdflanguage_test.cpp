// The language a PDF's catalog names, from small PDFs made here.
#include "pdf/pdflanguage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// A classic PDF of the given objects (numbered from 1, object 1 the
// catalog), its cross-reference table right unless `badXref`.
std::string MakePdf(const std::vector<std::string> &objects, const std::string &trailerExtra = "", bool badXref = false) {
  std::string pdf = "%PDF-1.7\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", badXref ? offset + 7 : offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R" + trailerExtra + " >>\nstartxref\n" +
         std::to_string(badXref ? xref + 3 : xref) + "\n%%EOF\n";
  return pdf;
}

std::string Language(const std::string &pdf) {
  return lw::ReadPdfLanguage(reinterpret_cast<const std::uint8_t *>(pdf.data()), pdf.size());
}

TEST(PdfLanguage, TheCatalogsLangInEachForm) {
  const std::string pages = "<< /Type /Pages /Kids [] /Count 0 >>";
  const struct {
    std::vector<std::string> objects;
    std::string trailer;
    bool badXref;
    std::string language;
  } cases[] = {
      {{"<< /Type /Catalog /Pages 2 0 R /Lang (de-DE) >>", pages}, "", false, "de-DE"},
      {{"<< /Lang <66612d4952> /Type /Catalog /Pages 2 0 R >>", pages}, "", false, "fa-IR"},
      {{"<< /Type /Catalog /Pages 2 0 R /Lang 3 0 R >>", pages, "(he)"}, "", false, "he"},
      {{"<< /Type /Catalog /Lang <FEFF00650073> >>"}, "", false, "es"},
      {{"<< /Type /Catalog /Lang (zh\\055Hans) >>"}, "", false, "zh-Hans"},  // an escaped hyphen
      {{"<< /Type /Catalog /Pages 2 0 R /Lang (ja) >>", pages}, "", true, "ja"},  // found by scanning
      {{"<< /Type /Catalog /Pages 2 0 R >>", pages}, "", false, ""},
      {{"<< /Type /Catalog /Lang (12 x) >>"}, "", false, ""},                   // no language tag
      {{"<< /Type /Catalog /Lang (en) >>", "<< /Filter /Standard >>"}, " /Encrypt 2 0 R", false, ""},
  };
  for (const auto &c : cases) EXPECT_EQ(Language(MakePdf(c.objects, c.trailer, c.badXref)), c.language) << c.objects[0];
  EXPECT_EQ(lw::ReadPdfLanguage(nullptr, 0), "");
  EXPECT_EQ(Language("not a PDF at all"), "");
}

}  // namespace
