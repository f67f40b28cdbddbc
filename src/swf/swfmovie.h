// Reading a movie's frame from bytes in memory: its header (signature,
// version, length, stage, frame rate and count) and the run of tags after
// it. Every reader of movies goes through here and chooses how strict to be
// (MovieReadOptions, and what it does with a missing End tag or bytes after
// it); what a tag's body holds is the caller's business.
#pragma once

#include "swf/swfwriter.h"

#include <cstddef>
#include <cstdint>

namespace lw::swf {

enum class MovieCompression { None, Zlib, Lzma };  // "FWS", "CWS", "ZWS"

// The header of a movie.
struct MovieHead {
  MovieCompression compression = MovieCompression::None;
  int version = 0;
  std::uint32_t fileLength = 0;  // the length field: the whole movie once uncompressed
  Rect frame;                    // the stage in twips
  std::uint16_t frameRate88 = 0;  // 8.8 fixed point frames per second
  std::uint16_t frameCount = 0;
};

struct MovieReadOptions {
  // An LZMA ("ZWS") movie is read as far as its first 8 bytes only: no
  // LZMA decoder is linked, so its frame and tags stay unread. Refused
  // when false.
  bool acceptLzma = false;
  // The length field must be the movie's true length: an "FWS" file's size,
  // what a "CWS" body inflates to. When false, an "FWS" length field is not
  // looked at and a "CWS" body may inflate to less than it says.
  bool exactLength = false;
  // The largest length field a "CWS" movie may give (memory to inflate it).
  std::uint32_t maxLength = 512u * 1024 * 1024;
  // The stage, frame rate and count are read, and the tags then walkable.
  // When false, a movie is judged by its first 8 bytes and its length.
  bool readFrame = true;
};

enum class MovieFault {
  None,
  TooShort,        // fewer bytes than the 8 of the header; a "ZWS" movie without a body
  NotAMovie,       // no "FWS", "CWS" or (accepted) "ZWS" signature
  LzmaRefused,     // "ZWS" when the options refuse it
  LengthTooSmall,  // a length field below 8
  LengthTooLarge,  // a "CWS" length field above MovieReadOptions::maxLength
  DoesNotInflate,  // a "CWS" body that is no whole zlib stream within its length
  WrongLength,     // exactLength: the file or its inflated body differs from the length field
  FrameCut,        // the stage, rate or count run past the end
};

// A short English description of `fault` ("" for None). Never fails.
const char *MovieFaultText(MovieFault fault);

// One tag: its code, and where its body lies in the bytes walked.
struct MovieTag {
  int code = 0;
  std::size_t offset = 0;  // of the body, from the start of the span walked
  std::size_t length = 0;  // of the body
  bool longForm = false;   // a 32-bit length after the code, not 6 bits within it
};

enum class TagFault {
  None,
  HeadCut,   // a tag's code and length run past the end
  BodyCut,   // a tag's body runs past the end
};

// Walks a span of tags (a movie's after its header, a sprite's after its id
// and frame count), one tag at a time, End tags included: the caller
// decides what ends its walk and what may follow. The span must outlive the
// walker.
class TagWalker {
 public:
  TagWalker(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
  // The next tag into `tag`. Returns false at the end of the span (fault()
  // None) or at a tag that does not fit in it (fault() says how; the walk
  // stays there).
  bool Next(MovieTag &tag);
  TagFault fault() const { return fault_; }
  // Bytes walked so far, and bytes after them.
  std::size_t walked() const { return at_; }
  std::size_t left() const { return size_ - at_; }
  // The body of `tag`, a tag this walker gave.
  const std::uint8_t *Body(const MovieTag &tag) const { return data_ + tag.offset; }

 private:
  const std::uint8_t *data_;
  std::size_t size_;
  std::size_t at_ = 0;
  TagFault fault_ = TagFault::None;
};

// A movie read from bytes: its header, and its whole body uncompressed. An
// "FWS" movie is read in place: `movie` must outlive the reader.
class MovieReader {
 public:
  explicit MovieReader(const Bytes &movie, const MovieReadOptions &options = {});
  MovieReader(const MovieReader &) = delete;
  MovieReader &operator=(const MovieReader &) = delete;

  // None when the header was read; the first fault otherwise, and then
  // head() holds what was read before it and Tags() walks nothing.
  MovieFault fault() const { return fault_; }
  bool ok() const { return fault_ == MovieFault::None; }
  const MovieHead &head() const { return head_; }
  // The movie uncompressed, its 8 header bytes first ("FWS" kept for a "CWS"
  // movie); empty after a fault and for an accepted "ZWS" movie.
  const std::uint8_t *data() const { return data_; }
  std::size_t size() const { return size_; }
  // The tags after the header; nothing to walk after a fault, for an
  // accepted "ZWS" movie, or when the frame was not read.
  TagWalker Tags() const;

 private:
  MovieFault Read(const Bytes &movie, const MovieReadOptions &options);

  MovieHead head_;
  MovieFault fault_ = MovieFault::None;
  Bytes inflated_;
  const std::uint8_t *data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t tagsAt_ = 0;
};

}  // namespace lw::swf
