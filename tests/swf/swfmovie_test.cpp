// The movie reader: headers of every kind, read strictly or leniently, and
// the walk over their tags.

#include "swf/swfmovie.h"
#include "swf/swfwriter.h"

#include <gtest/gtest.h>

#include <utility>
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
      {"FWS", plain, {.exactLength = true}, MovieFault::None, all},
      {"CWS", packed, {.exactLength = true}, MovieFault::None, all},
      {"ZWS accepted", lzma, {.acceptLzma = true, .exactLength = true}, MovieFault::None, {}},
      {"ZWS refused", lzma, {}, MovieFault::LzmaRefused, {}},
      {"not a movie", with(plain, 1, 'X'), {.acceptLzma = true}, MovieFault::NotAMovie, {}},
      {"header cut", Bytes(plain.begin(), plain.begin() + 5), {}, MovieFault::TooShort, {}},
      {"stage cut", Bytes(plain.begin(), plain.begin() + 10), {}, MovieFault::FrameCut, {}},
      {"FWS shorter than said, exact", cut(plain, 1), {.exactLength = true}, MovieFault::WrongLength, {}},
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

  // What the header says, compressed or not, and a body through either
  // form of its length.
  const Bytes jpegBody = DefineBitsJpeg2Body(1, {0xFF, 0xD8, 0xFF, 0xD9});
  const std::pair<Bytes, bool> movies[] = {{plain, true}, {packed, true}, {movieOf(false, false), false}};
  for (const auto &[movie, longForm] : movies) {
    const MovieReader reader(movie);
    const MovieHead &head = reader.head();
    EXPECT_EQ(head.version, 10);
    EXPECT_EQ(head.fileLength, reader.size());
    EXPECT_EQ((std::vector<int>{head.frame.xMax, head.frame.yMax, head.frameRate88, head.frameCount}),
              (std::vector<int>{400, 300, 12 << 8, 1}));
    TagWalker tags = reader.Tags();
    MovieTag tag;
    ASSERT_TRUE(tags.Next(tag) && tags.Next(tag));
    EXPECT_EQ(tag.longForm, longForm);
    EXPECT_EQ(Bytes(tags.Body(tag), tags.Body(tag) + tag.length), jpegBody);
  }
}
