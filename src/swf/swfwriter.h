// A small writer for SWF movies: bit packing, the records (RECT, MATRIX),
// tag framing and the handful of tags a page movie needs. Everything works
// on bytes in memory; nothing here touches files.
//
// Page movie layout written by BuildPageMovie:
//   header ("FWS" or "CWS", version, length, frame size, rate, 1 frame)
//   FileAttributes, SetBackgroundColor, DefineBitsJPEG2 (id 1),
//   DefineShape (id 2: a stage-sized rectangle filled with bitmap 1, clipped,
//   scaled from image pixels to the stage), PlaceObject2 (depth 1), ShowFrame,
//   End.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lw::swf {

using Bytes = std::vector<std::uint8_t>;

// Tag codes used here.
inline constexpr int kTagEnd = 0;
inline constexpr int kTagShowFrame = 1;
inline constexpr int kTagDefineShape = 2;
inline constexpr int kTagSetBackgroundColor = 9;
inline constexpr int kTagDefineBitsJpeg2 = 21;
inline constexpr int kTagPlaceObject2 = 26;
inline constexpr int kTagFileAttributes = 69;
// Tags of vector page movies (swfvector.h) and those the checker knows.
inline constexpr int kTagDefineText = 11;
inline constexpr int kTagDefineBitsLossless = 20;
inline constexpr int kTagDefineShape2 = 22;
inline constexpr int kTagDefineShape3 = 32;
inline constexpr int kTagDefineText2 = 33;
inline constexpr int kTagDefineBitsJpeg3 = 35;
inline constexpr int kTagDefineBitsLossless2 = 36;
inline constexpr int kTagDefineSprite = 39;
inline constexpr int kTagPlaceObject3 = 70;
inline constexpr int kTagDefineFont2 = 48;
inline constexpr int kTagDefineFont3 = 75;
inline constexpr int kTagDefineShape4 = 83;

// FileAttributes flag bits (in the first byte of the 32-bit field).
inline constexpr std::uint32_t kAttrUseNetwork = 0x01;
inline constexpr std::uint32_t kAttrActionScript3 = 0x08;
inline constexpr std::uint32_t kAttrHasMetadata = 0x10;

// Packs bit fields most significant bit first, as every SWF bit record is.
class BitWriter {
 public:
  // Appends the low `bits` bits of `value` (0..32 bits).
  void WriteUB(std::uint32_t value, int bits);
  // Appends `value` as a two's-complement field of `bits` bits (0..32).
  void WriteSB(std::int32_t value, int bits);
  // Pads with zero bits up to the next byte boundary.
  void Align();
  // Aligns, then appends whole bytes.
  void AppendBytes(const Bytes &bytes);
  // The bytes written so far, the last one zero-padded. Aligns first.
  const Bytes &Finish();

 private:
  Bytes out_;
  int used_ = 0;  // bits used in the last byte; 0 = no partial byte
};

// Smallest width of a signed bit field that holds `value`, sign bit
// included; 0 for 0 (a zero-width field reads as 0).
int SignedBits(std::int32_t value);
// Smallest field width that holds `value` unsigned (0 for 0).
int UnsignedBits(std::uint32_t value);

// Rectangle in twips; each value must fit a 31-bit signed field.
struct Rect {
  std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

// 2-D matrix; scale and rotate/skew are 16.16 fixed point, translation in
// twips. A part whose flag is false is left out of the record.
struct Matrix {
  bool hasScale = false;
  std::int32_t scaleX = 0x10000, scaleY = 0x10000;
  bool hasRotate = false;
  std::int32_t rotateSkew0 = 0, rotateSkew1 = 0;
  std::int32_t translateX = 0, translateY = 0;
};

// 16.16 fixed-point value nearest to `value` (saturated to the int32 range).
std::int32_t ToFixed16(double value);

// Appends a byte-aligned RECT / MATRIX record. Bit fields are at most 31
// bits wide, so values are saturated to -0x40000000..0x3FFFFFFF.
void AppendRect(Bytes &out, const Rect &rect);
void AppendMatrix(Bytes &out, const Matrix &matrix);

// Little-endian integers.
void AppendU16(Bytes &out, std::uint16_t value);
void AppendU32(Bytes &out, std::uint32_t value);

// Appends the record header of a tag whose body of `length` bytes follows:
// short when `length` is below 63 and `forceLong` is false, else long.
void AppendTagHeader(Bytes &out, int code, std::size_t length, bool forceLong = false);

// Appends a tag: a short record header when `body` has fewer than 63 bytes
// and `forceLong` is false, else the long header with a 32-bit length.
void AppendTag(Bytes &out, int code, const Bytes &body, bool forceLong = false);

// Tag bodies.
Bytes FileAttributesBody(std::uint32_t flags);
Bytes SetBackgroundColorBody(std::uint8_t r, std::uint8_t g, std::uint8_t b);
// `jpeg` is a complete JPEG stream beginning with its SOI marker.
Bytes DefineBitsJpeg2Body(std::uint16_t characterId, const Bytes &jpeg);
// A rectangle `bounds` filled with bitmap `bitmapId` as a clipped, smoothed
// bitmap fill placed by `fill`, no outline.
Bytes DefineBitmapShapeBody(std::uint16_t shapeId, std::uint16_t bitmapId, const Rect &bounds,
                            const Matrix &fill);
// Places `characterId` at `depth` with the identity matrix.
Bytes PlaceObject2Body(std::uint16_t depth, std::uint16_t characterId);

struct MovieHeader {
  int version = 10;
  Rect frameSize;
  std::uint16_t frameRate88 = 12 << 8;  // 8.8 fixed point frames per second
  std::uint16_t frameCount = 1;
  bool compress = false;  // "CWS" with the body zlib-compressed
};

// Header + `tags` (which must end with an End tag). Returns an empty vector
// when compression fails or the movie would exceed the 32-bit length field.
Bytes AssembleMovie(const MovieHeader &header, const Bytes &tags);

// One page as a movie: the stage is widthTwips x heightTwips and shows the
// JPEG image (imageWidth x imageHeight pixels) stretched over all of it.
struct PageMovie {
  std::int32_t widthTwips = 0;
  std::int32_t heightTwips = 0;
  Bytes jpeg;
  int imageWidth = 0;
  int imageHeight = 0;
  std::uint32_t backgroundRgb = 0xFFFFFF;  // 0xRRGGBB
  int version = 10;
  bool actionScript3 = true;
  bool compress = false;
};

// The whole movie file. Returns an empty vector for unusable input: a
// non-positive stage or image size, a stage above 0x3FFFFFFF twips, more
// than 16383 twips per image pixel, a JPEG without its SOI marker, or a
// failure of AssembleMovie.
Bytes BuildPageMovie(const PageMovie &page);

}  // namespace lw::swf
