// The movie reader: headers of every kind, read strictly or leniently, and
// the walk over their tags.

#include "swf/swfmovie.h"
#include "swf/swfwriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lw::swf;

namespace {

// A movie of a 400 x 300 twips stage: a short tag, a long-form one, End.
Bytes movieOf(bool compress, bool longForm = true) {
  Bytes tags;
  AppendTag(tags, kTagSetBackgroundColor, SetBackgroundColorBody(1, 2, 3));
  AppendTag(tags, kTagDefineBitsJpeg2, DefineBitsJpeg2Body(1, {0xFF, 0xD8, 0xFF, 0xD9}), longForm);
  AppendTag(tags, kTagEnd, {});
  MovieHeader header;
  header.frameSize = Rect{0, 400, 0, 300};
  header.compress = compress;
  return AssembleMovie(header, tags);
}

Bytes with(Bytes b, std::size_t at, std::uint8_t value) {
  b.at(at) = value;
  return b;
}

Bytes cut(const Bytes &b, std::size_t drop) { return Bytes(b.begin(), b.end() - static_cast<long>(drop)); }

MovieReadOptions opts(bool lzma, bool exact) {
  MovieReadOptions o;
  o.acceptLzma = lzma;
  o.exactLength = exact;
  return o;
}

}  // namespace

TEST(SwfMovie, HeadersAndTagsReadAsEachReaderChooses) {
  const Bytes plain = movieOf(false), packed = movieOf(true);
  const Bytes lzma = with(plain, 0, 'Z');
  // The body's last tag made to claim 9 bytes more than the file holds.
  Bytes pastEnd = cut(plain, 2);
  AppendTagHeader(pastEnd, kTagShowFrame, 9);
  const std::vector<int> all{kTagSetBackgroundColor, kTagDefineBitsJpeg2, kTagEnd};
  struct Case {
    const char *name;
    Bytes movie;
    MovieReadOptions options;
    MovieFault fault;
    std::vector<int> codes;  // tags walked
    TagFault tagFault = TagFault::None;
  };
  const Case cases[] = {
      {"FWS", plain, opts(false, true), MovieFault::None, all},
      {"CWS", packed, opts(false, true), MovieFault::None, all},
      {"ZWS accepted", lzma, opts(true, true), MovieFault::None, {}},
      {"ZWS refused", lzma, opts(false, false), MovieFault::LzmaRefused, {}},
      {"not a movie", with(plain, 1, 'X'), opts(true, false), MovieFault::NotAMovie, {}},
      {"header cut", Bytes(plain.begin(), plain.begin() + 5), {}, MovieFault::TooShort, {}},
      {"stage cut", Bytes(plain.begin(), plain.begin() + 10), {}, MovieFault::FrameCut, {}},
      {"FWS shorter than said, exact", cut(plain, 1), opts(false, true), MovieFault::WrongLength, {}},
      {"FWS without End, lenient", cut(plain, 2), {}, MovieFault::None, {kTagSetBackgroundColor, kTagDefineBitsJpeg2}},
      {"CWS body cut", cut(packed, 4), {}, MovieFault::DoesNotInflate, {}},
      {"CWS holding more than said", with(packed, 4, 9), {}, MovieFault::DoesNotInflate, {}},
      {"tag past the end", pastEnd, {}, MovieFault::None, {kTagSetBackgroundColor, kTagDefineBitsJpeg2}, TagFault::BodyCut},
      {"tag head cut", cut(plain, 1), {}, MovieFault::None, {kTagSetBackgroundColor, kTagDefineBitsJpeg2}, TagFault::HeadCut},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const MovieReader reader(c.movie, c.options);
    EXPECT_EQ(reader.fault(), c.fault);
    std::vector<int> codes;
    TagWalker tags = reader.Tags();
    for (MovieTag tag; tags.Next(tag);) codes.push_back(tag.code);
    EXPECT_EQ(codes, c.codes);
    EXPECT_EQ(tags.fault(), c.tagFault);
  }

  // What the header says, compressed or not.
  for (const Bytes &movie : {plain, packed}) {
    const MovieReader reader(movie);
    EXPECT_EQ(reader.head().version, 10);
    EXPECT_EQ(reader.head().fileLength, plain.size());
    EXPECT_EQ(reader.head().frame.xMax, 400);
    EXPECT_EQ(reader.head().frame.yMax, 300);
    EXPECT_EQ(reader.head().frameRate88, 12 << 8);
    EXPECT_EQ(reader.head().frameCount, 1);
    EXPECT_EQ(Bytes(reader.data() + 8, reader.data() + reader.size()), Bytes(plain.begin() + 8, plain.end()));
  }
}

// A tag's body is found the same through either form of its length.
TEST(SwfMovie, LongAndShortTagForms) {
  for (const bool longForm : {false, true}) {
    const Bytes movie = movieOf(false, longForm);
    const MovieReader reader(movie);
    TagWalker tags = reader.Tags();
    MovieTag tag;
    ASSERT_TRUE(tags.Next(tag) && tags.Next(tag));
    EXPECT_EQ(tag.longForm, longForm);
    EXPECT_EQ(Bytes(tags.Body(tag), tags.Body(tag) + tag.length), DefineBitsJpeg2Body(1, {0xFF, 0xD8, 0xFF, 0xD9}));
  }
}
