#include "swf/swfcheck.h"

#include "swf/swfmovie.h"
#include "swf/swfvector.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>

namespace lw::swf {

namespace {

struct Bad : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string &why) { throw Bad(why); }

// Reads bytes and bit fields of one span; every read is bounds checked.
class Reader {
 public:
  Reader(const std::uint8_t *data, std::size_t size) : d_(data), n_(size) {}

  std::size_t pos() const { return at_; }
  std::size_t left() const { return n_ - at_; }
  bool done() const { return at_ == n_ && bit_ == 0; }

  void Align() {
    if (bit_) {
      bit_ = 0;
      ++at_;
    }
  }
  std::uint8_t U8() {
    Align();
    Need(1);
    return d_[at_++];
  }
  std::uint16_t U16() {
    Align();
    Need(2);
    const std::uint16_t v = static_cast<std::uint16_t>(d_[at_] | (d_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  std::uint32_t U32() {
    const std::uint32_t lo = U16();
    return lo | (static_cast<std::uint32_t>(U16()) << 16);
  }
  const std::uint8_t *Take(std::size_t k) {
    Align();
    Need(k);
    const std::uint8_t *p = d_ + at_;
    at_ += k;
    return p;
  }
  std::uint32_t UB(int bits) {
    std::uint32_t v = 0;
    for (int i = 0; i < bits; ++i) {
      if (at_ >= n_) Fail("bit field runs past its record");
      v = (v << 1) | ((d_[at_] >> (7 - bit_)) & 1u);
      if (++bit_ == 8) {
        bit_ = 0;
        ++at_;
      }
    }
    return v;
  }
  std::int32_t SB(int bits) {
    if (bits == 0) return 0;
    const std::uint32_t v = UB(bits);
    if (bits < 32 && (v >> (bits - 1)) & 1u) return static_cast<std::int32_t>(v | (~0u << bits));
    return static_cast<std::int32_t>(v);
  }
  // The format's RECT and MATRIX, as the writer holds them.
  swf::Rect Rect() {
    const int n = static_cast<int>(UB(5));
    swf::Rect r;
    r.xMin = SB(n);
    r.xMax = SB(n);
    r.yMin = SB(n);
    r.yMax = SB(n);
    Align();
    return r;
  }
  swf::Matrix Matrix() {
    swf::Matrix m;
    if ((m.hasScale = UB(1))) {
      const int n = static_cast<int>(UB(5));
      m.scaleX = SB(n);
      m.scaleY = SB(n);
    }
    if ((m.hasRotate = UB(1))) {
      const int n = static_cast<int>(UB(5));
      m.rotateSkew0 = SB(n);
      m.rotateSkew1 = SB(n);
    }
    const int n = static_cast<int>(UB(5));
    m.translateX = SB(n);
    m.translateY = SB(n);
    Align();
    return m;
  }
  void CxForm(bool alpha) {
    const bool add = UB(1), mult = UB(1);
    const int n = static_cast<int>(UB(4));
    UB(n * (alpha ? 4 : 3) * ((add ? 1 : 0) + (mult ? 1 : 0)));
    Align();
  }
  std::string String() {
    std::string s;
    for (;;) {
      const char c = static_cast<char>(U8());
      if (!c) return s;
      s.push_back(c);
    }
  }

 private:
  void Need(std::size_t k) {
    if (k > n_ - at_) Fail("record runs past the end of its tag");
  }
  const std::uint8_t *d_;
  std::size_t n_;
  std::size_t at_ = 0;
  int bit_ = 0;
};

struct Checker {
  CheckLimits limits;
  CheckResult *result;
  std::set<int> ids;
  std::set<int> bitmaps;
  std::map<int, int> fontGlyphs;

  void Define(int id) {
    if (id == 0) Fail("character id 0");
    if (!ids.insert(id).second) Fail("character " + std::to_string(id) + " defined twice");
  }

  void FillStyles(Reader &r, int shapeVersion) {
    std::size_t n = r.U8();
    if (n == 0xFF && shapeVersion >= 2) n = r.U16();
    for (std::size_t i = 0; i < n; ++i) {
      const int type = r.U8();
      if (type == 0x00) {
        r.Take(shapeVersion >= 3 ? 4 : 3);
      } else if (type == 0x10 || type == 0x12 || type == 0x13) {
        r.Matrix();
        const int head = r.U8();
        const int count = head & 0x0F;
        if ((head >> 6) == 3 || ((head >> 4) & 3) > 1) Fail("bad gradient mode");
        if (count < 1 || count > 15) Fail("gradient with " + std::to_string(count) + " stops");
        int last = -1;
        for (int k = 0; k < count; ++k) {
          const int ratio = r.U8();
          if (ratio < last) Fail("gradient ratios not ascending");
          last = ratio;
          r.Take(shapeVersion >= 3 ? 4 : 3);
        }
        if (type == 0x13) r.U16();
      } else if (type >= 0x40 && type <= 0x43) {
        const int bitmap = r.U16();
        if (bitmap != 0xFFFF && !bitmaps.count(bitmap))
          Fail("bitmap fill of undefined bitmap " + std::to_string(bitmap));
        r.Matrix();
      } else {
        Fail("unknown fill style type " + std::to_string(type));
      }
    }
  }

  void LineStyles(Reader &r, int shapeVersion) {
    std::size_t n = r.U8();
    if (n == 0xFF && shapeVersion >= 2) n = r.U16();
    for (std::size_t i = 0; i < n; ++i) {
      r.U16();
      if (shapeVersion < 4) {
        r.Take(shapeVersion >= 3 ? 4 : 3);
        continue;
      }
      const int startCap = static_cast<int>(r.UB(2));
      const int join = static_cast<int>(r.UB(2));
      const bool hasFill = r.UB(1);
      r.UB(3);
      r.UB(5);
      r.UB(1);
      const int endCap = static_cast<int>(r.UB(2));
      if (startCap > 2 || endCap > 2 || join > 2) Fail("bad cap or join style");
      if (join == 2) r.U16();
      if (hasFill) {
        Reader &rr = r;
        FillStylesOne(rr, shapeVersion);
      } else {
        r.Take(4);
      }
    }
  }

  void FillStylesOne(Reader &r, int shapeVersion) {
    // A single FILLSTYLE without the count: reuse the array reader on a
    // one-element view is not possible in place, so read it directly.
    const int type = r.U8();
    if (type == 0x00) {
      r.Take(4);
    } else if (type == 0x10 || type == 0x12 || type == 0x13) {
      r.Matrix();
      const int count = r.U8() & 0x0F;
      if (count < 1) Fail("gradient without stops");
      r.Take(static_cast<std::size_t>(count) * 5);
      if (type == 0x13) r.U16();
    } else if (type >= 0x40 && type <= 0x43) {
      const int bitmap = r.U16();
      if (bitmap != 0xFFFF && !bitmaps.count(bitmap)) Fail("bitmap fill of undefined bitmap");
      r.Matrix();
    } else {
      Fail("unknown fill style type " + std::to_string(type));
    }
    (void)shapeVersion;
  }

  // Shape records up to and including the end record; counts of the styles
  // in force bound the style indices.
  void Records(Reader &r, int shapeVersion, std::size_t fills, std::size_t lines, bool glyph) {
    int fillBits = static_cast<int>(r.UB(4));
    int lineBits = static_cast<int>(r.UB(4));
    // Selections in force; new styles keep them, as some readers do.
    std::size_t fill0 = 0, fill1 = glyph ? 1 : 0, line = 0;
    for (;;) {
      if (r.UB(1)) {
        if (fill0 > fills || fill1 > fills || line > lines)
          Fail("edge drawn with a style past the styles in force");
        if (r.UB(1)) {  // straight
          const int n = static_cast<int>(r.UB(4)) + 2;
          if (r.UB(1)) {
            r.SB(n);
            r.SB(n);
          } else {
            r.UB(1);
            r.SB(n);
          }
        } else {
          const int n = static_cast<int>(r.UB(4)) + 2;
          r.SB(n);
          r.SB(n);
          r.SB(n);
          r.SB(n);
        }
        ++result->edges;
        continue;
      }
      const int flags = static_cast<int>(r.UB(5));
      if (flags == 0) break;
      if (flags & 0x01) {
        const int n = static_cast<int>(r.UB(5));
        r.SB(n);
        r.SB(n);
      }
      if (flags & 0x02) {
        fill0 = r.UB(fillBits);
        if (fill0 > fills) Fail("fill style 0 index out of range");
      }
      if (flags & 0x04) {
        fill1 = r.UB(fillBits);
        if (fill1 > fills) Fail("fill style 1 index out of range");
      }
      if (flags & 0x08) {
        line = r.UB(lineBits);
        if (line > lines) Fail("line style index out of range");
      }
      if (flags & 0x10) {
        if (glyph || shapeVersion < 2) Fail("new styles in a shape that cannot have them");
        r.Align();
        const std::size_t before = r.pos();
        (void)before;
        std::size_t nf = 0, nl = 0;
        CountedStyles(r, shapeVersion, &nf, &nl);
        fills = nf;
        lines = nl;
        fillBits = static_cast<int>(r.UB(4));
        lineBits = static_cast<int>(r.UB(4));
      }
    }
    r.Align();
  }

  void CountedStyles(Reader &r, int shapeVersion, std::size_t *nf, std::size_t *nl) {
    // Peek the counts, then read the arrays.
    Reader probe = r;
    std::size_t f = probe.U8();
    if (f == 0xFF) f = probe.U16();
    FillStyles(r, shapeVersion);
    Reader probe2 = r;
    std::size_t l = probe2.U8();
    if (l == 0xFF) l = probe2.U16();
    LineStyles(r, shapeVersion);
    *nf = f;
    *nl = l;
  }

  void Shape(Reader &r, int code) {
    const int version = code == kTagDefineShape ? 1 : code == kTagDefineShape2 ? 2 : code == kTagDefineShape3 ? 3 : 4;
    Define(r.U16());
    r.Rect();
    if (version == 4) {
      r.Rect();
      if (r.U8() & 0xF8) Fail("reserved shape flags set");
    }
    std::size_t nf = 0, nl = 0;
    CountedStyles(r, version, &nf, &nl);
    Records(r, version, nf, nl, false);
    ++result->shapes;
  }

  void Font(Reader &r, std::size_t length) {
    const int id = r.U16();
    Define(id);
    const int flags = r.U8();
    r.U8();
    r.Take(r.U8());
    const std::size_t glyphs = r.U16();
    const bool wide = flags & 0x08;
    const std::size_t tableStart = r.pos();
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i <= glyphs; ++i) {
      if (glyphs == 0) break;
      offsets.push_back(wide ? r.U32() : r.U16());
    }
    if (glyphs > 0) {
      const std::size_t codeOffset = offsets.back();
      for (std::size_t i = 0; i < glyphs; ++i) {
        const std::size_t start = tableStart + offsets[i];
        const std::size_t end = tableStart + offsets[i + 1];
        if (offsets[i] < 4 * glyphs || end < start || end > length) Fail("glyph offset out of order");
        if (start != r.pos()) Fail("glyph shape not where its offset says");
        Reader g = r;
        Reader sub(g.Take(end - start), end - start);
        Records(sub, 1, 1, 0, true);
        if (!sub.done()) Fail("glyph shape shorter than its slot");
        r.Take(end - start);
      }
      if (tableStart + codeOffset != r.pos()) Fail("code table not where its offset says");
      for (std::size_t i = 0; i < glyphs; ++i) r.U16();
    }
    if (flags & 0x80) {
      r.U16();
      r.U16();
      r.U16();
      for (std::size_t i = 0; i < glyphs; ++i) r.U16();
      for (std::size_t i = 0; i < glyphs; ++i) r.Rect();
      const int kerning = r.U16();
      r.Take(static_cast<std::size_t>(kerning) * 6);
    }
    fontGlyphs[id] = static_cast<int>(glyphs);
    ++result->fonts;
  }

  // A text's bounds are in the character's coordinates, its glyphs placed
  // through its matrix: a runtime measures and culls the text by them, so
  // every glyph's origin must lie within them (give or take the text's height).
  void Text(Reader &r, int code) {
    Define(r.U16());
    const swf::Rect box = r.Rect();
    const swf::Matrix m = r.Matrix();
    const double sx = m.scaleX / 65536.0, sy = m.scaleY / 65536.0;
    const double r0 = m.rotateSkew0 / 65536.0, r1 = m.rotateSkew1 / 65536.0;
    double x = 0, y = 0, height = 0;
    const int glyphBits = r.U8();
    const int advanceBits = r.U8();
    if (glyphBits > 32 || advanceBits > 32) Fail("text field widths too wide");
    int glyphsInFont = -1;
    for (;;) {
      const int flags = r.U8();
      if (flags == 0) break;
      if (!(flags & 0x80)) Fail("bad text record");
      if (flags & 0x08) {
        const int font = r.U16();
        const auto f = fontGlyphs.find(font);
        if (f == fontGlyphs.end()) Fail("text of undefined font " + std::to_string(font));
        glyphsInFont = f->second;
      }
      if (flags & 0x04) r.Take(code == kTagDefineText2 ? 4 : 3);
      if (flags & 0x01) x = static_cast<std::int16_t>(r.U16());
      if (flags & 0x02) y = static_cast<std::int16_t>(r.U16());
      if (flags & 0x08) height = r.U16();
      const int count = r.U8();
      if (glyphsInFont < 0) Fail("glyphs before any font");
      for (int i = 0; i < count; ++i) {
        if (static_cast<int>(r.UB(glyphBits)) >= glyphsInFont) Fail("glyph index past its font");
        const double gx = sx * x + r1 * y + m.translateX, gy = r0 * x + sy * y + m.translateY;
        const double slack = std::max(height, 20.0);
        if (gx < box.xMin - slack || gx > box.xMax + slack || gy < box.yMin - slack || gy > box.yMax + slack)
          Fail("a glyph lies outside its text's bounds");
        x += r.SB(advanceBits);
      }
      r.Align();
    }
    ++result->texts;
  }

  void CheckSide(long w, long h) {
    if (w <= 0 || h <= 0) Fail("empty bitmap");
    if (w > limits.maxBitmapSide || h > limits.maxBitmapSide)
      Fail("bitmap of " + std::to_string(w) + "x" + std::to_string(h) + " pixels exceeds " +
           std::to_string(limits.maxBitmapSide));
  }

  // Size of a JPEG from its frame header; the stream must start with SOI.
  void Jpeg(const std::uint8_t *p, std::size_t n) {
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) Fail("bitmap without a JPEG start marker");
    std::size_t at = 2;
    while (at + 4 <= n) {
      if (p[at] != 0xFF) Fail("JPEG marker expected");
      const int m = p[at + 1];
      if (m == 0xFF) {
        ++at;
        continue;
      }
      if (m == 0xD8 || (m >= 0xD0 && m <= 0xD7) || m == 0x01) {
        at += 2;
        continue;
      }
      if (m == 0xD9) {  // an end marker before the frame: erroneous header, go on
        at += 2;
        continue;
      }
      const std::size_t len = (static_cast<std::size_t>(p[at + 2]) << 8) | p[at + 3];
      if (len < 2 || at + 2 + len > n) Fail("JPEG segment runs past the data");
      if ((m >= 0xC0 && m <= 0xCF) && m != 0xC4 && m != 0xC8 && m != 0xCC) {
        if (len < 7) Fail("short JPEG frame header");
        if (m != 0xC0 && m != 0xC1 && m != 0xC2) Fail("JPEG coding the player cannot decode");
        const long h = (p[at + 5] << 8) | p[at + 6];
        const long w = (p[at + 7] << 8) | p[at + 8];
        CheckSide(w, h);
        lastW = w;
        lastH = h;
        return;
      }
      at += 2 + len;
    }
    Fail("JPEG without a frame header");
  }
  long lastW = 0, lastH = 0;

  static Bytes Inflate(const std::uint8_t *p, std::size_t n, std::size_t expected) {
    Bytes out(expected + 1);
    uLongf size = static_cast<uLongf>(out.size());
    const int rc = uncompress(out.data(), &size, p, static_cast<uLong>(n));
    if (rc != Z_OK && rc != Z_BUF_ERROR) Fail("bitmap data does not inflate");
    out.resize(size);
    return out;
  }

  void Bits(Reader &r, int code, std::size_t length) {
    const int id = r.U16();
    Define(id);
    if (code == kTagDefineBitsJpeg2) {
      Jpeg(r.Take(length - 2), length - 2);
    } else if (code == kTagDefineBitsJpeg3) {
      const std::size_t jpegSize = r.U32();
      if (jpegSize > length - 6) Fail("alpha offset past the tag");
      Jpeg(r.Take(jpegSize), jpegSize);
      const std::size_t rest = length - 6 - jpegSize;
      const std::size_t want = static_cast<std::size_t>(lastW) * static_cast<std::size_t>(lastH);
      if (Inflate(r.Take(rest), rest, want).size() != want) Fail("alpha plane of the wrong size");
    } else {
      const int format = r.U8();
      const long w = r.U16(), h = r.U16();
      CheckSide(w, h);
      std::size_t want = 0;
      std::size_t head = 7;
      if (format == 3) {
        const std::size_t colours = r.U8() + 1u;
        ++head;
        const std::size_t row = (static_cast<std::size_t>(w) + 3) & ~std::size_t{3};
        want = colours * (code == kTagDefineBitsLossless2 ? 4 : 3) + row * h;
      } else if (format == 5) {
        want = static_cast<std::size_t>(w) * h * 4;
      } else {
        Fail("bitmap format " + std::to_string(format) + " not used in page movies");
      }
      const std::size_t rest = length - head;
      if (Inflate(r.Take(rest), rest, want).size() != want) Fail("pixel data of the wrong size");
    }
    bitmaps.insert(id);
    ++result->bitmaps;
  }

  void Place(Reader &r, int code) {
    const int flags = r.U8();
    int flags2 = 0;
    if (code == kTagPlaceObject3) flags2 = r.U8();
    r.U16();  // depth
    if (code == kTagPlaceObject3 && ((flags2 & 0x08) || ((flags2 & 0x10) && (flags & 0x02)))) r.String();
    if (flags & 0x02) {
      const int id = r.U16();
      if (!ids.count(id)) Fail("placing undefined character " + std::to_string(id));
    }
    if (flags & 0x04) r.Matrix();
    if (flags & 0x08) r.CxForm(true);
    if (flags & 0x10) r.U16();
    if (flags & 0x20) r.String();
    if (flags & 0x40) r.U16();
    if (flags & 0x80) Fail("clip actions in a page movie");
    if (code == kTagPlaceObject3) {
      if (flags2 & 0x01) {
        const int n = r.U8();
        (void)n;
        Fail("filters in a page movie");
      }
      if (flags2 & 0x02) {
        const int blend = r.U8();
        if (blend > 14) Fail("blend mode " + std::to_string(blend) + " does not exist");
      }
      if (flags2 & 0x04) r.U8();
    }
  }

  // Tags of one timeline; returns at its End tag, `tags` standing after it.
  void Tags(TagWalker &tags, bool inSprite) {
    MovieTag tag;
    for (;;) {
      if (!tags.Next(tag)) {
        if (tags.fault() == TagFault::BodyCut)
          Fail("tag " + std::to_string(tag.code) + " runs past the end of the file");
        Fail(tags.fault() == TagFault::HeadCut ? "tag header runs past the end of the file" : "no End tag");
      }
      const int code = tag.code;
      const std::size_t length = tag.length;
      Reader body(tags.Body(tag), length);
      ++result->tags;
      try {
        switch (code) {
          case kTagEnd:
            if (length != 0) Fail("End tag with a body");
            return;
          case kTagShowFrame:
            break;
          case kTagFileAttributes:
            if (inSprite) Fail("FileAttributes inside a sprite");
            body.U32();
            break;
          case kTagSetBackgroundColor:
            body.Take(3);
            break;
          case kTagDefineShape:
          case kTagDefineShape2:
          case kTagDefineShape3:
          case kTagDefineShape4:
            if (inSprite) Fail("definition inside a sprite");
            Shape(body, code);
            break;
          case kTagDefineFont2:
          case kTagDefineFont3:
            if (inSprite) Fail("definition inside a sprite");
            Font(body, length);
            break;
          case kTagDefineText:
          case kTagDefineText2:
            if (inSprite) Fail("definition inside a sprite");
            Text(body, code);
            break;
          case kTagDefineBitsJpeg2:
          case kTagDefineBitsJpeg3:
          case kTagDefineBitsLossless:
          case kTagDefineBitsLossless2:
            if (inSprite) Fail("definition inside a sprite");
            Bits(body, code, length);
            break;
          case kTagPlaceObject2:
          case kTagPlaceObject3:
            Place(body, code);
            break;
          case kTagDefineSprite: {
            if (inSprite) Fail("sprite inside a sprite");
            const int id = body.U16();
            body.U16();
            TagWalker inner(body.Take(0), body.left());
            Tags(inner, true);
            body.Take(inner.walked());
            Define(id);
            break;
          }
          default:
            Fail("tag " + std::to_string(code) + " does not belong in a page movie");
        }
      } catch (const Bad &e) {
        Fail(std::string("tag ") + std::to_string(code) + ": " + e.what());
      }
      if (!body.done()) Fail("tag " + std::to_string(code) + " has " + std::to_string(body.left()) + " bytes left over");
    }
  }
};

}  // namespace

CheckResult CheckMovie(const Bytes &movie, const CheckLimits &limits) {
  CheckResult result;
  try {
    MovieReadOptions options;
    options.exactLength = true;
    options.maxLength = 1u << 30;
    const MovieReader reader(movie, options);
    if (!reader.ok()) {
      if (reader.fault() == MovieFault::WrongLength && reader.head().compression == MovieCompression::None)
        Fail("file length field " + std::to_string(reader.head().fileLength) + " but " +
             std::to_string(movie.size()) + " bytes");
      Fail(MovieFaultText(reader.fault()));
    }
    if (reader.head().version != limits.version) Fail("file version " + std::to_string(reader.head().version));
    Checker checker{limits, &result, {}, {}, {}};
    TagWalker tags = reader.Tags();
    checker.Tags(tags, false);
    if (tags.left() != 0) Fail("bytes after the End tag");
    result.ok = true;
  } catch (const Bad &e) {
    result.ok = false;
    result.error = e.what();
  }
  return result;
}

}  // namespace lw::swf
