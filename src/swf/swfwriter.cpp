#include "swf/swfwriter.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace lw::swf {

void BitWriter::WriteUB(std::uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    if (used_ == 0) out_.push_back(0);
    if ((value >> i) & 1u) out_.back() |= static_cast<std::uint8_t>(0x80u >> used_);
    used_ = (used_ + 1) % 8;
  }
}

void BitWriter::WriteSB(std::int32_t value, int bits) {
  WriteUB(static_cast<std::uint32_t>(value), bits);
}

void BitWriter::Align() { used_ = 0; }

void BitWriter::AppendBytes(const Bytes &bytes) {
  Align();
  out_.insert(out_.end(), bytes.begin(), bytes.end());
}

const Bytes &BitWriter::Finish() {
  Align();
  return out_;
}

int SignedBits(std::int32_t value) {
  if (value == 0) return 0;
  // Bits of the magnitude (for negatives, of ~value) plus the sign bit.
  const std::uint32_t magnitude =
      value < 0 ? ~static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  return UnsignedBits(magnitude) + 1;
}

int UnsignedBits(std::uint32_t value) {
  int bits = 0;
  while (value != 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

std::int32_t ToFixed16(double value) {
  const double scaled = std::round(value * 65536.0);
  if (!(scaled == scaled)) return 0;
  if (scaled >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  if (scaled <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(scaled);
}

namespace {

// Bit fields are at most 31 bits wide (their widths are 5-bit numbers).
constexpr std::int32_t kFieldMax = 0x3FFFFFFF;
constexpr std::int32_t kFieldMin = -0x40000000;

std::int32_t Saturate(std::int32_t v) { return std::clamp(v, kFieldMin, kFieldMax); }

int WidthOf(std::initializer_list<std::int32_t> values) {
  int bits = 0;
  for (const std::int32_t v : values) bits = std::max(bits, SignedBits(Saturate(v)));
  return bits;
}

void Append(Bytes &out, const Bytes &more) { out.insert(out.end(), more.begin(), more.end()); }

}  // namespace

void AppendRect(Bytes &out, const Rect &rect) {
  BitWriter bits;
  const int n = WidthOf({rect.xMin, rect.xMax, rect.yMin, rect.yMax});
  bits.WriteUB(static_cast<std::uint32_t>(n), 5);
  bits.WriteSB(Saturate(rect.xMin), n);
  bits.WriteSB(Saturate(rect.xMax), n);
  bits.WriteSB(Saturate(rect.yMin), n);
  bits.WriteSB(Saturate(rect.yMax), n);
  Append(out, bits.Finish());
}

void AppendMatrix(Bytes &out, const Matrix &m) {
  BitWriter bits;
  bits.WriteUB(m.hasScale ? 1 : 0, 1);
  if (m.hasScale) {
    const int n = WidthOf({m.scaleX, m.scaleY});
    bits.WriteUB(static_cast<std::uint32_t>(n), 5);
    bits.WriteSB(Saturate(m.scaleX), n);
    bits.WriteSB(Saturate(m.scaleY), n);
  }
  bits.WriteUB(m.hasRotate ? 1 : 0, 1);
  if (m.hasRotate) {
    const int n = WidthOf({m.rotateSkew0, m.rotateSkew1});
    bits.WriteUB(static_cast<std::uint32_t>(n), 5);
    bits.WriteSB(Saturate(m.rotateSkew0), n);
    bits.WriteSB(Saturate(m.rotateSkew1), n);
  }
  const int n = WidthOf({m.translateX, m.translateY});
  bits.WriteUB(static_cast<std::uint32_t>(n), 5);
  bits.WriteSB(Saturate(m.translateX), n);
  bits.WriteSB(Saturate(m.translateY), n);
  Append(out, bits.Finish());
}

void AppendU16(Bytes &out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendU32(Bytes &out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendTagHeader(Bytes &out, int code, std::size_t length, bool forceLong) {
  const auto codeBits = static_cast<std::uint16_t>((code & 0x3FF) << 6);
  if (length < 0x3F && !forceLong) {
    AppendU16(out, static_cast<std::uint16_t>(codeBits | length));
  } else {
    AppendU16(out, static_cast<std::uint16_t>(codeBits | 0x3F));
    AppendU32(out, static_cast<std::uint32_t>(length));
  }
}

void AppendTag(Bytes &out, int code, const Bytes &body, bool forceLong) {
  AppendTagHeader(out, code, body.size(), forceLong);
  Append(out, body);
}

Bytes FileAttributesBody(std::uint32_t flags) {
  Bytes body;
  AppendU32(body, flags);
  return body;
}

Bytes SetBackgroundColorBody(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {r, g, b}; }

Bytes DefineBitsJpeg2Body(std::uint16_t characterId, const Bytes &jpeg) {
  Bytes body;
  body.reserve(jpeg.size() + 2);
  AppendU16(body, characterId);
  Append(body, jpeg);
  return body;
}

Bytes DefineBitmapShapeBody(std::uint16_t shapeId, std::uint16_t bitmapId, const Rect &bounds,
                            const Matrix &fill) {
  Bytes body;
  AppendU16(body, shapeId);
  AppendRect(body, bounds);
  // FILLSTYLEARRAY: one clipped (smoothed) bitmap fill.
  body.push_back(1);
  body.push_back(0x41);
  AppendU16(body, bitmapId);
  AppendMatrix(body, fill);
  // LINESTYLEARRAY: none.
  body.push_back(0);

  BitWriter bits;
  bits.WriteUB(1, 4);  // NumFillBits
  bits.WriteUB(0, 4);  // NumLineBits
  // Style change: move to the top-left corner and select fill 1 on the right
  // of the edges, which run clockwise on screen (y grows downwards).
  // At least one bit: some readers mishandle zero-width signed fields.
  const int moveBits = std::max(1, WidthOf({bounds.xMin, bounds.yMin}));
  bits.WriteUB(0, 1);  // non-edge record
  bits.WriteUB(0, 1);  // StateNewStyles
  bits.WriteUB(0, 1);  // StateLineStyle
  bits.WriteUB(1, 1);  // StateFillStyle1
  bits.WriteUB(0, 1);  // StateFillStyle0
  bits.WriteUB(1, 1);  // StateMoveTo
  bits.WriteUB(static_cast<std::uint32_t>(moveBits), 5);
  bits.WriteSB(bounds.xMin, moveBits);
  bits.WriteSB(bounds.yMin, moveBits);
  bits.WriteUB(1, 1);  // FillStyle1 = 1
  // Four straight edges: right, down, left, up.
  const std::int32_t w = bounds.xMax - bounds.xMin;
  const std::int32_t h = bounds.yMax - bounds.yMin;
  const struct {
    bool vertical;
    std::int32_t delta;
  } edges[] = {{false, w}, {true, h}, {false, -w}, {true, -h}};
  // An edge delta has at most 17 bits, so long sides are split.
  constexpr std::int32_t kMaxDelta = 65535;
  for (const auto &e : edges) {
    std::int32_t left = e.delta;
    while (left != 0) {
      const std::int32_t step = std::clamp(left, -kMaxDelta, kMaxDelta);
      left -= step;
      const int n = std::max(2, SignedBits(step));
      bits.WriteUB(1, 1);  // edge record
      bits.WriteUB(1, 1);  // straight
      bits.WriteUB(static_cast<std::uint32_t>(n - 2), 4);
      bits.WriteUB(0, 1);  // not a general line
      bits.WriteUB(e.vertical ? 1 : 0, 1);
      bits.WriteSB(step, n);
    }
  }
  bits.WriteUB(0, 6);  // end of shape
  Append(body, bits.Finish());
  return body;
}

Bytes PlaceObject2Body(std::uint16_t depth, std::uint16_t characterId) {
  Bytes body;
  body.push_back(0x06);  // PlaceFlagHasMatrix | PlaceFlagHasCharacter
  AppendU16(body, depth);
  AppendU16(body, characterId);
  AppendMatrix(body, Matrix{});
  return body;
}

namespace {

// Header fields up to the frame count, with the length field still zero.
Bytes MovieStart(const MovieHeader &header, std::size_t reserve) {
  Bytes out;
  out.reserve(reserve);
  out.push_back(header.compress ? 'C' : 'F');
  out.push_back('W');
  out.push_back('S');
  out.push_back(static_cast<std::uint8_t>(header.version));
  AppendU32(out, 0);
  AppendRect(out, header.frameSize);
  AppendU16(out, header.frameRate88);
  AppendU16(out, header.frameCount);
  return out;
}

// Sets the length field and compresses the body when asked to.
Bytes MovieFinish(const MovieHeader &header, Bytes out) {
  if (out.size() > 0xFFFFFFFFull) return {};
  const auto total = static_cast<std::uint32_t>(out.size());
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(total >> (8 * i));
  if (!header.compress) return out;
  uLongf packedSize = compressBound(static_cast<uLong>(out.size() - 8));
  Bytes packed(8 + packedSize);
  std::copy(out.begin(), out.begin() + 8, packed.begin());
  if (compress2(packed.data() + 8, &packedSize, out.data() + 8, static_cast<uLong>(out.size() - 8),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    return {};
  packed.resize(8 + packedSize);
  return packed;
}

}  // namespace

Bytes AssembleMovie(const MovieHeader &header, const Bytes &tags) {
  Bytes out = MovieStart(header, tags.size() + 32);
  Append(out, tags);
  return MovieFinish(header, std::move(out));
}

Bytes BuildPageMovie(const PageMovie &page) {
  constexpr std::int32_t kMaxTwips = 0x3FFFFFFF;
  if (page.widthTwips <= 0 || page.heightTwips <= 0 || page.widthTwips > kMaxTwips ||
      page.heightTwips > kMaxTwips || page.imageWidth <= 0 || page.imageHeight <= 0)
    return {};
  if (page.jpeg.size() < 4 || page.jpeg[0] != 0xFF || page.jpeg[1] != 0xD8) return {};

  const Rect stage{0, page.widthTwips, 0, page.heightTwips};
  Matrix fill;
  fill.hasScale = true;
  fill.scaleX = ToFixed16(static_cast<double>(page.widthTwips) / page.imageWidth);
  fill.scaleY = ToFixed16(static_cast<double>(page.heightTwips) / page.imageHeight);
  if (fill.scaleX > kFieldMax || fill.scaleY > kFieldMax) return {};

  MovieHeader header;
  header.version = page.version;
  header.frameSize = stage;
  header.compress = page.compress;
  // The bitmap is most of the movie: it is copied once, straight into place.
  Bytes out = MovieStart(header, page.jpeg.size() + 128);
  AppendTag(out, kTagFileAttributes,
            FileAttributesBody(page.actionScript3 ? kAttrActionScript3 : 0));
  AppendTag(out, kTagSetBackgroundColor,
            SetBackgroundColorBody(static_cast<std::uint8_t>(page.backgroundRgb >> 16),
                                   static_cast<std::uint8_t>(page.backgroundRgb >> 8),
                                   static_cast<std::uint8_t>(page.backgroundRgb)));
  AppendTagHeader(out, kTagDefineBitsJpeg2, page.jpeg.size() + 2, true);
  AppendU16(out, 1);
  Append(out, page.jpeg);
  AppendTag(out, kTagDefineShape, DefineBitmapShapeBody(2, 1, stage, fill));
  AppendTag(out, kTagPlaceObject2, PlaceObject2Body(1, 2));
  AppendTag(out, kTagShowFrame, {});
  AppendTag(out, kTagEnd, {});
  return MovieFinish(header, std::move(out));
}

}  // namespace lw::swf
