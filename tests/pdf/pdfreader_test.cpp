// Scanning primitives, cross-reference reading and object access.
#include "pdf/pdfreader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using lw::PdfCursor;
using lw::PdfReader;
using Bytes = std::vector<std::uint8_t>;

std::string Deflate(const Bytes &plain) {
  uLongf size = compressBound(plain.size());
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef *>(out.data()), &size, plain.data(), plain.size());
  out.resize(size);
  return out;
}

std::string StreamObject(int number, const std::string &dict, const Bytes &plain) {
  const std::string packed = Deflate(plain);
  return std::to_string(number) + " 0 obj\n<< " + dict + " /Filter /FlateDecode /Length " +
         std::to_string(packed.size()) + " >>\nstream\n" + packed + "\nendstream\nendobj\n";
}

// A reader over `text`, which must outlive it.
PdfReader ReaderOver(const std::string &text) {
  return PdfReader(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
}

std::vector<int> Numbers(const PdfReader &r) {
  std::vector<int> out;
  for (const auto &e : r.xrefList) out.push_back(e.objectNumber);
  return out;
}

TEST(PdfCursor, ReadNumber) {
  std::int32_t v = 0;
  PdfCursor c("  0000012345 0 n");
  ASSERT_TRUE(c.ReadNumber(v));
  EXPECT_EQ(v, 12345);
  EXPECT_EQ(*c.pos, ' ');
  PdfCursor root(" /Root");
  EXPECT_FALSE(root.ReadNumber(v));
  EXPECT_EQ(*root.pos, '/');  // after the blanks
  EXPECT_FALSE(PdfCursor("-1").ReadNumber(v));
  ASSERT_TRUE(PdfCursor("1.5").ReadNumber(v));
  EXPECT_EQ(v, 1);
  ASSERT_TRUE(PdfCursor("00000000000000000007").ReadNumber(v));
  EXPECT_EQ(v, 7);
  PdfCursor last("\r\n2147483647");
  ASSERT_TRUE(last.ReadNumber(v));
  EXPECT_EQ(v, 2147483647);
  EXPECT_EQ(last.pos, last.end);
  EXPECT_FALSE(PdfCursor("   ").ReadNumber(v));
  EXPECT_THROW(PdfCursor("2147483648").ReadNumber(v), lw::PdfNumberOverflow);
}

TEST(PdfCursor, FindKeyStaysAtTheTopLevelOfTheFirstDictionary) {
  std::int32_t v = 0;
  PdfCursor kids("<< /Kids [4 0 R] /Count 7 >>");
  ASSERT_TRUE(kids.FindKey("/Count"));
  ASSERT_TRUE(kids.ReadNumber(v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(PdfCursor("<< /A << /Count 7 >> >>").FindKey("/Count"));
  EXPECT_FALSE(PdfCursor("<< /A 1 >> << /Count 7 >>").FindKey("/Count"));
  EXPECT_TRUE(PdfCursor("<< /Names 3 >>").FindKey("/N"));
  EXPECT_TRUE(PdfCursor("1 0 obj /Count 2 << >>").FindKey("/Count"));  // depth 0
  EXPECT_TRUE(PdfCursor("<< /ID <00ff> /A > /Count 2 >>").FindKey("/Count"));
  EXPECT_TRUE(PdfCursor("<< /A << /B 1 >> /Count 2 >>").FindKey("/Count"));
  EXPECT_FALSE(PdfCursor("<< /Cou").FindKey("/Count"));
  EXPECT_FALSE(PdfCursor("").FindKey("/Count"));
}

TEST(PdfCursor, SkipMatchAndSearchBackward) {
  PdfCursor d("/A << /B 1 >> /C [<a>] >> rest");
  EXPECT_TRUE(d.SkipDictionary());
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(d.pos), 5), " rest");
  PdfCursor open("/A << /B");
  open.SkipDictionary();
  EXPECT_EQ(open.pos, open.end);

  PdfCursor m("obj");
  EXPECT_FALSE(m.MatchText("objx"));
  EXPECT_EQ(m.pos, m.begin);
  EXPECT_TRUE(m.MatchText("obj"));
  EXPECT_EQ(m.pos, m.end);

  const std::string tail = "startxref\n99\nstartxref\n123\n%%EOF\n";
  PdfCursor b(tail);
  b.pos = b.end - 5;
  ASSERT_TRUE(b.FindTextBackward("startxref"));
  std::int32_t v = 0;
  ASSERT_TRUE(b.ReadNumber(v));
  EXPECT_EQ(v, 123);  // the nearest one
  PdfCursor none("xref\n1\n%%EOF\n");
  none.pos = none.end - 5;
  EXPECT_FALSE(none.FindTextBackward("startxref"));
  PdfCursor before("ab");
  before.pos = before.begin - 1;
  EXPECT_FALSE(before.FindTextBackward("b"));
}

TEST(XrefTable, SubsectionsTrailerAndFreeLines) {
  const std::string t =
      "xref\n0 3\n0000000000 65535 f \n0000000015 00000 n \n0000000079 00000 n \n"
      "7 2\r\n0000000200 00000 n\r\n0000000300 00000 n\r\n"
      "trailer\n<< /Size 9 /Root 1 0 R /Prev 99 /XRefStm 77 >>\n";
  PdfReader r = ReaderOver(t);
  r.cursor.pos += 4;
  std::int64_t prev = 0, stm = 0;
  ASSERT_TRUE(r.ReadXrefTable(prev, stm));
  EXPECT_EQ(Numbers(r), (std::vector<int>{0, 1, 2, 7, 8}));
  EXPECT_TRUE(r.xrefList[0].isFree);
  EXPECT_FALSE(r.xrefList[1].isFree);
  EXPECT_EQ(r.xrefList[4].offset, 300u);
  EXPECT_EQ(r.rootObjectNumber, 1);
  EXPECT_EQ(prev, 99);
  EXPECT_EQ(stm, 77);

  for (const std::string bad : {std::string("xref\n0 2\n0000000000 65535 f \ntrailer\n<< >>"),
                                std::string("xref\n0 1\n0000000000 65535 f \n<< /Root 1 0 R >>"),
                                std::string("xref\n0 1\n0000000000 65535 f \ntrailer << /Prev x >>")}) {
    PdfReader b = ReaderOver(bad);
    b.cursor.pos += 4;
    EXPECT_FALSE(b.ReadXrefTable(prev, stm)) << bad;
  }
}

TEST(XrefTable, ChainKeepsTheNewestRootAndEntries) {
  std::string f = "1 0 obj << >> endobj\n";
  const std::size_t older = f.size();
  f += "xref\n0 2\n0000000000 65535 f \n0000000000 00000 n \n4 1\n0000000400 00000 n \n"
       "trailer\n<< /Root 9 0 R >>\n";
  const std::size_t newer = f.size();
  f += "xref\n1 1\n0000000000 65535 f \n4 1\n0000000000 00000 n \ntrailer\n<< /Root 5 0 R /Prev " +
       std::to_string(older) + " >>\n";
  PdfReader r = ReaderOver(f);
  ASSERT_TRUE(r.ReadXrefChain(std::int64_t(newer)));
  EXPECT_EQ(r.rootObjectNumber, 5);
  EXPECT_EQ(Numbers(r), (std::vector<int>{1, 4, 0, 1, 4}));
  EXPECT_EQ(r.xrefList[1].offset, 0u);  // object 4: the newest section's line comes first
  // Object 1 is free in the newest section: the older, usable line counts.
  EXPECT_TRUE(r.GoToObject(1));
  EXPECT_FALSE(r.GoToObject(4));  // offset 0 holds object 1

  PdfReader loop = ReaderOver(f);
  EXPECT_FALSE(loop.ReadXrefChain(std::int64_t(f.size())));  // outside the file
  std::string self = "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Root 1 0 R /Prev 0 >>\n";
  PdfReader selfLoop = ReaderOver(self);
  EXPECT_FALSE(selfLoop.ReadXrefChain(0));
}

Bytes TypeOneRows(int rows, int width) {
  Bytes out;
  for (int i = 0; i < rows; ++i) {
    out.push_back(1);
    for (int k = 1; k < width; ++k) out.push_back(std::uint8_t(k == 2 ? i * 10 : 0));
  }
  return out;
}

TEST(XrefStream, FieldWidthsRowsAndIndex) {
  std::int64_t prev = 0;
  const std::string wide = StreamObject(9, "/Type /XRef /Root 1 0 R /W [2 2 1]", TypeOneRows(8, 5));
  EXPECT_FALSE(ReaderOver(wide).ReadXrefStream(prev));

  const std::string partial = StreamObject(9, "/Type /XRef /Root 1 0 R /W [1 2 1]", Bytes(30, 1));
  EXPECT_FALSE(ReaderOver(partial).ReadXrefStream(prev));

  const std::string eight = StreamObject(9, "/Type /XRef /Root 1 0 R /W [1 2 1] /Prev 44", TypeOneRows(8, 4));
  PdfReader r = ReaderOver(eight);
  ASSERT_TRUE(r.ReadXrefStream(prev));
  EXPECT_EQ(Numbers(r), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(r.xrefList[3].offset, 30u);
  EXPECT_EQ(r.rootObjectNumber, 1);
  EXPECT_EQ(prev, 44);

  const Bytes mixed = {1, 0, 9, 0, /* free */ 0, 0, 0, 0, 2, 0, 12, 5};
  const std::string indexed = StreamObject(9, "/Type /XRef /Root 1 0 R /W [1 2 1] /Index [3 2 10 1]", mixed);
  PdfReader x = ReaderOver(indexed);
  ASSERT_TRUE(x.ReadXrefStream(prev));
  EXPECT_EQ(Numbers(x), (std::vector<int>{3, 10}));
  EXPECT_EQ(prev, -1);
  EXPECT_TRUE(x.IsCompressedObject(10));
  EXPECT_EQ(x.xrefList[1].streamObjectNumber, 12u);
  EXPECT_EQ(x.xrefList[1].offset, 5u);
  EXPECT_FALSE(x.IsCompressedObject(3));

  const std::string noRoot = StreamObject(9, "/Type /XRef /W [1 2 1]", TypeOneRows(2, 4));
  EXPECT_FALSE(ReaderOver(noRoot).ReadXrefStream(prev));
  const std::string notXref = StreamObject(9, "/Type /ObjStm /Root 1 0 R /W [1 2 1]", TypeOneRows(2, 4));
  EXPECT_FALSE(ReaderOver(notXref).ReadXrefStream(prev));
}

TEST(XrefStream, PredictorOnlyRightAfterColumns) {
  // Two rows of width 4 under PNG "Up": 10 filtered bytes.
  const Bytes filtered = {2, 1, 0, 20, 0, 2, 0, 0, 10, 0};
  std::int64_t prev = 0;
  const std::string good = StreamObject(
      9, "/Type /XRef /Root 1 0 R /W [1 2 1] /DecodeParms << /Columns 4 /Predictor 12 >>", filtered);
  PdfReader r = ReaderOver(good);
  ASSERT_TRUE(r.ReadXrefStream(prev));
  ASSERT_EQ(r.xrefList.size(), 2u);
  EXPECT_EQ(r.xrefList[1].offset, 30u);
  const std::string swapped = StreamObject(
      9, "/Type /XRef /Root 1 0 R /W [1 2 1] /DecodeParms << /Predictor 12 /Columns 4 >>", filtered);
  EXPECT_FALSE(ReaderOver(swapped).ReadXrefStream(prev));  // 10 bytes are not whole rows
}

TEST(Objects, GoToObjectChecksTheNumber) {
  const std::string f = "12 0 obj\n<< >>\nendobj\n";
  PdfReader r = ReaderOver(f);
  r.xrefList = {{13, 0}, {12, 0}, {14, 999}};
  EXPECT_FALSE(r.GoToObject(13));
  EXPECT_TRUE(r.GoToObject(12));
  EXPECT_EQ(r.cursor.pos, r.cursor.begin + 2);
  EXPECT_FALSE(r.GoToObject(14));  // beyond the file end
  EXPECT_FALSE(r.GoToObject(15));  // not listed
}

TEST(Objects, HeadersFoundByScanningWhenOffsetsAreWrong) {
  const std::string f = "x13 0 obj 113 0 obj %\n13 0 obj<< /A 1 >>endobj 7 0 obj\n";
  PdfReader r = ReaderOver(f);
  r.xrefList = {{13, 0}};
  lw::TByteBuffer buffer;
  ASSERT_EQ(r.OpenObject(13, buffer), PdfReader::TObjectPlace::InFile);
  EXPECT_EQ(r.cursor.pos - r.cursor.begin, 24);  // just after "13" on the second line
  EXPECT_EQ(r.OpenObject(7, buffer), PdfReader::TObjectPlace::InFile);  // not listed at all
  EXPECT_EQ(r.OpenObject(8, buffer), PdfReader::TObjectPlace::Missing);
}

TEST(Objects, LoadFromObjectStream) {
  const std::string head = "20 0 21 11 22 21 ";
  const std::string body = "<< /A 1 >>\n<< /B 2 >><< /C 3 >>\n";
  const Bytes plain(head.begin(), head.end());
  Bytes all = plain;
  all.insert(all.end(), body.begin(), body.end());
  const std::string f =
      StreamObject(5, "/Type /ObjStm /N 3 /First " + std::to_string(head.size()), all) + "6 0 obj 1 endobj\n";
  PdfReader r = ReaderOver(f);
  r.xrefList = {{5, 0}, {20, 0, 5, true}, {21, 1, 5, true}, {22, 2, 5, true}, {23, 3, 5, true},
                {24, 0, 6, true}, {25, 0, 9, true}};
  lw::TByteBuffer buffer;
  auto text = [&] { return std::string(buffer.begin(), buffer.end()); };
  ASSERT_TRUE(r.LoadObjectFromStream(21, buffer));
  EXPECT_EQ(text(), "<< /B 2 >>");
  EXPECT_EQ(r.cursor.pos, buffer.data());
  ASSERT_TRUE(r.LoadObjectFromStream(22, buffer));
  EXPECT_EQ(text(), "<< /C 3 >>\n");  // the last object runs to the end
  EXPECT_FALSE(r.LoadObjectFromStream(23, buffer));  // index 3 of 3
  EXPECT_FALSE(r.LoadObjectFromStream(24, buffer));  // object 6 is no object stream
  EXPECT_FALSE(r.LoadObjectFromStream(25, buffer));  // no object 9
  EXPECT_FALSE(r.LoadObjectFromStream(5, buffer));   // not compressed
  r.xrefList[2] = {21, 0, 5, true};                  // index 0 holds object 20
  EXPECT_FALSE(r.LoadObjectFromStream(21, buffer));
  ASSERT_EQ(r.OpenObject(20, buffer), PdfReader::TObjectPlace::InStream);
  EXPECT_EQ(text(), "<< /A 1 >>\n");
}

}  // namespace
