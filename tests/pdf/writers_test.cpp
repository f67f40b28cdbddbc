// Real PDFs from independent writers (reportlab, ghostscript, qpdf) and
// incremental updates appended to them, counted and compared with pdfinfo;
// and the pdfpagecount tool.
#include "pdf/pdfpagecount.h"

#include "support/testdirs.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// Runs `program`; returns its standard output, or a null array when it
// cannot be started or fails.
QByteArray RunTool(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString() << ": "
                  << p.readAllStandardError().toStdString();
    return {};
  }
  return p.readAllStandardOutput();
}

int FirstNumberAfter(const QByteArray &text, const QString &key) {
  const auto m = QRegularExpression(QRegularExpression::escape(key) + R"(\s+(\d+))").match(QString::fromLatin1(text));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

int PdfinfoPages(const QString &path) { return FirstNumberAfter(RunTool("pdfinfo", {path}), "Pages:"); }

int LastStartxref(const QByteArray &file) {
  return FirstNumberAfter(file.mid(file.lastIndexOf("startxref")), "startxref");
}

// Appends an incremental update that adds a page: a new page-tree root whose
// kids are the old root and the new page, and a new catalog. The update's
// cross-reference section is a classic table or, with `asStream`, a
// cross-reference stream; either way its /Prev is the old newest section.
QByteArray WithAddedPage(const QString &path, bool asStream) {
  const QByteArray trailer = RunTool("qpdf", {"--show-object=trailer", path});
  const int root = FirstNumberAfter(trailer, "/Root"), size = FirstNumberAfter(trailer, "/Size");
  const int oldPages = FirstNumberAfter(RunTool("qpdf", {"--show-object=" + QString::number(root), path}), "/Pages");
  const int count = PdfinfoPages(path);
  QByteArray f = lwtest::ReadFile(path);
  const int prev = LastStartxref(f);
  if (!f.endsWith('\n')) f += '\n';

  QList<qsizetype> offsets;
  auto add = [&](int number, const QByteArray &body) {
    offsets << f.size();
    f += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
  };
  const QByteArray n0 = QByteArray::number(size), n1 = QByteArray::number(size + 1);
  add(size, "<< /Type /Page /Parent " + n1 + " 0 R /MediaBox [0 0 300 300] >>");
  add(size + 1, "<< /Type /Pages /Kids [" + QByteArray::number(oldPages) + " 0 R " + n0 +
                    " 0 R] /Count " + QByteArray::number(count + 1) + " >>");
  add(size + 2, "<< /Type /Catalog /Pages " + n1 + " 0 R >>");
  const QByteArray common = " /Root " + QByteArray::number(size + 2) + " 0 R /Prev " + QByteArray::number(prev);
  const qsizetype xrefAt = f.size();
  if (!asStream) {
    f += "xref\n" + n0 + " 3\n";
    for (qsizetype o : offsets) f += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
    f += "trailer\n<< /Size " + QByteArray::number(size + 3) + common + " >>\n";
  } else {
    offsets << xrefAt;
    QByteArray rows;
    for (qsizetype o : offsets) {
      rows += char(1);
      for (int shift = 24; shift >= 0; shift -= 8) rows += char((o >> shift) & 0xff);
      rows += char(0);
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    QByteArray packed(qsizetype(packedSize), '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef *>(rows.constData()), uLong(rows.size()));
    packed.truncate(qsizetype(packedSize));
    f += QByteArray::number(size + 3) + " 0 obj\n<< /Type /XRef /Size " + QByteArray::number(size + 4) + common +
         " /Index [" + n0 + " 4] /W [1 4 1] /Filter /FlateDecode /Length " +
         QByteArray::number(packed.size()) + " >>\nstream\n" + packed + "\nendstream\nendobj\n";
  }
  f += "startxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
  return f;
}

class PdfWriters : public ::testing::Test {
 protected:
  lwtest::TempDir dir;
  QString Path(const char *name) { return dir.file(name); }

  // Every test here runs the writers and pdfinfo: without them it cannot.
  void SetUp() override {
    for (const char *tool : {"qpdf", "pdfinfo", "gs"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    QProcess python;
    python.start(LW_PYTHON3, {"-c", "import reportlab"});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) GTEST_SKIP() << "no python3 with reportlab";
  }

  void Reportlab(const char *name, int pages) {
    const QString script = QStringLiteral(
        "import sys\nfrom reportlab.pdfgen import canvas\n"
        "c = canvas.Canvas(sys.argv[1])\n"
        "for i in range(int(sys.argv[2])):\n"
        "    c.drawString(72, 720, 'Leaf %d' % (i + 1)); c.showPage()\n"
        "c.save()\n");
    RunTool(LW_PYTHON3, {"-c", script, Path(name), QString::number(pages)});
  }
  void Ghostscript(const char *name, int pages) {
    const QString ps = Path("pages.ps");
    ASSERT_TRUE(lwtest::WriteFile(ps, "/Helvetica findfont 24 scalefont setfont\n1 1 " +
                                          QByteArray::number(pages) +
                                          " { 72 720 moveto 3 string cvs show showpage } for\n"));
    RunTool("gs", {"-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-sOutputFile=" + Path(name), ps});
  }
  void Qpdf(const char *in, const char *out, const QStringList &options) {
    RunTool("qpdf", options + QStringList{Path(in), Path(out)});
  }
  void ExpectLikePdfinfo(const char *name) {
    const int expected = PdfinfoPages(Path(name));
    ASSERT_GT(expected, 0) << name;
    EXPECT_EQ(lw::GetPdfPageCount(Path(name).toStdString()), expected) << name;
  }
};

TEST_F(PdfWriters, CountsMatchPdfinfo) {
  Reportlab("reportlab.pdf", 13);
  Ghostscript("gs.pdf", 9);
  Qpdf("reportlab.pdf", "linearized.pdf", {"--linearize"});
  Qpdf("reportlab.pdf", "objstm.pdf", {"--object-streams=generate"});
  Qpdf("gs.pdf", "gs_objstm_linearized.pdf", {"--object-streams=generate", "--linearize"});
  Qpdf("gs.pdf", "gs_qdf.pdf", {"--qdf"});
  for (const char *name :
       {"reportlab.pdf", "gs.pdf", "linearized.pdf", "objstm.pdf", "gs_objstm_linearized.pdf", "gs_qdf.pdf"})
    ExpectLikePdfinfo(name);
  EXPECT_EQ(lw::GetPdfPageCount(Path("reportlab.pdf").toStdString()), 13);
  EXPECT_EQ(lw::GetPdfPageCount(Path("gs.pdf").toStdString()), 9);
}

TEST_F(PdfWriters, CatalogAndPageTreeInObjectStreams) {
  Reportlab("reportlab.pdf", 21);
  Qpdf("reportlab.pdf", "objstm.pdf", {"--object-streams=generate"});
  const QByteArray trailer = RunTool("qpdf", {"--show-object=trailer", Path("objstm.pdf")});
  const QByteArray xref = RunTool("qpdf", {"--show-xref", Path("objstm.pdf")});
  const int root = FirstNumberAfter(trailer, "/Root");
  const int pages = FirstNumberAfter(RunTool("qpdf", {"--show-object=" + QString::number(root), Path("objstm.pdf")}),
                                     "/Pages");
  ASSERT_TRUE(xref.contains(QByteArray::number(root) + "/0: compressed"));
  ASSERT_TRUE(xref.contains(QByteArray::number(pages) + "/0: compressed"));
  ExpectLikePdfinfo("objstm.pdf");
}

TEST_F(PdfWriters, IncrementalUpdatesOfEitherKind) {
  Reportlab("reportlab.pdf", 6);
  Qpdf("reportlab.pdf", "objstm.pdf", {"--object-streams=generate"});
  Qpdf("reportlab.pdf", "linearized.pdf", {"--linearize"});
  struct Update {
    const char *base, *name;
    bool asStream;
  };
  for (const Update &u : {Update{"reportlab.pdf", "table_on_table.pdf", false},
                          Update{"objstm.pdf", "table_on_stream.pdf", false},
                          Update{"reportlab.pdf", "stream_on_table.pdf", true},
                          Update{"objstm.pdf", "stream_on_stream.pdf", true},
                          // the linearization dictionary's /N is out of date now
                          Update{"linearized.pdf", "table_on_linearized.pdf", false}}) {
    ASSERT_TRUE(lwtest::WriteFile(Path(u.name), WithAddedPage(Path(u.base), u.asStream)));
    EXPECT_EQ(PdfinfoPages(Path(u.name)), 7) << u.name;
    ExpectLikePdfinfo(u.name);
  }
  // qpdf rewriting an updated file in turn.
  Qpdf("table_on_stream.pdf", "rewritten.pdf", {"--object-streams=generate"});
  ExpectLikePdfinfo("rewritten.pdf");
}

// qpdf's uncompressed and unfiltered forms: cross-reference and object
// streams with no /Filter, QDF mode.
TEST_F(PdfWriters, StreamsWithoutFilters) {
  Reportlab("reportlab.pdf", 17);
  Ghostscript("gs.pdf", 8);
  const QStringList objstm{"--object-streams=generate"};
  Qpdf("reportlab.pdf", "qdf_objstm.pdf", objstm + QStringList{"--qdf"});
  Qpdf("reportlab.pdf", "uncompressed_objstm.pdf", objstm + QStringList{"--compress-streams=n"});
  Qpdf("gs.pdf", "gs_uncompressed_objstm.pdf", objstm + QStringList{"--stream-data=uncompress"});
  Qpdf("gs.pdf", "gs_linearized_uncompressed.pdf", objstm + QStringList{"--linearize", "--compress-streams=n"});
  for (const char *name : {"qdf_objstm.pdf", "uncompressed_objstm.pdf", "gs_uncompressed_objstm.pdf",
                           "gs_linearized_uncompressed.pdf"})
    ExpectLikePdfinfo(name);
}

// 20,000 blank pages that inherit their media box, packed by qpdf into
// object streams: near 8 bytes a page, fewer than a /Count is believed
// for, so the leaves are counted.
TEST_F(PdfWriters, BlankPagesPackedInObjectStreams) {
  const QString script = QStringLiteral(
      "import sys\n"
      "n = 20000\n"
      "objs = {1: b'<< /Type /Catalog /Pages 2 0 R >>',\n"
      "        2: b'<< /Type /Pages /MediaBox [0 0 612 792] /Kids [%s] /Count %d >>'\n"
      "           % (b' '.join(b'%d 0 R' % (i + 3) for i in range(n)), n)}\n"
      "for i in range(n): objs[i + 3] = b'<< /Type /Page /Parent 2 0 R >>'\n"
      "d, off = bytearray(b'%PDF-1.5\\n'), {}\n"
      "for k in sorted(objs): off[k] = len(d); d += b'%d 0 obj\\n%s\\nendobj\\n' % (k, objs[k])\n"
      "x = len(d)\n"
      "d += b'xref\\n0 %d\\n0000000000 65535 f \\n' % (n + 3)\n"
      "d += b''.join(b'%010d 00000 n \\n' % off[k] for k in sorted(objs))\n"
      "d += b'trailer\\n<< /Size %d /Root 1 0 R >>\\nstartxref\\n%d\\n%%%%EOF\\n' % (n + 3, x)\n"
      "open(sys.argv[1], 'wb').write(d)\n");
  RunTool(LW_PYTHON3, {"-c", script, Path("blank.pdf")});
  Qpdf("blank.pdf", "blank_objstm.pdf", {"--object-streams=generate", "--compression-level=9"});
  ASSERT_LT(QFileInfo(Path("blank_objstm.pdf")).size(), 16 * 20000);
  ExpectLikePdfinfo("blank_objstm.pdf");
}

// Damage done to real files: the count of the intact file, found by
// reconstructing.
TEST_F(PdfWriters, DamagedCopiesOfRealFiles) {
  Reportlab("reportlab.pdf", 12);
  Qpdf("reportlab.pdf", "objstm.pdf", {"--object-streams=generate"});
  for (const char *base : {"reportlab.pdf", "objstm.pdf"}) {
    const QByteArray good = lwtest::ReadFile(Path(base));
    const int expected = PdfinfoPages(Path(base));
    ASSERT_EQ(expected, 12) << base;
    const qsizetype start = good.lastIndexOf("startxref");
    // The newest section's table lines, or its stream data, overwritten.
    const qsizetype section = LastStartxref(good);
    const qsizetype data = good.mid(section, 4) == "xref" ? section + 5 : good.indexOf("stream", section) + 7;
    const QList<std::pair<const char *, QByteArray>> damaged = {
        {"wrong startxref", good.left(start) + "startxref\n17\n%%EOF\n"},
        {"no startxref", good.left(start)},
        {"section damaged", QByteArray(good).replace(data, 20, QByteArray(20, '#'))},
        {"junk before the header", "GIF89a junk\r\n" + good},
    };
    for (const auto &[what, bytes] : damaged) {
      const auto r = lw::ReadPdfPageCount(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                          std::size_t(bytes.size()));
      EXPECT_EQ(r.count, expected) << base << ": " << what;
    }
  }
}

TEST_F(PdfWriters, EncryptedFiles) {
  Reportlab("reportlab.pdf", 5);
  Qpdf("reportlab.pdf", "aes_objstm.pdf", {"--encrypt", "user", "owner", "256", "--", "--object-streams=generate"});
  Qpdf("reportlab.pdf", "aes_plain.pdf", {"--encrypt", "", "owner", "256", "--", "--object-streams=disable"});
  const lw::PdfPageCountResult inStream = lw::ReadPdfPageCountFile(Path("aes_objstm.pdf").toStdString());
  EXPECT_TRUE(inStream.encrypted);
  EXPECT_EQ(inStream.count, -1);  // the page tree lies in an encrypted object stream
  EXPECT_EQ(inStream.problem, lw::PdfProblem::Encrypted);
  const lw::PdfPageCountResult plain = lw::ReadPdfPageCountFile(Path("aes_plain.pdf").toStdString());
  EXPECT_TRUE(plain.encrypted);
  EXPECT_EQ(plain.count, 5);
  EXPECT_EQ(plain.problem, lw::PdfProblem::None);
}

TEST_F(PdfWriters, ToolPrintsCountAndPath) {
  Reportlab("reportlab.pdf", 3);
  QProcess p;
  p.start(lwtest::ProgramDir() + "/pdfpagecount", {Path("reportlab.pdf"), Path("missing.pdf")});
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()),
            "3\t" + Path("reportlab.pdf") + "\n-1\t" + Path("missing.pdf") + "\n");
}

}  // namespace
