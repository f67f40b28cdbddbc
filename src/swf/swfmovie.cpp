#include "swf/swfmovie.h"

#include <zlib.h>

#include <cstring>

namespace lw::swf {
namespace {

constexpr std::size_t kHeaderBytes = 8;  // signature, version, file length

std::uint16_t readU16(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t readU32(const std::uint8_t *p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The RECT at `at`; stores the offset after it in `end`. False when it runs
// past `size`.
bool readRect(const std::uint8_t *b, std::size_t size, std::size_t at, Rect &rect, std::size_t &end) {
  if (at >= size) return false;
  const int bits = b[at] >> 3;
  const std::size_t total = 5 + 4 * static_cast<std::size_t>(bits);
  end = at + (total + 7) / 8;
  if (end > size) return false;
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

const char *MovieFaultText(MovieFault fault) {
  switch (fault) {
    case MovieFault::None: return "";
    case MovieFault::TooShort: return "shorter than a movie header";
    case MovieFault::NotAMovie: return "not a movie";
    case MovieFault::LzmaRefused: return "an LZMA-compressed movie";
    case MovieFault::LengthTooSmall: return "file length field too small";
    case MovieFault::LengthTooLarge: return "file length field too large";
    case MovieFault::DoesNotInflate: return "compressed body does not inflate to the file length";
    case MovieFault::WrongLength: return "file length field is not the movie's length";
    case MovieFault::FrameCut: return "the stage, frame rate or frame count run past the end";
  }
  return "";
}

bool TagWalker::Next(MovieTag &tag) {
  tag = MovieTag{};
  if (at_ == size_) return false;
  if (size_ - at_ < 2) {
    fault_ = TagFault::HeadCut;
    return false;
  }
  const std::uint16_t head = readU16(data_ + at_);
  tag.code = head >> 6;
  std::size_t pos = at_ + 2;
  tag.length = head & 0x3F;
  if (tag.length == 0x3F) {
    if (size_ - pos < 4) {
      fault_ = TagFault::HeadCut;
      return false;
    }
    tag.length = readU32(data_ + pos);
    tag.longForm = true;
    pos += 4;
  }
  tag.offset = pos;
  if (tag.length > size_ - pos) {
    fault_ = TagFault::BodyCut;
    return false;
  }
  at_ = pos + tag.length;
  return true;
}

MovieReader::MovieReader(const Bytes &movie, const MovieReadOptions &options) {
  fault_ = Read(movie, options);
  if (fault_ != MovieFault::None) {
    inflated_.clear();
    data_ = nullptr;
    size_ = tagsAt_ = 0;
  }
}

MovieFault MovieReader::Read(const Bytes &movie, const MovieReadOptions &options) {
  if (movie.size() < kHeaderBytes) return MovieFault::TooShort;
  if (movie[1] != 'W' || movie[2] != 'S') return MovieFault::NotAMovie;
  switch (movie[0]) {
    case 'F': head_.compression = MovieCompression::None; break;
    case 'C': head_.compression = MovieCompression::Zlib; break;
    case 'Z': head_.compression = MovieCompression::Lzma; break;
    default: return MovieFault::NotAMovie;
  }
  head_.version = movie[3];
  head_.fileLength = readU32(movie.data() + 4);
  const std::uint32_t length = head_.fileLength;

  switch (head_.compression) {
    case MovieCompression::Lzma:
      if (!options.acceptLzma) return MovieFault::LzmaRefused;
      if (length < kHeaderBytes) return MovieFault::LengthTooSmall;
      return movie.size() > kHeaderBytes ? MovieFault::None : MovieFault::TooShort;
    case MovieCompression::None:
      if (options.exactLength && length < kHeaderBytes) return MovieFault::LengthTooSmall;
      if (options.exactLength && length != movie.size()) return MovieFault::WrongLength;
      data_ = movie.data();
      size_ = movie.size();
      break;
    case MovieCompression::Zlib: {
      if (length < kHeaderBytes) return MovieFault::LengthTooSmall;
      if (length > options.maxLength) return MovieFault::LengthTooLarge;
      inflated_.resize(length);
      std::memcpy(inflated_.data(), movie.data(), kHeaderBytes);
      inflated_[0] = 'F';
      uLongf out = length - kHeaderBytes;
      // Z_BUF_ERROR: the body holds more than the length field says.
      if (::uncompress(inflated_.data() + kHeaderBytes, &out, movie.data() + kHeaderBytes,
                       static_cast<uLong>(movie.size() - kHeaderBytes)) != Z_OK)
        return MovieFault::DoesNotInflate;
      if (options.exactLength && out != length - kHeaderBytes) return MovieFault::WrongLength;
      inflated_.resize(kHeaderBytes + out);
      data_ = inflated_.data();
      size_ = inflated_.size();
      break;
    }
  }
  if (!options.readFrame) return MovieFault::None;
  std::size_t end = 0;
  if (!readRect(data_, size_, kHeaderBytes, head_.frame, end) || size_ - end < 4) return MovieFault::FrameCut;
  head_.frameRate88 = readU16(data_ + end);
  head_.frameCount = readU16(data_ + end + 2);
  tagsAt_ = end + 4;
  return MovieFault::None;
}

TagWalker MovieReader::Tags() const {
  return tagsAt_ ? TagWalker(data_ + tagsAt_, size_ - tagsAt_) : TagWalker(nullptr, 0);
}

}  // namespace lw::swf
