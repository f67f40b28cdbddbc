// The page counter over whole files: one small hand-made PDF per case
// (tests/data/pdf, written by make_cases.py there), and the file handling.
#include "pdf/pdfpagecount.h"

#include "support/testdirs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
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

// Counts each case file from its path and from memory.
template <std::size_t N>
void ExpectCounts(const Case (&cases)[N]) {
  for (const Case &c : cases) {
    const QString path = CaseFile(c.file);
    ASSERT_TRUE(QFile::exists(path)) << c.file;
    EXPECT_EQ(lw::GetPdfPageCount(path.toStdString()), c.pages) << c.file;
    EXPECT_EQ(CountBytes(lwtest::ReadFile(path)), c.pages) << c.file;
  }
}

TEST(PdfPageCount, HandMadeCases) {
  const Case cases[] = {
      {"classic_count7", 7},
      {"classic_count0", 0},
      {"classic_indirect_count", 4},
      {"linearized_damaged_rest", 12},      // /N of the linearization dictionary
      {"linearized_n_linebreak", 3},        // no /L: /N is not taken
      {"linearized_then_updated", 3},       // longer than its /L: the update counts
      {"incremental_update", 3},            // the newest page tree
      {"number_overflow", 1},               // /Count 2147483648: the leaves
      {"not_a_pdf", -1},
  };
  ExpectCounts(cases);
}

TEST(PdfPageCount, CrossReferenceAndObjectStreams) {
  const Case cases[] = {
      {"xrefstream_indirect_length", 5},    // "/Length 9 0 R"
      {"xrefstream_small_zlib_window", 9},  // zlib header byte 0x18 after "stream"
      {"xrefstream_compressed_pages", 6},
      {"xrefstream_compressed_catalog", 5}, // catalog in an object stream, PNG rows
      {"xrefstream_indirect_count", 9},     // "/Count 6 0 R", object 6 compressed
      {"xrefstream_prev_chain", 4},         // page tree listed only in the older stream
      {"hybrid_xrefstm", 11},               // table with /XRefStm
      {"classic_prev_to_xrefstream", 15},   // table whose /Prev is a stream
      {"xrefstream_no_filter", 6},          // both streams stored as they are
      {"xrefstream_filter_null", 7},
      {"xrefstream_filter_fl", 8},          // "/Filter /Fl"
      {"xrefstream_tiff_predictor", 9},     // /Predictor 2
      {"xrefstream_type_field_omitted", 5}, // /W [0 3 2]
      // Two /Filter keys: the stream is refused, the scan finds the objects.
      {"xrefstream_filter_array", 5},
  };
  ExpectCounts(cases);
}

TEST(PdfPageCount, DamagedCrossReferenceInformation) {
  const Case cases[] = {
      {"damaged_offsets", 8},               // found by scanning object headers
      {"damaged_wrong_startxref", 4},
      {"damaged_no_xref", 3},               // a trailer and objects only
      {"damaged_broken_table", 5},
      {"damaged_newest_definition", 6},     // the page tree written twice
      {"damaged_xrefstream_data", 3},       // objects of the object stream found by the scan
      {"junk_before_header", 6},            // offsets from "%PDF-"
      {"junk_before_header_absolute", 7},   // offsets from the first byte
      {"prev_loop", 2},                     // the sections before the loop stay
      {"xrefstream_prev_loop", 4},
      {"prev_loop_two_sections", 3},
      {"root_not_found", -1},               // the trailer's /Root is nowhere
  };
  ExpectCounts(cases);
}

// A string, a longer key, a nested dictionary or array, a comment or a
// name value never passes for /Count; a count the file cannot hold is
// replaced by the leaves, or -1.
TEST(PdfPageCount, NoCountFromAnythingButTheKey) {
  const Case cases[] = {
      {"scanner_count_in_string", 1},
      {"scanner_longer_key", 1},
      {"scanner_nested_values", 1},
      {"count_implausible", 1},
      {"count_implausible_kids_loop", -1},
      {"count_missing", 3},
  };
  ExpectCounts(cases);
}

TEST(PdfPageCount, ProblemsAndEncryption) {
  struct Expect {
    const char *file;
    int count;
    lw::PdfProblem problem;
    bool encrypted;
  };
  using P = lw::PdfProblem;
  for (const Expect &e : {Expect{"classic_count7", 7, P::None, false}, Expect{"classic_count0", 0, P::NoPages, false},
                          Expect{"not_a_pdf", -1, P::NotPdf, false}, Expect{"root_not_found", -1, P::Damaged, false},
                          Expect{"encrypted_readable_tree", 2, P::None, true},
                          Expect{"encrypted_object_stream", -1, P::Encrypted, true}}) {
    const lw::PdfPageCountResult r = lw::ReadPdfPageCountFile(CaseFile(e.file).toStdString());
    EXPECT_EQ(r.count, e.count) << e.file;
    EXPECT_EQ(r.problem, e.problem) << e.file;
    EXPECT_EQ(r.encrypted, e.encrypted) << e.file;
  }

  lwtest::TempDir dir;
  EXPECT_EQ(lw::ReadPdfPageCountFile(dir.file("missing.pdf").toStdString()).problem, P::Unreadable);
  EXPECT_EQ(lw::ReadPdfPageCountFile(dir.path().toStdString()).problem, P::Unreadable);
  // A pipe is refused at once, not waited on.
  ASSERT_EQ(::mkfifo(dir.file("pipe.pdf").toLocal8Bit().constData(), 0600), 0);
  EXPECT_EQ(lw::ReadPdfPageCountFile(dir.file("pipe.pdf").toStdString()).problem, P::Unreadable);
  ASSERT_TRUE(lwtest::WriteFile(dir.file("empty.pdf"), {}));
  EXPECT_EQ(lw::ReadPdfPageCountFile(dir.file("empty.pdf").toStdString()).problem, P::NotPdf);
  EXPECT_EQ(lw::ReadPdfPageCount(nullptr, 0).problem, P::NotPdf);
  // No header in the first 1024 bytes, but object headers: a damaged PDF.
  const QByteArray late = QByteArray(1024, ' ') + lwtest::ReadFile(CaseFile("root_not_found"));
  const auto lateResult = lw::ReadPdfPageCount(reinterpret_cast<const std::uint8_t *>(late.constData()),
                                               std::size_t(late.size()));
  EXPECT_EQ(lateResult.problem, P::Damaged);

  EXPECT_STREQ(lw::PdfProblemText(P::None), "");
  EXPECT_STREQ(lw::PdfProblemText(P::Unreadable), "cannot be read");
  EXPECT_STREQ(lw::PdfProblemText(P::NotPdf), "is not a PDF");
  EXPECT_STREQ(lw::PdfProblemText(P::Damaged), "is damaged");
  EXPECT_STREQ(lw::PdfProblemText(P::Encrypted), "is password-protected");
  EXPECT_STREQ(lw::PdfProblemText(P::NoPages), "has no pages");
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
  EXPECT_EQ(CountBytes(good.left(at + 5)), 7);   // "startxref" cut off: the scan finds the trailer
  EXPECT_EQ(CountBytes(good.left(at + 14)), 7);  // only "%%EOF" is lost
  QByteArray wrongStart = good;
  wrongStart.replace(at + 10, 3, "100");  // startxref leads nowhere: the scan finds the objects
  EXPECT_EQ(CountBytes(wrongStart), 7);
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
