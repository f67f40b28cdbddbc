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

TEST(PdfCursor, FindKeyTakesOnlyWholeKeysOfTheFirstDictionary) {
  std::int32_t v = 0;
  PdfCursor kids("<< /Kids [4 0 R] /Count 7 >>");
  ASSERT_TRUE(kids.FindKey("/Count"));
  ASSERT_TRUE(kids.ReadNumber(v));
  EXPECT_EQ(v, 7);
  PdfCursor header("12 0 obj\n<</Count 3>>");
  ASSERT_TRUE(header.FindKey("/Count"));
  ASSERT_TRUE(header.ReadNumber(v));
  EXPECT_EQ(v, 3);
  PdfCursor escaped("<< /Coun#74 4 >>");
  ASSERT_TRUE(escaped.FindKey("/Count"));
  EXPECT_TRUE(PdfCursor("<< /A << /B 1 >> /Count 2 >>").FindKey("/Count"));
  EXPECT_TRUE(PdfCursor("<< /ID <00ff> /A 1 /Count 2 >>").FindKey("/Count"));

  // Never a nested, a later or a partial key, nor a value.
  for (const char *text : {"<< /A << /Count 7 >> >>", "<< /A 1 >> << /Count 7 >>", "<< /Countdown 7 >>",
                           "<< /T (/Count 7) >>", "<< /T (a\\) /Count 7) >>", "<< /T (x (/Count 7)) >>",
                           "<< /H </Count 7> >>", "<< /A [/Count 7] >>", "<< /A [[1] /Count 7] >>",
                           "<< % /Count 7\n >>", "<< /Name /Count >>", "<< /R 5 0 R >> /Count 7", "<< /Cou", "",
                           "[ /Count 7 ]", "(/Count 7)"})
    EXPECT_FALSE(PdfCursor(text).FindKey("/Count")) << text;
  EXPECT_FALSE(PdfCursor("<< /Names 3 >>").FindKey("/N"));
}

TEST(PdfCursor, SkipValueAndReferences) {
  PdfCursor c("5 0 R /Next [1 (a]) <<>> [2]] << /A (>>) >> )");
  ASSERT_TRUE(c.SkipValue());
  ASSERT_TRUE(c.SkipValue());  // the name
  ASSERT_TRUE(c.SkipValue());  // the array, strings and nested containers whole
  ASSERT_TRUE(c.SkipValue());
  EXPECT_FALSE(c.SkipValue());  // a closing ")"
  EXPECT_EQ(*c.pos, ')');
  PdfCursor open("[1 << /A 2 endobj 3 0 obj");  // left open: ends at its object's end
  ASSERT_TRUE(open.SkipValue());
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(open.pos), 6), "endobj");

  std::int32_t n = 0;
  PdfCursor ref(" 12 0 R]");
  ASSERT_TRUE(ref.ReadReference(n));
  EXPECT_EQ(n, 12);
  EXPECT_EQ(*ref.pos, ']');
  for (const char *text : {"12 0 obj", "12 R", "12 0 RG", "/A"}) {
    PdfCursor no(text);
    EXPECT_FALSE(no.ReadReference(n)) << text;
    EXPECT_EQ(no.pos, no.begin) << text;
  }
  EXPECT_TRUE(PdfCursor("/XRef>>").MatchName("/XRef"));
  EXPECT_FALSE(PdfCursor("/XRefs").MatchName("/XRef"));
  EXPECT_FALSE(PdfCursor("/XRe").MatchName("/XRef"));
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

  PdfReader outside = ReaderOver(f);
  EXPECT_FALSE(outside.ReadXrefChain(std::int64_t(f.size())));
}

TEST(XrefTable, ChainKeepsTheSectionsBeforeALoopOrDamage) {
  std::string self = "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Root 1 0 R /Prev 0 >>\n";
  PdfReader selfLoop = ReaderOver(self);
  ASSERT_TRUE(selfLoop.ReadXrefChain(0));
  EXPECT_EQ(selfLoop.xrefList.size(), 1u);
  EXPECT_EQ(selfLoop.rootObjectNumber, 1);

  std::string f = "xref\n4 1\n0000000000 00000 n \ntrailer\n<< /Root 1 0 R /Prev 80 >>\n";
  f.resize(80, ' ');
  f += "xref\n0 2\n0000000000 65535 f \n000000";  // damaged: cut short
  PdfReader damaged = ReaderOver(f);
  ASSERT_TRUE(damaged.ReadXrefChain(0));
  EXPECT_EQ(Numbers(damaged), (std::vector<int>{4}));
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
  const Bytes twoByteTypes = {0, 1, 0, 30, 0, /* type 256 */ 1, 0, 0, 40, 0, 0, 2, 0, 12, 5};
  const std::string wide = StreamObject(9, "/Type /XRef /Root 1 0 R /W [2 2 1]", twoByteTypes);
  PdfReader w = ReaderOver(wide);
  ASSERT_TRUE(w.ReadXrefStream(prev));
  EXPECT_EQ(Numbers(w), (std::vector<int>{0, 2}));
  EXPECT_TRUE(w.IsCompressedObject(2));
  const std::string tooWide = StreamObject(9, "/Type /XRef /Root 1 0 R /W [5 2 1]", Bytes(16, 0));
  EXPECT_FALSE(ReaderOver(tooWide).ReadXrefStream(prev));

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

  const Bytes untyped = {0, 9, 0, 0, 30, 0};  // /W [0 2 1]: every row of type 1
  const std::string typeless = StreamObject(9, "/Type /XRef /Root 1 0 R /W [0 2 1]", untyped);
  PdfReader t = ReaderOver(typeless);
  ASSERT_TRUE(t.ReadXrefStream(prev));
  ASSERT_EQ(Numbers(t), (std::vector<int>{0, 1}));
  EXPECT_EQ(t.xrefList[1].offset, 30u);

  const std::string noRoot = StreamObject(9, "/Type /XRef /W [1 2 1]", TypeOneRows(2, 4));
  EXPECT_FALSE(ReaderOver(noRoot).ReadXrefStream(prev));
  const std::string notXref = StreamObject(9, "/Type /ObjStm /Root 1 0 R /W [1 2 1]", TypeOneRows(2, 4));
  EXPECT_FALSE(ReaderOver(notXref).ReadXrefStream(prev));
}

TEST(XrefStream, PredictorsInEitherKeyOrder) {
  // Two rows of width 4 under PNG "Up": 10 filtered bytes.
  const Bytes filtered = {2, 1, 0, 20, 0, 2, 0, 0, 10, 0};
  const std::string dict = "/Type /XRef /Root 1 0 R /W [1 2 1] /DecodeParms ";
  std::int64_t prev = 0;
  for (const char *parms : {"<< /Columns 4 /Predictor 12 >>", "<< /Predictor 12 /Columns 4 >>",
                            "[<< /Predictor 15 /Colors 1 /Columns 4 >>]"}) {
    const std::string object = StreamObject(9, dict + parms, filtered);
    PdfReader r = ReaderOver(object);
    ASSERT_TRUE(r.ReadXrefStream(prev)) << parms;
    ASSERT_EQ(r.xrefList.size(), 2u) << parms;
    EXPECT_EQ(r.xrefList[1].offset, 30u) << parms;
  }
  // TIFF: each byte of a row minus the one before it.
  const Bytes differenced = {1, 255, 20, 236, 1, 255, 30, 226};
  const std::string tiffObject = StreamObject(9, dict + "<< /Predictor 2 /Columns 4 >>", differenced);
  PdfReader tiff = ReaderOver(tiffObject);
  ASSERT_TRUE(tiff.ReadXrefStream(prev));
  ASSERT_EQ(tiff.xrefList.size(), 2u);
  EXPECT_EQ(tiff.xrefList[1].offset, 30u);
  for (const char *parms : {"<< /Predictor 3 /Columns 4 >>", "<< /Predictor 12 /Columns 4 /BitsPerComponent 4 >>"})
    EXPECT_FALSE(ReaderOver(StreamObject(9, dict + parms, filtered)).ReadXrefStream(prev)) << parms;
}

// A cross-reference stream with the rows stored as they are, under `filter` ("" for no /Filter).
std::string RawStreamObject(const std::string &filter, const Bytes &rows) {
  return "9 0 obj\n<< /Type /XRef /Root 1 0 R /W [1 2 1]" + filter + " /Length " + std::to_string(rows.size()) +
         " >>\nstream\r\n" + std::string(rows.begin(), rows.end()) + "\nendstream\nendobj\n";
}

TEST(XrefStream, FiltersReadAndRefused) {
  std::int64_t prev = 0;
  const Bytes rows = {1, 0, 9, 0, 0, 0, 0, 0, 1, 0, 30, 0};  // the free row starts with NUL, a white-space byte
  for (const char *filter : {"", " /Filter null", " /Filter []"}) {
    const std::string object = RawStreamObject(filter, rows);
    PdfReader r = ReaderOver(object);
    ASSERT_TRUE(r.ReadXrefStream(prev)) << filter;
    EXPECT_EQ(Numbers(r), (std::vector<int>{0, 2})) << filter;
    EXPECT_EQ(r.xrefList[1].offset, 30u) << filter;
  }
  for (const char *filter : {"/Filter /Fl", "/Filter [/FlateDecode]", "/Filter[/Fl]"})
    EXPECT_TRUE(ReaderOver(StreamObject(9, std::string("/Type /XRef /Root 1 0 R /W [1 2 1] ") + filter,
                                        TypeOneRows(2, 4)))
                    .ReadXrefStream(prev)) << filter;
  for (const char *filter : {" /Filter /LZWDecode", " /Filter [/ASCIIHexDecode /FlateDecode]",
                             " /Filter [/FlateDecode /FlateDecode]", " /Filter 4 0 R"})
    EXPECT_FALSE(ReaderOver(RawStreamObject(filter, rows)).ReadXrefStream(prev)) << filter;
  const std::string whole = RawStreamObject("", rows);
  const std::string cut = whole.substr(0, whole.find("stream\r\n") + 10);  // /Length beyond the end
  EXPECT_FALSE(ReaderOver(cut).ReadXrefStream(prev));
}

TEST(Objects, GoToObjectChecksTheNumber) {
  const std::string f = "12 0 obj\n<< >>\nendobj\n";
  PdfReader r = ReaderOver(f);
  r.xrefList = {{13, 0}, {12, 0}, {14, 999}};
  EXPECT_FALSE(r.GoToObject(13));
  EXPECT_TRUE(r.GoToObject(12));
  EXPECT_EQ(r.cursor.pos, r.cursor.begin + 8);  // after the "obj" keyword
  EXPECT_FALSE(r.GoToObject(14));  // beyond the file end
  EXPECT_FALSE(r.GoToObject(15));  // not listed
}

TEST(Objects, HeadersFoundByScanningWhenOffsetsAreWrong) {
  const std::string f = "x13 0 obj 113 0 obj %\n13 0 obj<< /A 1 >>endobj 7 0 obj\n";
  PdfReader r = ReaderOver(f);
  r.xrefList = {{13, 0}};
  lw::TByteBuffer buffer;
  ASSERT_EQ(r.OpenObject(13, buffer), PdfReader::TObjectPlace::InFile);
  EXPECT_EQ(r.cursor.pos - r.cursor.begin, 30);  // just after "obj" on the second line
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

namespace {

TEST(Objects, ReconstructTakesTheNewestDefinitionAndEveryTrailer) {
  const std::string head = "7 0 ";
  const std::string body = "<< /Kind 2 >>";
  Bytes plain(head.begin(), head.end());
  plain.insert(plain.end(), body.begin(), body.end());
  const std::string f = "1 0 obj << /Kind 1 >> endobj\n7 0 obj << /Kind 0 >> endobj\ntrailer << /Root 1 0 R >>\n" +
                        StreamObject(5, "/Type /ObjStm /N 1 /First 4", plain) +
                        "1 0 obj << /Kind 3 >> endobj\ntrailer\n<< /Root 4 0 R /Encrypt 6 0 R >>\n";
  PdfReader r = ReaderOver(f);
  EXPECT_EQ(r.Reconstruct(), (std::vector<std::int32_t>{4, 1}));
  EXPECT_TRUE(r.encrypted);
  lw::TByteBuffer buffer;
  std::int32_t kind = -1;
  for (const auto &[number, expected] : {std::pair{1, 3}, std::pair{7, 2}}) {
    ASSERT_NE(r.OpenObject(number, buffer), PdfReader::TObjectPlace::Missing) << number;
    ASSERT_TRUE(r.cursor.FindKey("/Kind") && r.cursor.ReadNumber(kind)) << number;
    EXPECT_EQ(kind, expected) << number;
  }
  EXPECT_TRUE(ReaderOver("no objects here").Reconstruct().empty());
}

}  // namespace
