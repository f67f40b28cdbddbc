#include "model/conversionnames.h"
#include "model/pagerange.h"
#include "model/tfileobj.h"
#include "model/uconst.h"
#include "support/testdirs.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <climits>

using namespace lw;
using lwtest::TempDir;

namespace {

QStringList Pages(const QString &text, int count) { return ParsePageRange(text, count); }

QStringList Numbers(std::initializer_list<int> ns) {
  QStringList out;
  for (int n : ns) out << QString::number(n);
  return out;
}

QStringList OneTo(int n) {
  QStringList out;
  for (int i = 1; i <= n; ++i) out << QString::number(i);
  return out;
}

// A small but complete PDF with `pages` empty pages and a classic
// cross-reference table; its page tree claims `claimed` pages when given.
QByteArray MakePdf(int pages, long long claimed = -1) {
  QByteArray out = "%PDF-1.4\n";
  QList<qsizetype> offsets;
  auto object = [&](const QByteArray &body) {
    offsets << out.size();
    out += QByteArray::number(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  object("<< /Type /Catalog /Pages 2 0 R >>");
  QByteArray kids;
  for (int i = 0; i < pages; ++i) kids += QByteArray::number(3 + i) + " 0 R ";
  object("<< /Type /Pages /Kids [" + kids + "] /Count " +
         QByteArray::number(claimed < 0 ? pages : claimed) + " >>");
  for (int i = 0; i < pages; ++i)
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] >>");
  const qsizetype xref = out.size();
  out += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (qsizetype off : offsets) out += QByteArray::number(off).rightJustified(10, '0') + " 00000 n \n";
  out += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
  return out;
}

}  // namespace

TEST(PageRange, ExamplesWithTenPages) {
  EXPECT_EQ(Pages("  all \t", 10), OneTo(10));
  EXPECT_EQ(Pages("ALL", 10), OneTo(10));
  EXPECT_EQ(Pages("3, 1-2", 10), Numbers({1, 2, 3}));
  EXPECT_EQ(Pages("2,2,2", 10), Numbers({2}));
  EXPECT_EQ(Pages("1,,4", 10), Numbers({1, 4}));
  EXPECT_EQ(Pages("4,", 10), Numbers({4}));
  EXPECT_EQ(Pages(",4", 10), Numbers({4}));
  EXPECT_EQ(Pages("1 - 3", 10), Numbers({1, 2, 3}));
  EXPECT_EQ(Pages("+4", 10), Numbers({4}));
  EXPECT_EQ(Pages("10", 10), Numbers({10}));
  for (const char *bad : {"5-5", "7-3", "0", "3-", "-3", "1-2-3", "x", "1, ,2", "1-11", "11",
                          "", "   ", ",", ",,,", "1,x", "Al", "All,1", "1 2", "0-3", "2--4"})
    EXPECT_TRUE(Pages(bad, 10).isEmpty()) << bad;
}

TEST(PageRange, AscendingEachOnce) {
  EXPECT_EQ(Pages("9, 3-5, 4, 1", 10), Numbers({1, 3, 4, 5, 9}));
  EXPECT_EQ(Pages("8-10,1-9", 10), OneTo(10));
  EXPECT_EQ(Pages("6-8, 2-3, 7-9, 3", 10), Numbers({2, 3, 6, 7, 8, 9}));
  EXPECT_EQ(ParsePageNumbers("5,1-2", 10), (std::vector<int>{1, 2, 5}));
}

TEST(PageRange, BlanksAreAnythingUpToSpace) {
  EXPECT_EQ(Pages("\t1,\n3 \r", 10), Numbers({1, 3}));
  EXPECT_EQ(Pages(QString("\x01" "2" "\x1f"), 10), Numbers({2}));
  EXPECT_EQ(Pages("\tall\n", 3), OneTo(3));
  // A blank-only piece is taken and is not a number.
  EXPECT_TRUE(Pages("1,\t,2", 10).isEmpty());
  // A no-break space is not a blank.
  EXPECT_TRUE(Pages(QString::fromUtf8("\u00a0" "3"), 10).isEmpty());
}

TEST(PageRange, CountBelowOneRefusesEverything) {
  for (int count : {0, -1}) {
    for (const char *text : {"All", "1", "1-2", "1,2"}) {
      EXPECT_TRUE(Pages(text, count).isEmpty()) << text << " " << count;
      EXPECT_FALSE(IsValidPageRange(text, count)) << text << " " << count;
    }
  }
}

TEST(PageRange, LargeAndOverflowingNumbers) {
  EXPECT_TRUE(Pages("1-2147483648", 10).isEmpty());
  EXPECT_TRUE(Pages("99999999999", 10).isEmpty());
  // A huge range beyond the count is refused without being expanded.
  EXPECT_TRUE(Pages("1-2000000000", 10).isEmpty());
  EXPECT_EQ(Pages("2147483647", INT_MAX), Numbers({INT_MAX}));
  EXPECT_EQ(Pages("2147483645-2147483647", INT_MAX),
            Numbers({INT_MAX - 2, INT_MAX - 1, INT_MAX}));
}

TEST(PageRange, ValidExactlyWhenSomePageIsNamed) {
  for (const char *text : {"All", "all ", "1", "3, 1-2", "4,", "1-11", "", " ", ",", "5-5", "x",
                           "1, ,2", "+4", "10", "0"}) {
    for (int count : {-1, 0, 1, 4, 10, 11}) {
      EXPECT_EQ(IsValidPageRange(text, count), !Pages(text, count).isEmpty())
          << text << " " << count;
    }
  }
  EXPECT_FALSE(IsValidPageRange("", 10));
  EXPECT_FALSE(IsValidPageRange(" \t", 10));
  EXPECT_TRUE(IsValidPageRange("All", 1));
}

TEST(PageRange, ReadRangeNumber) {
  EXPECT_EQ(ReadRangeNumber("7"), 7);
  EXPECT_EQ(ReadRangeNumber(" \t+12 "), 12);
  EXPECT_EQ(ReadRangeNumber("-3"), -3);
  EXPECT_EQ(ReadRangeNumber("007"), 7);
  EXPECT_EQ(ReadRangeNumber("2147483647"), INT_MAX);
  EXPECT_EQ(ReadRangeNumber("-2147483648"), INT_MIN);
  for (const char *bad : {"", " ", "+", "-", "2147483648", "-2147483649", "99999999999999999999",
                          "1 2", "4x", "0x10", "$10", "1.0", "+-1", "1e3"})
    EXPECT_EQ(ReadRangeNumber(bad), -1) << bad;
  // Only ASCII digits count.
  EXPECT_EQ(ReadRangeNumber(QString::fromUtf8("\u0663")), -1);
}

TEST(PageRange, FileNameNoExt) {
  EXPECT_EQ(GetFileNameNoExt("my.report.pdf"), "my.report");
  EXPECT_EQ(GetFileNameNoExt("report.pdf"), "report");
  EXPECT_EQ(GetFileNameNoExt("README"), "");
  EXPECT_EQ(GetFileNameNoExt(".pdf"), "");
  EXPECT_EQ(GetFileNameNoExt("name."), "name");
}

TEST(TFileObj, KindsAndNames) {
  const TFileObj pdf("/a/Report.PDF");
  EXPECT_EQ(pdf.fileType, kFilePdf);
  EXPECT_EQ(pdf.showName, "Report.PDF");
  EXPECT_EQ(GetFileNameNoExt(pdf.showName), "Report");
  EXPECT_EQ(pdf.count, -1);  // no such file
  EXPECT_EQ(pdf.rangeStr, "All");
  EXPECT_FALSE(pdf.isConverter);
  EXPECT_FALSE(pdf.isChecked);
  EXPECT_TRUE(pdf.GetRangeList("/ws/temp/").isEmpty());

  const TFileObj photo("/a/photo.jpg");
  EXPECT_EQ(photo.fileType, kFileImage);
  EXPECT_EQ(photo.count, 1);
  EXPECT_EQ(photo.rangeStr, "All");
  EXPECT_EQ(photo.showName, "photo.jpg");
  EXPECT_TRUE(photo.GetRangeList("/ws/temp/").isEmpty());

  EXPECT_EQ(TFileObj("/a/b.PdF").fileType, kFilePdf);
  EXPECT_EQ(TFileObj("/a/b.pdf.png").fileType, kFileImage);
  EXPECT_EQ(TFileObj("/a.pdf/readme").fileType, kFileImage);
  EXPECT_EQ(TFileObj("/a/pdf").fileType, kFileImage);
}

TEST(TFileObj, RangeListFollowsTheConversionNames) {
  TempDir dir;
  const QString pdfPath = dir.file("docs/report.pdf");
  ASSERT_TRUE(lwtest::WriteFile(pdfPath, MakePdf(3)));
  TFileObj file(pdfPath);
  ASSERT_EQ(file.count, 3);

  const QString temp = dir.slash() + "TempFiles/";
  const ConversionNames names = ConversionNamesFor(temp, pdfPath);
  EXPECT_EQ(file.GetRangeList(temp),
            (QStringList{names.folder + "report_1.swf", names.folder + "report_2.swf",
                         names.folder + "report_3.swf"}));

  // Page 3 is listed even though no converter wrote it.
  file.rangeStr = "3, 1";
  EXPECT_EQ(file.GetRangeList(temp),
            (QStringList{names.folder + "report_1.swf", names.folder + "report_3.swf"}));
  file.rangeStr = "4";
  EXPECT_TRUE(file.GetRangeList(temp).isEmpty());

  // Without an argument the workspace's temporary folder is used.
  const TSysSetInfo saved = SysSetInfo;
  TSysSetInfo mine = saved;
  mine.TempPathStr = temp;
  SetWorkspace(mine);
  file.rangeStr = "2";
  EXPECT_EQ(file.GetRangeList(), QStringList{names.folder + "report_2.swf"});
  SetWorkspace(saved);
}

TEST(TFileObj, CountOfLinearizedPdf) {
  const QString qpdf = QStandardPaths::findExecutable("qpdf");
  if (qpdf.isEmpty()) GTEST_SKIP() << "qpdf not installed";
  TempDir dir;
  ASSERT_TRUE(lwtest::WriteFile(dir.file("plain.pdf"), MakePdf(7)));
  const int rc = QProcess::execute(qpdf, {"--linearize", "--object-streams=generate",
                                          dir.file("plain.pdf"), dir.file("lin.pdf")});
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(TFileObj(dir.file("lin.pdf")).count, 7);
  EXPECT_EQ(TFileObj(dir.file("plain.pdf")).count, 7);
}

TEST(TFileObj, UnreadablePdfGivesNoPagesAndSaysWhy) {
  TempDir dir;
  ASSERT_TRUE(lwtest::WriteFile(dir.file("broken.pdf"), "%PDF-1.4\nnot really\n"));
  ASSERT_TRUE(lwtest::WriteFile(dir.file("notes.pdf"), "plain text"));
  TFileObj broken(dir.file("broken.pdf"));
  EXPECT_EQ(broken.count, -1);
  EXPECT_EQ(broken.problemStr, "is damaged");
  EXPECT_TRUE(broken.GetRangeList(dir.slash()).isEmpty());
  broken.rangeStr = "1";
  EXPECT_TRUE(broken.GetRangeList(dir.slash()).isEmpty());
  EXPECT_EQ(TFileObj(dir.file("notes.pdf")).problemStr, "is not a PDF");
  // A damaged file may still be one the converter reads; text is not.
  EXPECT_FALSE(broken.isUnusable);
  EXPECT_TRUE(TFileObj(dir.file("notes.pdf")).isUnusable);
  // A page tree that claims billions of pages in a one-page file: its pages
  // are counted instead, and "All" lists one name.
  ASSERT_TRUE(lwtest::WriteFile(dir.file("huge.pdf"), MakePdf(1, 2000000000)));
  TFileObj huge(dir.file("huge.pdf"));
  EXPECT_EQ(huge.count, 1);
  EXPECT_TRUE(huge.problemStr.isEmpty());
  EXPECT_EQ(huge.GetRangeList(dir.slash()).size(), 1);
}

// The same file reached through a linked file or a linked folder is one
// source: one identity, one library entry, one conversion folder.
TEST(TFileObj, FileThroughASymbolicLinkIsTheSameFile) {
  TempDir dir;
  const QString real = dir.file("docs/report.pdf");
  ASSERT_TRUE(lwtest::WriteFile(real, MakePdf(2)));
  ASSERT_TRUE(QFile::link(real, dir.file("linked.pdf")));
  ASSERT_TRUE(QFile::link(dir.file("docs"), dir.file("shortcut")));
  const QString viaFile = dir.file("linked.pdf");
  const QString viaFolder = dir.file("shortcut/report.pdf");
  const QString dotted = dir.file("docs/../docs/./report.pdf");

  const QString identity = SourceFileIdentity(real);
  EXPECT_FALSE(identity.isEmpty());
  for (const QString &path : {viaFile, viaFolder, dotted})
    EXPECT_EQ(SourceFileIdentity(path), identity) << path.toStdString();
  const TFileObj linked(viaFolder);
  EXPECT_EQ(linked.filePath, identity);
  EXPECT_EQ(linked.count, 2);
  EXPECT_EQ(linked.showName, "report.pdf");
  EXPECT_EQ(TFileObj(viaFile).showName, "report.pdf");  // the file it reaches
  const QString temp = dir.slash() + "TempFiles/";
  EXPECT_EQ(linked.GetRangeList(temp), TFileObj(real).GetRangeList(temp));

  TFileList list{std::make_shared<TFileObj>(real)};
  EXPECT_EQ(FindSourceFile(list, viaFile), list[0]);
  EXPECT_EQ(FindSourceFile(list, viaFolder), list[0]);
  EXPECT_EQ(FindSourceFile(list, dir.file("docs/other.pdf")), nullptr);

  // A file that is not there is known by its cleaned absolute path; an
  // empty path by nothing.
  EXPECT_EQ(SourceFileIdentity(dir.file("gone/../none.pdf")), dir.file("none.pdf"));
  EXPECT_EQ(SourceFileIdentity(QString()), QString());
  EXPECT_EQ(FindSourceFile(list, QString()), nullptr);
}

TEST(TFileObj, AddsNoPagesOnlyForAPdfWithAProblem) {
  TempDir dir;
  ASSERT_TRUE(lwtest::WriteFile(dir.file("good.pdf"), MakePdf(1)));
  ASSERT_TRUE(lwtest::WriteFile(dir.file("notes.pdf"), "plain text"));
  TFileObj good(dir.file("good.pdf"));
  EXPECT_FALSE(good.AddsNoPages());
  EXPECT_TRUE(TFileObj(dir.file("notes.pdf")).AddsNoPages());
  EXPECT_FALSE(TFileObj(dir.file("gone.png")).AddsNoPages());
  // Counted, but the converter failed on it.
  good.problemStr = "is password-protected";
  EXPECT_TRUE(good.AddsNoPages());
}

TEST(ConversionNames, FoldersNeverCollide) {
  const QString temp = "/ws/TempFiles/";
  const ConversionNames a = ConversionNamesFor(temp, "/docs/u/a/report.pdf");
  const ConversionNames b = ConversionNamesFor(temp, "/docs/u/b/report.pdf");
  const ConversionNames a2 = ConversionNamesFor(temp, "/docs/u/a/report.pdf");
  EXPECT_NE(a.folder, b.folder);
  EXPECT_EQ(a.folder, a2.folder);  // stable for one path
  for (const ConversionNames &n : {a, b}) {
    EXPECT_TRUE(n.folder.startsWith(temp));
    EXPECT_TRUE(n.folder.endsWith('/'));
    EXPECT_NE(n.folder, temp);
    EXPECT_EQ(n.stem, "report");
    EXPECT_EQ(FileNameOfPath(n.PageFile(3)), "report_3.swf");
  }
  // The same folder whether or not the temp path ends with "/".
  EXPECT_EQ(ConversionNamesFor("/ws/TempFiles", "/docs/u/a/report.pdf").folder, a.folder);

  // A file named ".pdf" has an empty stem but a folder of its own.
  const ConversionNames empty = ConversionNamesFor(temp, "/docs/u/.pdf");
  EXPECT_EQ(empty.stem, "");
  EXPECT_NE(empty.folder, temp);
  EXPECT_GT(empty.folder.size(), temp.size() + 1);
  EXPECT_EQ(FileNameOfPath(empty.PageFile(1)), "_1.swf");
  EXPECT_NE(empty.folder, ConversionNamesFor(temp, "/docs/v/.pdf").folder);
}
