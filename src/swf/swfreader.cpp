#include "swf/swfreader.h"

#include <zlib.h>

#include <cstring>

namespace lw::swf {
namespace {

constexpr std::size_t kHeaderBytes = 8;  // signature, version, file length
constexpr std::uint32_t kMaxMovieBytes = 512u * 1024 * 1024;
constexpr int kTagMetadata = 77;

std::uint32_t readU32(const Bytes &b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The RECT at `at`; stores its end in `end`. False when truncated.
bool readRect(const Bytes &b, std::size_t at, Rect &rect, std::size_t &end) {
  if (at >= b.size()) return false;
  const int bits = b[at] >> 3;
  const std::size_t total = 5 + 4 * static_cast<std::size_t>(bits);
  end = at + (total + 7) / 8;
  if (end > b.size()) return false;
  std::size_t pos = 5;
  auto field = [&] {
    std::int64_t v = 0;
    for (int i = 0; i < bits; ++i, ++pos) v = (v << 1) | ((b[at + pos / 8] >> (7 - pos % 8)) & 1);
    if (bits > 0 && (v >> (bits - 1)) & 1) v -= std::int64_t{1} << bits;
    return static_cast<std::int32_t>(v);
  };
  rect.xMin = field();
  rect.xMax = field();
  rect.yMin = field();
  rect.yMax = field();
  return true;
}

}  // namespace

Bytes UncompressedMovie(const Bytes &movie) {
  if (movie.size() < kHeaderBytes || movie[1] != 'W' || movie[2] != 'S') return {};
  const std::uint32_t length = readU32(movie, 4);
  if (movie[0] == 'F') return movie;
  if (movie[0] != 'C' || length < kHeaderBytes || length > kMaxMovieBytes) return {};
  Bytes out(length);
  std::memcpy(out.data(), movie.data(), kHeaderBytes);
  out[0] = 'F';
  uLongf outLen = length - kHeaderBytes;
  const int rc = ::uncompress(out.data() + kHeaderBytes, &outLen, movie.data() + kHeaderBytes,
                              static_cast<uLong>(movie.size() - kHeaderBytes));
  // A movie whose stated length is larger than its body still inflates in
  // full (Z_BUF_ERROR only when it is smaller); keep what came out.
  if (rc != Z_OK) return {};
  out.resize(kHeaderBytes + outLen);
  return out;
}

std::optional<std::pair<std::int32_t, std::int32_t>> MovieStageSize(const Bytes &movie) {
  const Bytes b = UncompressedMovie(movie);
  Rect stage;
  std::size_t end = 0;
  if (b.empty() || !readRect(b, kHeaderBytes, stage, end)) return std::nullopt;
  const std::int32_t w = stage.xMax - stage.xMin, h = stage.yMax - stage.yMin;
  if (w <= 0 || h <= 0) return std::nullopt;
  return std::make_pair(w, h);
}

std::optional<PageBitmap> ExtractPageBitmap(const Bytes &movie) {
  const Bytes b = UncompressedMovie(movie);
  if (b.empty()) return std::nullopt;
  Rect stage;
  std::size_t pos = 0;
  if (!readRect(b, kHeaderBytes, stage, pos)) return std::nullopt;
  pos += 4;  // frame rate, frame count
  PageBitmap page;
  page.stageWidthTwips = stage.xMax - stage.xMin;
  page.stageHeightTwips = stage.yMax - stage.yMin;
  if (page.stageWidthTwips <= 0 || page.stageHeightTwips <= 0) return std::nullopt;

  int bitmaps = 0, shapes = 0;
  bool ended = false;
  while (!ended) {
    if (pos + 2 > b.size()) return std::nullopt;
    const std::uint16_t head = static_cast<std::uint16_t>(b[pos] | (b[pos + 1] << 8));
    pos += 2;
    const int code = head >> 6;
    std::size_t length = head & 0x3F;
    if (length == 0x3F) {
      if (pos + 4 > b.size()) return std::nullopt;
      length = readU32(b, pos);
      pos += 4;
    }
    if (length > b.size() - pos) return std::nullopt;
    switch (code) {
      case kTagEnd:
        ended = true;
        break;
      case kTagShowFrame:
      case kTagFileAttributes:
      case kTagMetadata:
      case kTagSetBackgroundColor:
      case kTagPlaceObject2:
        break;
      case kTagDefineShape:
        ++shapes;
        break;
      case kTagDefineBitsJpeg2: {
        ++bitmaps;
        if (length < 2) return std::nullopt;
        std::size_t from = pos + 2;
        const std::size_t to = pos + length;
        if (to - from >= 4 && b[from] == 0xFF && b[from + 1] == 0xD9 && b[from + 2] == 0xFF &&
            b[from + 3] == 0xD8)
          from += 4;
        if (to - from < 2 || b[from] != 0xFF || b[from + 1] != 0xD8) return std::nullopt;
        page.jpeg.assign(b.begin() + static_cast<std::ptrdiff_t>(from),
                         b.begin() + static_cast<std::ptrdiff_t>(to));
        break;
      }
      default:
        return std::nullopt;  // anything drawn otherwise is not a plain bitmap page
    }
    pos += length;
  }
  if (bitmaps != 1 || shapes != 1) return std::nullopt;
  return page;
}

}  // namespace lw::swf
