// The page counter over whole files: one small hand-made PDF per case
// (tests/data/pdf, written by make_cases.py there), and the file handling.
#include "pdf/pdfpagecount.h"

#include "support/testdirs.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QDir>
#include <QFile>

#include <string>

namespace {

QString CaseFile(const char *name) { return QStringLiteral(LW_TEST_DATA_DIR "/pdf/%1.pdf").arg(name); }

int CountBytes(const QByteArray &bytes) {
  return lw::GetPdfPageCountFromMemory(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                       std::size_t(bytes.size()));
}

struct Case {
  const char *file;
  int pages;
};

TEST(PdfPageCount, HandMadeCases) {
  const Case cases[] = {
      {"classic_count7", 7},
      {"classic_count0", 0},
      {"classic_indirect_count", 4},
      {"linearized_damaged_rest", 12},      // /N of the linearization dictionary
      {"linearized_n_linebreak", 3},        // "/N\n12" is not taken
      {"linearized_then_updated", 3},       // longer than its /L: the update counts
      {"xrefstream_indirect_length", 5},    // "/Length 9 0 R"
      {"xrefstream_small_zlib_window", 9},  // zlib header byte 0x18 after "stream"
      {"incremental_update", 3},            // the newest page tree
      {"xrefstream_compressed_pages", 6},
      {"xrefstream_compressed_catalog", 5}, // catalog in an object stream, PNG rows
      {"xrefstream_indirect_count", 9},     // "/Count 6 0 R", object 6 compressed
      {"xrefstream_prev_chain", 4},         // page tree listed only in the older stream
      {"hybrid_xrefstm", 11},               // table with /XRefStm
      {"classic_prev_to_xrefstream", 15},   // table whose /Prev is a stream
      {"damaged_offsets", 8},               // found by scanning object headers
      {"root_not_found", -1},
      {"prev_loop", -1},
      {"xrefstream_prev_loop", -1},
      {"number_overflow", -1},
      {"xrefstream_filter_array", -1},
      {"not_a_pdf", -1},
  };
  for (const Case &c : cases) {
    const QString path = CaseFile(c.file);
    ASSERT_TRUE(QFile::exists(path)) << c.file;
    EXPECT_EQ(lw::GetPdfPageCount(path.toStdString()), c.pages) << c.file;
    EXPECT_EQ(CountBytes(lwtest::ReadFile(path)), c.pages) << c.file;
  }
}

TEST(PdfPageCount, DamagedAndMissingFiles) {
  lwtest::TempDir dir;
  EXPECT_EQ(lw::GetPdfPageCount(dir.file("missing.pdf").toStdString()), -1);
  EXPECT_EQ(lw::GetPdfPageCount(dir.path().toStdString()), -1);  // a folder
  ASSERT_TRUE(lwtest::WriteFile(dir.file("empty.pdf"), {}));
  EXPECT_EQ(lw::GetPdfPageCount(dir.file("empty.pdf").toStdString()), -1);
  ASSERT_TRUE(lwtest::WriteFile(dir.file("short.pdf"), "%PDF"));
  EXPECT_EQ(lw::GetPdfPageCount(dir.file("short.pdf").toStdString()), -1);
  EXPECT_EQ(lw::GetPdfPageCountFromMemory(nullptr, 10), -1);

  const QByteArray good = lwtest::ReadFile(CaseFile("classic_count7"));
  ASSERT_EQ(CountBytes(good), 7);
  const int at = good.lastIndexOf("startxref");
  EXPECT_EQ(CountBytes(good.left(at + 5)), -1);  // "startxref" cut off
  EXPECT_EQ(CountBytes(good.left(at + 14)), 7);  // only "%%EOF" is lost
  QByteArray wrongStart = good;
  wrongStart.replace(at + 10, 3, "100");  // startxref leads nowhere
  EXPECT_EQ(CountBytes(wrongStart), -1);
}

TEST(PdfPageCount, DecompressionBombInCrossReferenceStream) {
  // 80 MiB of zeros compress to about 80 KB.
  std::string zeros(80u << 20, '\0');
  uLongf size = compressBound(zeros.size());
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef *>(packed.data()), &size,
           reinterpret_cast<const Bytef *>(zeros.data()), zeros.size());
  packed.resize(size);
  const QByteArray file = "%PDF-1.5\n1 0 obj\n<< /Type /XRef /Root 2 0 R /W [1 2 1] /Filter /FlateDecode"
                          " /Length " + QByteArray::number(qsizetype(size)) + " >>\nstream\n" +
                          QByteArray(packed.data(), qsizetype(size)) +
                          "\nendstream\nendobj\nstartxref\n9\n%%EOF\n";
  EXPECT_EQ(CountBytes(file), -1);
}

}  // namespace
