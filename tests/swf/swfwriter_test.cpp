// Byte-level checks of the SWF writer, plus a run of the independent reader
// over a page movie.

#include "swf/swfmovie.h"
#include "swf/swfwriter.h"
#include "support/testdirs.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>

// The independent SWF reader's interpreter, when the build found one.
#ifdef LW_PYTHON3
constexpr const char *kPython = LW_PYTHON3;
#else
constexpr const char *kPython = nullptr;
#endif

using namespace lw::swf;

namespace {

// Reads bit fields back, most significant bit first.
class BitReader {
 public:
  BitReader(const Bytes &b, size_t byteOffset) : b_(b), pos_(byteOffset * 8) {}
  std::uint32_t UB(int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i, ++pos_) v = (v << 1) | ((b_.at(pos_ / 8) >> (7 - pos_ % 8)) & 1);
    return v;
  }
  std::int32_t SB(int n) {
    if (n == 0) return 0;
    std::uint32_t v = UB(n);
    if (v & (1u << (n - 1))) v |= ~((n == 32) ? 0u : ((1u << n) - 1));
    return static_cast<std::int32_t>(v);
  }
  size_t AlignedByte() const { return (pos_ + 7) / 8; }

 private:
  const Bytes &b_;
  size_t pos_;
};

std::uint16_t U16(const Bytes &b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
std::uint32_t U32(const Bytes &b, size_t at) {
  return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (std::uint32_t(b.at(at + 3)) << 24);
}

struct Tag {
  int code;
  bool longHeader;
  Bytes body;
};

// The movie's tags up to its End tag.
std::vector<Tag> SplitTags(const Bytes &movie) {
  const MovieReader reader(movie);
  std::vector<Tag> tags;
  TagWalker walker = reader.Tags();
  for (MovieTag t; walker.Next(t);) {
    tags.push_back({t.code, t.longForm, Bytes(walker.Body(t), walker.Body(t) + t.length)});
    if (t.code == kTagEnd) break;
  }
  return tags;
}

// Offset of the first byte after the RECT that starts at `at`.
size_t SkipRect(const Bytes &b, size_t at) {
  BitReader r(b, at);
  const int n = static_cast<int>(r.UB(5));
  r.UB(4 * n);
  return r.AlignedByte();
}

Bytes SmallJpeg(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  for (int y = 0; y < h; ++y) img.setPixel(y % w, y, qRgb(200, 30, 30));
  QByteArray data;
  QBuffer buf(&data);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "JPG", 90);
  return Bytes(data.begin(), data.end());
}

}  // namespace

TEST(SwfBits, PacksFieldsMostSignificantBitFirst) {
  BitWriter w;
  w.WriteUB(0b101, 3);
  w.WriteSB(-1, 2);   // 11
  w.WriteUB(0, 1);    // 0
  w.WriteSB(-3, 4);   // 1101
  w.WriteUB(0xABCD, 16);
  // 101 11 0 11 | 01 + 1010 10 | 1111 0011 | 01 padded
  EXPECT_EQ(w.Finish(), (Bytes{0xBB, 0x6A, 0xF3, 0x40}));

  // Field widths at the sign boundaries.
  EXPECT_EQ(SignedBits(0), 0);
  EXPECT_EQ(SignedBits(-1), 1);
  EXPECT_EQ(SignedBits(65535), 17);
  EXPECT_EQ(SignedBits(-65536), 17);
}

TEST(SwfRecords, RectAndMatrixEncodings) {
  // The classic 550 x 400 pixel stage.
  Bytes rect;
  AppendRect(rect, {0, 11000, 0, 8000});
  EXPECT_EQ(rect, (Bytes{0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00}));

  Bytes identity;
  AppendMatrix(identity, Matrix{});
  EXPECT_EQ(identity, Bytes{0x00});

  Matrix m;
  m.hasScale = true;
  m.scaleX = ToFixed16(9.6);
  m.scaleY = -0x10000;
  m.hasRotate = true;
  m.rotateSkew0 = 3;
  m.rotateSkew1 = -4;
  m.translateX = 20;
  m.translateY = -700;
  Bytes enc;
  AppendMatrix(enc, m);
  BitReader r(enc, 0);
  ASSERT_EQ(r.UB(1), 1u);
  const int ns = static_cast<int>(r.UB(5));
  EXPECT_EQ(ns, SignedBits(m.scaleX));
  EXPECT_EQ(r.SB(ns), m.scaleX);
  EXPECT_EQ(r.SB(ns), -0x10000);
  ASSERT_EQ(r.UB(1), 1u);
  const int nr = static_cast<int>(r.UB(5));
  EXPECT_EQ(nr, 3);
  EXPECT_EQ(r.SB(nr), 3);
  EXPECT_EQ(r.SB(nr), -4);
  const int nt = static_cast<int>(r.UB(5));
  EXPECT_EQ(r.SB(nt), 20);
  EXPECT_EQ(r.SB(nt), -700);
  EXPECT_EQ(r.AlignedByte(), enc.size());
}

TEST(SwfRecords, TagHeadersAndSmallTags) {
  Bytes out;
  AppendTag(out, kTagShowFrame, {});
  AppendTag(out, kTagEnd, {});
  EXPECT_EQ(out, (Bytes{0x40, 0x00, 0x00, 0x00}));

  out.clear();
  AppendTag(out, kTagSetBackgroundColor, SetBackgroundColorBody(0x12, 0x34, 0x56));
  EXPECT_EQ(out, (Bytes{0x43, 0x02, 0x12, 0x34, 0x56}));

  out.clear();
  AppendTag(out, kTagDefineBitsJpeg2, Bytes{1, 2, 3}, true);
  EXPECT_EQ(out, (Bytes{0x7F, 0x05, 0x03, 0x00, 0x00, 0x00, 1, 2, 3}));

  // 62 bytes still fit the short header, 63 do not.
  out.clear();
  AppendTag(out, kTagDefineShape, Bytes(62, 0));
  EXPECT_EQ(U16(out, 0), (2 << 6) | 62);
  EXPECT_EQ(out.size(), 64u);
  out.clear();
  AppendTag(out, kTagDefineShape, Bytes(63, 0));
  EXPECT_EQ(U16(out, 0), (2 << 6) | 0x3F);
  EXPECT_EQ(U32(out, 2), 63u);

  out.clear();
  AppendTag(out, kTagFileAttributes, FileAttributesBody(kAttrActionScript3));
  EXPECT_EQ(out, (Bytes{0x44, 0x11, 0x08, 0x00, 0x00, 0x00}));

  EXPECT_EQ(PlaceObject2Body(1, 2), (Bytes{0x06, 0x01, 0x00, 0x02, 0x00, 0x00}));
  EXPECT_EQ(DefineBitsJpeg2Body(7, {0xFF, 0xD8}), (Bytes{0x07, 0x00, 0xFF, 0xD8}));
}

TEST(SwfPageMovie, LayoutOfAPageMovie) {
  PageMovie page;
  page.widthTwips = 12240;  // US Letter
  page.heightTwips = 15840;
  page.jpeg = SmallJpeg(51, 66);
  page.imageWidth = 51;
  page.imageHeight = 66;
  const Bytes movie = BuildPageMovie(page);
  ASSERT_FALSE(movie.empty());
  EXPECT_EQ(std::string(movie.begin(), movie.begin() + 3), "FWS");
  EXPECT_EQ(movie[3], 10);
  EXPECT_EQ(U32(movie, 4), movie.size());
  size_t at = SkipRect(movie, 8);
  BitReader fr(movie, 8);
  const int n = static_cast<int>(fr.UB(5));
  EXPECT_EQ(fr.SB(n), 0);
  EXPECT_EQ(fr.SB(n), 12240);
  EXPECT_EQ(fr.SB(n), 0);
  EXPECT_EQ(fr.SB(n), 15840);
  EXPECT_EQ(U16(movie, at), 12 << 8);  // frame rate
  EXPECT_EQ(U16(movie, at + 2), 1);    // frame count
  const auto tags = SplitTags(movie);
  std::vector<int> codes;
  for (const auto &t : tags) codes.push_back(t.code);
  EXPECT_EQ(codes, (std::vector<int>{kTagFileAttributes, kTagSetBackgroundColor, kTagDefineBitsJpeg2,
                                     kTagDefineShape, kTagPlaceObject2, kTagShowFrame, kTagEnd}));
  ASSERT_EQ(tags.size(), 7u);
  EXPECT_EQ(tags[0].body, (Bytes{0x08, 0, 0, 0}));
  EXPECT_EQ(tags[1].body, (Bytes{0xFF, 0xFF, 0xFF}));
  EXPECT_TRUE(tags[2].longHeader);
  EXPECT_EQ(U16(tags[2].body, 0), 1);
  EXPECT_EQ(Bytes(tags[2].body.begin() + 2, tags[2].body.end()), page.jpeg);
  EXPECT_EQ(tags[3].body, DefineBitmapShapeBody(2, 1, {0, 12240, 0, 15840}, [] {
              Matrix m;
              m.hasScale = true;
              m.scaleX = ToFixed16(12240.0 / 51);
              m.scaleY = ToFixed16(15840.0 / 66);
              return m;
            }()));
  EXPECT_EQ(tags[4].body, PlaceObject2Body(1, 2));
  // Nothing after End.
  size_t total = at + 4;
  for (const auto &t : tags) total += (t.longHeader ? 6 : 2) + t.body.size();
  EXPECT_EQ(total, movie.size());
}

TEST(SwfPageMovie, OutOfRangeValuesAreRefusedOrSaturated) {
  PageMovie page;
  page.widthTwips = 200000;
  page.heightTwips = 70000;
  page.jpeg = SmallJpeg(8, 8);
  page.imageWidth = 8;  // 25000 twips per pixel: no 31-bit fixed-point field holds it
  page.imageHeight = 8;
  EXPECT_TRUE(BuildPageMovie(page).empty());
  page.imageWidth = 0;
  EXPECT_TRUE(BuildPageMovie(page).empty());
  page.imageWidth = 16;
  page.jpeg = {0x89, 'P', 'N', 'G'};
  EXPECT_TRUE(BuildPageMovie(page).empty());

  Bytes rect;
  AppendRect(rect, {INT32_MIN, INT32_MAX, 0, 0});
  BitReader r(rect, 0);
  const int n = static_cast<int>(r.UB(5));
  EXPECT_EQ(n, 31);
  EXPECT_EQ(r.SB(n), -0x40000000);
  EXPECT_EQ(r.SB(n), 0x3FFFFFFF);
}

TEST(SwfPageMovie, CompressedMovieInflatesToTheSameBody) {
  PageMovie page;
  page.widthTwips = 4000;
  page.heightTwips = 3000;
  page.jpeg = SmallJpeg(40, 30);
  page.imageWidth = 40;
  page.imageHeight = 30;
  const Bytes plain = BuildPageMovie(page);
  page.compress = true;
  const Bytes packed = BuildPageMovie(page);
  ASSERT_FALSE(plain.empty());
  ASSERT_FALSE(packed.empty());
  EXPECT_EQ(std::string(packed.begin(), packed.begin() + 3), "CWS");
  EXPECT_EQ(U32(packed, 4), plain.size());
  Bytes inflated(plain.size() - 8);
  uLongf size = inflated.size();
  ASSERT_EQ(uncompress(inflated.data(), &size, packed.data() + 8, packed.size() - 8), Z_OK);
  EXPECT_EQ(size, inflated.size());
  EXPECT_EQ(inflated, Bytes(plain.begin() + 8, plain.end()));
}

TEST(SwfPageMovie, IndependentReaderAcceptsPlainAndCompressedMovies) {
  if (!kPython) GTEST_SKIP() << "Debian's python3 with yaswfp is needed for the independent reader";
  lwtest::TempDir dir;
  PageMovie page;
  page.widthTwips = 11906;  // A4
  page.heightTwips = 16838;
  page.jpeg = SmallJpeg(124, 175);
  page.imageWidth = 124;
  page.imageHeight = 175;
  const Bytes plain = BuildPageMovie(page);
  page.compress = true;
  const Bytes packed = BuildPageMovie(page);
  ASSERT_TRUE(lwtest::WriteFile(dir.file("plain.swf"), QByteArray(reinterpret_cast<const char *>(plain.data()), plain.size())));
  ASSERT_TRUE(lwtest::WriteFile(dir.file("packed.swf"), QByteArray(reinterpret_cast<const char *>(packed.data()), packed.size())));
  QProcess py;
  py.setProcessChannelMode(QProcess::MergedChannels);
  py.start(kPython, {QStringLiteral(LW_SOURCE_DIR "/tests/swf/check_swf.py"), "--width", "11906",
                        "--height", "16838", "--image", "124x175", dir.file("plain.swf"),
                        dir.file("packed.swf")});
  ASSERT_TRUE(py.waitForFinished(60000));
  EXPECT_EQ(py.exitCode(), 0) << py.readAll().toStdString();

  // Sides longer than one edge record holds are split; the outline stays closed.
  page.widthTwips = 200000;
  page.heightTwips = 70000;
  page.jpeg = SmallJpeg(16, 16);
  page.imageWidth = page.imageHeight = 16;
  const Bytes huge = BuildPageMovie(page);
  ASSERT_TRUE(lwtest::WriteFile(dir.file("huge.swf"), QByteArray(reinterpret_cast<const char *>(huge.data()), huge.size())));
  py.start(kPython, {QStringLiteral(LW_SOURCE_DIR "/tests/swf/check_swf.py"), "--width", "200000",
                        "--height", "70000", dir.file("huge.swf")});
  ASSERT_TRUE(py.waitForFinished(60000));
  EXPECT_EQ(py.exitCode(), 0) << py.readAll().toStdString();
}
