// Inflating, PNG row filters and big-endian fields.
#include "pdf/streamdecode.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Compress(const Bytes &plain) {
  uLongf size = compressBound(plain.size());
  Bytes out(size);
  compress(out.data(), &size, plain.data(), plain.size());
  out.resize(size);
  return out;
}

Bytes Unfilter(Bytes rows, std::int32_t columns) {
  rows.resize(lw::UndoPngPredictor(rows.data(), std::int32_t(rows.size()), columns));
  return rows;
}

TEST(PngPredictor, ReconstructsEachFilterType) {
  EXPECT_EQ(Unfilter({2, 1, 2, 3, 2, 1, 1, 1}, 3), (Bytes{1, 2, 3, 2, 3, 4}));  // Up
  EXPECT_EQ(Unfilter({1, 5, 1, 1}, 3), (Bytes{5, 6, 7}));                       // Sub
  EXPECT_EQ(Unfilter({3, 4, 4}, 2), (Bytes{4, 6}));                             // Average
  EXPECT_EQ(Unfilter({4, 200, 0}, 2), (Bytes{200, 200}));                       // Paeth, first row
  EXPECT_EQ(Unfilter({0, 9, 9, 4, 1, 0}, 2), (Bytes{9, 9, 10, 10}));            // Paeth adds above
  // Average over a + b = 300 takes 150, not the 8-bit wrapped 22.
  EXPECT_EQ(Unfilter({0, 200, 200, 3, 0, 0}, 2), (Bytes{200, 200, 100, 150}));
}

TEST(PngPredictor, UnknownTypesAndShortRows) {
  EXPECT_EQ(Unfilter({5, 7, 8, 255, 1, 2}, 2), (Bytes{7, 8, 1, 2}));
  Bytes thirteen(13, 0);  // rows of 6: 6 + 6 + a lone type byte
  EXPECT_EQ(lw::UndoPngPredictor(thirteen.data(), 13, 5), 10);
  EXPECT_EQ(Unfilter({2, 1, 2, 3, 2, 1}, 3), (Bytes{1, 2, 3, 2}));  // short last row
  Bytes wide = {1, 1, 2, 3, 4};  // Sub over two bytes a pixel
  wide.resize(std::size_t(lw::UndoPngPredictor(wide.data(), 5, 4, 2)));
  EXPECT_EQ(wide, (Bytes{1, 2, 4, 6}));
}

TEST(PngPredictor, PaethPicksTheNearestNeighbour) {
  EXPECT_EQ(lw::PaethPredictor(10, 20, 30), 10);
  EXPECT_EQ(lw::PaethPredictor(200, 0, 0), 200);
  EXPECT_EQ(lw::PaethPredictor(0, 200, 0), 200);
  EXPECT_EQ(lw::PaethPredictor(100, 50, 120), 50);  // p = 30: above is nearest
  EXPECT_EQ(lw::PaethPredictor(50, 100, 40), 100);  // p = 110
  EXPECT_EQ(lw::PaethPredictor(10, 12, 11), 11);    // p = 11: upper left is exact
  EXPECT_EQ(lw::PaethPredictor(0, 0, 255), 0);
}

TEST(BigEndianField, ReadsOneToFourBytes) {
  const std::uint8_t b[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(lw::ReadBigEndianField(b, 1), 1u);
  EXPECT_EQ(lw::ReadBigEndianField(b, 2), 258u);
  EXPECT_EQ(lw::ReadBigEndianField(b, 3), 66051u);
  EXPECT_EQ(lw::ReadBigEndianField(b, 4), 16909060u);
  EXPECT_EQ(lw::ReadBigEndianField(b, 5), 0x0102030405u);
  EXPECT_EQ(lw::ReadBigEndianField(b, 0), 0u);
  EXPECT_EQ(lw::ReadBigEndianField(b, 9), 0u);
  const std::uint8_t high[] = {0xff, 0xff, 0xff, 0xff};
  EXPECT_EQ(lw::ReadBigEndianField(high, 4), 0xffffffffu);
}

TEST(TiffPredictor, AddsTheSampleToTheLeftWithinEachRow) {
  Bytes rows = {1, 1, 1, 10, 250, 10, 7};  // rows of 3, one byte a pixel; a short last row
  lw::UndoTiffPredictor(rows.data(), rows.size(), 3, 1);
  EXPECT_EQ(rows, (Bytes{1, 2, 3, 10, 4, 14, 7}));
  Bytes pairs = {1, 2, 1, 1};  // two bytes a pixel
  lw::UndoTiffPredictor(pairs.data(), pairs.size(), 4, 2);
  EXPECT_EQ(pairs, (Bytes{1, 2, 2, 3}));
}

TEST(Inflate, LengthBoundsAndTrailingBytes) {
  Bytes plain(5000);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = std::uint8_t(i * 7 % 251);
  Bytes packed = Compress(plain);
  const auto n = std::int32_t(packed.size());
  packed.insert(packed.end(), {'e', 'n', 'd', 's', 't', 'r', 'e', 'a', 'm'});
  lw::TByteBuffer out;
  ASSERT_TRUE(lw::InflateBuffer(packed.data(), packed.size(), n, out));
  EXPECT_EQ(Bytes(out.begin(), out.end()), plain);
  ASSERT_TRUE(lw::InflateBuffer(packed.data(), packed.size(), n + 9, out));  // longer: fine
  EXPECT_EQ(Bytes(out.begin(), out.end()), plain);
  EXPECT_TRUE(lw::InflateBuffer(packed.data(), packed.size(), 1 << 30, out));  // cut at the data end
  EXPECT_FALSE(lw::InflateBuffer(packed.data(), packed.size(), n - 1, out));   // stops short
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(lw::InflateBuffer(packed.data(), std::size_t(n - 4), n, out));  // data ends early
  EXPECT_FALSE(lw::InflateBuffer(packed.data(), packed.size(), -1, out));
}

TEST(Inflate, RejectsDamageAndBombs) {
  Bytes packed = Compress(Bytes(1 << 20, 0));
  lw::TByteBuffer out;
  EXPECT_FALSE(lw::InflateBuffer(packed.data(), packed.size(), std::int32_t(packed.size()), out, 1 << 16));
  EXPECT_TRUE(lw::InflateBuffer(packed.data(), packed.size(), std::int32_t(packed.size()), out, 1 << 20));
  EXPECT_EQ(out.size(), std::size_t(1 << 20));
  packed[packed.size() / 2] ^= 0x5a;  // the Adler-32 check or the codes break
  packed[packed.size() - 1] ^= 0x01;
  EXPECT_FALSE(lw::InflateBuffer(packed.data(), packed.size(), std::int32_t(packed.size()), out));
  const std::string raw = "<< /Length 5 >>";  // not a zlib stream at all
  EXPECT_FALSE(lw::InflateBuffer(reinterpret_cast<const std::uint8_t *>(raw.data()), raw.size(), 15, out));
}

}  // namespace
