#include "pdf/pdfreader.h"

#include "pdf/streamdecode.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace lw {

namespace {

bool IsDigit(std::uint8_t b) { return b >= '0' && b <= '9'; }
bool IsBlank(std::uint8_t b) { return b < 0x21; }
// The format's white-space characters: NUL, tab, line feed, form feed, CR, blank.
bool IsWhiteSpace(std::uint8_t b) { return b == 0 || b == 9 || b == 10 || b == 12 || b == 13 || b == 32; }
bool IsDelimiter(std::uint8_t b) { return b && std::strchr("()<>[]{}/%", b) != nullptr; }
// A byte that ends a name, number or keyword.
bool EndsToken(std::uint8_t b) { return IsBlank(b) || IsDelimiter(b); }
int HexValue(std::uint8_t b) {
  if (IsDigit(b)) return b - '0';
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  return -1;
}

// An object number computed from a table's first number plus a position.
std::int32_t CheckedObjectNumber(std::int64_t value) {
  if (value > INT32_MAX) throw PdfNumberOverflow();
  return static_cast<std::int32_t>(value);
}

// Most objects one page-tree walk or reconstruction may decode at once.
constexpr std::size_t kObjectStreamCacheBytes = kMaxInflatedSize * 2;

}  // namespace

// ---- scanning primitives -------------------------------------------------

void PdfCursor::SkipBlanks() {
  while (pos < end && IsBlank(*pos)) ++pos;
}

void PdfCursor::SkipBlanksAndComments() {
  for (;;) {
    SkipBlanks();
    if (pos >= end || *pos != '%') return;
    while (pos < end && *pos != '\r' && *pos != '\n') ++pos;
  }
}

bool PdfCursor::ReadNumber(std::int32_t &value) {
  SkipBlanks();
  if (pos >= end || !IsDigit(*pos)) return false;
  std::int64_t v = 0;
  for (; pos < end && IsDigit(*pos); ++pos) {
    v = v * 10 + (*pos - '0');
    if (v > INT32_MAX) throw PdfNumberOverflow();
  }
  value = static_cast<std::int32_t>(v);
  return true;
}

bool PdfCursor::ReadReference(std::int32_t &number) {
  const std::uint8_t *start = pos;
  std::int32_t n = 0, generation = 0;
  SkipBlanksAndComments();
  try {
    if (ReadNumber(n) && ReadNumber(generation)) {
      SkipBlanksAndComments();
      if (MatchText("R") && (pos == end || EndsToken(*pos))) {
        number = n;
        return true;
      }
    }
  } catch (const PdfNumberOverflow &) {  // no reference then
  }
  pos = start;
  return false;
}

bool PdfCursor::MatchText(std::string_view text) {
  if (static_cast<std::size_t>(end - pos) < text.size()) return false;
  if (std::memcmp(pos, text.data(), text.size()) != 0) return false;
  pos += text.size();
  return true;
}

bool PdfCursor::MatchName(std::string_view name) {
  SkipBlanksAndComments();
  if (pos >= end || *pos != '/') return false;
  const std::uint8_t *p = pos + 1;
  std::size_t k = 1;  // name[0] is the "/"
  while (p < end && !EndsToken(*p)) {
    std::uint8_t b = *p++;
    if (b == '#' && end - p >= 2 && HexValue(p[0]) >= 0 && HexValue(p[1]) >= 0) {
      b = static_cast<std::uint8_t>(HexValue(p[0]) * 16 + HexValue(p[1]));
      p += 2;
    }
    if (k >= name.size() || static_cast<std::uint8_t>(name[k]) != b) return false;
    ++k;
  }
  if (k != name.size()) return false;
  pos = p;
  return true;
}

bool PdfCursor::SkipValue() {
  SkipBlanksAndComments();
  if (pos >= end) return false;
  const std::uint8_t *start = pos;
  // Containers, strings and hex strings are skipped with one depth counter
  // over "<<", "[" and "(": no recursion, whatever the nesting.
  int depth = 0;
  do {
    if (pos >= end) return true;  // an unclosed container runs to the end
    const std::uint8_t b = *pos;
    if (b == '%') {
      SkipBlanksAndComments();
    } else if (b == '(') {
      int parens = 1;
      for (++pos; pos < end && parens > 0; ++pos) {
        if (*pos == '\\') {
          ++pos;
          if (pos >= end) break;
        } else if (*pos == '(') {
          ++parens;
        } else if (*pos == ')') {
          --parens;
        }
      }
    } else if (b == '<' && pos + 1 < end && pos[1] == '<') {
      ++depth;
      pos += 2;
    } else if (b == '<') {
      const void *close = std::memchr(pos, '>', std::size_t(end - pos));
      pos = close ? static_cast<const std::uint8_t *>(close) + 1 : end;
    } else if (b == '[') {
      ++depth;
      ++pos;
    } else if (b == '>' || b == ']' || b == ')') {
      if (depth == 0) {
        pos = start;
        return false;
      }
      pos += (b == '>' && pos + 1 < end && pos[1] == '>') ? 2 : 1;
      --depth;
    } else if (b == '/') {
      for (++pos; pos < end && !EndsToken(*pos);) ++pos;
    } else if (IsBlank(b) || b == '{' || b == '}') {
      ++pos;
    } else {
      std::int32_t number = 0;
      if (depth == 0 && ReadReference(number)) continue;
      const std::uint8_t *token = pos;
      while (pos < end && !EndsToken(*pos)) ++pos;
      // A container left open ends at its object's end.
      const std::string_view word(reinterpret_cast<const char *>(token), std::size_t(pos - token));
      if (depth > 0 && (word == "endobj" || word == "stream" || word == "endstream")) {
        pos = token;
        return true;
      }
    }
  } while (depth > 0);
  return true;
}

bool PdfCursor::FindKey(std::string_view key) {
  bool inside = false;  // past the dictionary's "<<"
  for (;;) {
    SkipBlanksAndComments();
    if (pos >= end) return false;
    if (*pos == '/') {
      inside = true;
      if (MatchName(key)) return true;
      while (++pos < end && !EndsToken(*pos)) {
      }
      if (!SkipValue()) return false;
    } else if (!inside && MatchText("<<")) {
      inside = true;
    } else if (!inside && IsDigit(*pos)) {  // an object header "N G obj"
      if (!SkipObjectHeader()) return false;
    } else {
      return false;  // ">>", or anything where a key belongs
    }
  }
}

bool PdfCursor::SkipObjectHeader() {
  const std::uint8_t *start = pos;
  std::int32_t number = 0, generation = 0;
  try {
    if (ReadNumber(number) && ReadNumber(generation)) {
      SkipBlanksAndComments();
      if (MatchText("obj")) return true;
    }
  } catch (const PdfNumberOverflow &) {  // no header then
  }
  pos = start;
  return false;
}

bool PdfCursor::KeyIsName(std::string_view key, std::string_view value) {
  return FindKey(key) && MatchName(value);
}

bool PdfCursor::SkipDictionary() {
  for (;;) {
    SkipBlanksAndComments();
    if (pos >= end) return true;
    if (MatchText(">>")) return true;
    if (!SkipValue()) ++pos;  // a stray closing "]" or ")"
  }
}

bool PdfCursor::FindTextBackward(std::string_view text) {
  if (pos < begin || pos >= end || text.empty()) return false;
  const std::uint8_t last = static_cast<std::uint8_t>(text.back());
  const std::size_t n = text.size();
  for (;;) {
    while (pos > begin && *pos != last) --pos;
    if (pos == begin) return false;
    if (static_cast<std::size_t>(pos - begin) + 1 >= n &&
        std::memcmp(pos - n + 1, text.data(), n) == 0) {
      ++pos;
      return true;
    }
    --pos;
  }
}

// ---- cross-reference information -------------------------------------------

PdfReader::PdfReader(const std::uint8_t *data, std::size_t size)
    : cursor(data, data + size), fileBegin_(data), fileEnd_(data + size) {}

bool PdfReader::ReadXrefTable(std::int64_t &prev, std::int64_t &xrefStm) {
  PdfCursor &c = cursor;
  prev = xrefStm = -1;
  do {
    std::int32_t first = 0, count = 0;
    if (!c.ReadNumber(first) || !c.ReadNumber(count)) return false;
    c.SkipBlanks();
    // A table line has 20 bytes; reserve for what the rest of the file can hold.
    const std::size_t room = static_cast<std::size_t>(c.end - c.pos) / 18;
    xrefList.reserve(xrefList.size() + std::min<std::size_t>({std::size_t(count), room, 1u << 22}));
    for (std::int32_t k = 0; k < count; ++k) {
      std::int32_t offset = 0;
      if (!c.ReadNumber(offset)) return false;
      bool isFree = false;  // the rest of the line: generation and n/f flag
      for (; c.pos < c.end && *c.pos != '\r' && *c.pos != '\n'; ++c.pos) isFree |= *c.pos == 'f';
      while (c.pos < c.end && (*c.pos == '\r' || *c.pos == '\n')) ++c.pos;
      xrefList.push_back({CheckedObjectNumber(std::int64_t(first) + k), std::uint32_t(offset), 0, false, isFree});
    }
  } while (c.pos < c.end && IsDigit(*c.pos));

  if (!c.MatchText("trailer")) return false;
  const std::uint8_t *trailer = c.pos;
  if (rootObjectNumber == -1 && c.FindKey("/Root") && !c.ReadNumber(rootObjectNumber)) return false;
  c.pos = trailer;
  encrypted |= c.FindKey("/Encrypt");
  std::int32_t value = 0;
  c.pos = trailer;
  if (c.FindKey("/Prev")) {
    if (!c.ReadNumber(value)) return false;
    prev = value;
  }
  c.pos = trailer;
  if (c.FindKey("/XRefStm")) {
    if (!c.ReadNumber(value)) return false;
    xrefStm = value;
  }
  return true;
}

bool PdfReader::ReadIndirectLength(std::int32_t number, std::int32_t &length) {
  const PdfCursor saved = cursor;
  const bool found = LocateObject(number) && cursor.ReadNumber(length);
  cursor = saved;
  return found;
}

bool PdfReader::ReadStreamData(const std::uint8_t *dictStart, TByteBuffer &out) {
  PdfCursor &c = cursor;
  out.clear();

  // /Filter: none, null, or FlateDecode (also abbreviated, also as the one
  // element of an array). Any other filter cannot be read here.
  bool flate = false;
  c.pos = dictStart;
  if (c.FindKey("/Filter")) {
    c.SkipBlanksAndComments();
    const bool isArray = c.MatchText("[");
    while (c.MatchName("/FlateDecode") || c.MatchName("/Fl")) {
      if (flate) return false;  // twice
      flate = true;
      if (!isArray) break;
    }
    c.SkipBlanksAndComments();
    if (isArray ? !c.MatchText("]") : !flate && !c.MatchText("null")) return false;
  }

  // /DecodeParms: a dictionary, or an array holding one (or null).
  std::int32_t predictor = 1, columns = 1, colors = 1, bits = 8;
  c.pos = dictStart;
  if (c.FindKey("/DecodeParms")) {
    c.SkipBlanksAndComments();
    if (c.MatchText("[")) c.SkipBlanksAndComments();
    if (c.pos + 1 < c.end && c.pos[0] == '<' && c.pos[1] == '<') {
      const std::uint8_t *parms = c.pos;
      auto read = [&](std::string_view key, std::int32_t &value) {
        c.pos = parms;
        if (c.FindKey(key) && !c.ReadNumber(value)) value = -1;
      };
      read("/Predictor", predictor);
      read("/Columns", columns);
      read("/Colors", colors);
      read("/BitsPerComponent", bits);
    }
  }

  c.pos = dictStart;
  std::int32_t length = 0, lengthObject = 0;
  if (!c.FindKey("/Length")) return false;
  const bool indirect = c.ReadReference(lengthObject);
  if (!indirect && !c.ReadNumber(length)) return false;
  c.pos = dictStart;
  c.SkipBlanksAndComments();
  if (c.pos < c.end && *c.pos == '<')
    c.SkipValue();  // the whole dictionary, from its "<<"
  else
    c.SkipDictionary();  // from inside it
  c.SkipBlanksAndComments();
  if (!c.MatchText("stream")) return false;
  if (flate) {
    // Only white space ends the keyword's line: a zlib header may begin
    // with a byte below the blank (0x08, 0x18), never with white space.
    while (c.pos < c.end && IsWhiteSpace(*c.pos)) ++c.pos;
  } else if (!c.MatchText("\r\n") && !c.MatchText("\n") && !c.MatchText("\r")) {
    return false;
  }
  const std::size_t rest = static_cast<std::size_t>(c.end - c.pos);

  if (flate) {
    // An indirect length only bounds the input: inflating stops at the end
    // of the compressed stream all the same.
    if (indirect) length = rest > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(rest);
    if (!InflateBuffer(c.pos, rest, length, out)) return false;
  } else {
    if (indirect && !ReadIndirectLength(lengthObject, length)) return false;
    if (std::size_t(length) > rest || std::size_t(length) > kMaxInflatedSize) return false;
    out.assign(c.pos, c.pos + length);
  }

  // Predictors, for 8-bit samples: 1 none, 2 TIFF, from 10 on PNG.
  if (predictor == 1) return true;
  if (bits != 8 || columns < 1 || colors < 1 || columns > (1 << 20) || colors > 32) return false;
  const std::int32_t rowBytes = columns * colors;
  if (predictor == 2) {
    UndoTiffPredictor(out.data(), out.size(), rowBytes, colors);
    return true;
  }
  if (predictor < 10 || out.size() > INT32_MAX) return false;
  out.resize(std::size_t(UndoPngPredictor(out.data(), static_cast<std::int32_t>(out.size()), rowBytes, colors)));
  return true;
}

bool PdfReader::ReadXrefStream(std::int64_t &prev) {
  PdfCursor &c = cursor;
  prev = -1;
  std::int32_t value = 0;
  if (!c.ReadNumber(value) || !c.ReadNumber(value)) return false;
  c.SkipBlanksAndComments();
  if (!c.MatchText("obj")) return false;
  const std::uint8_t *dict = c.pos;

  if (!c.KeyIsName("/Type", "/XRef")) return false;

  if (rootObjectNumber == -1) {
    c.pos = dict;
    if (!c.FindKey("/Root") || !c.ReadNumber(rootObjectNumber)) return false;
  }
  c.pos = dict;
  encrypted |= c.FindKey("/Encrypt");

  c.pos = dict;
  std::int32_t w[3] = {0, 0, 0};
  if (!c.FindKey("/W")) return false;
  c.SkipBlanksAndComments();
  if (!c.MatchText("[") || !c.ReadNumber(w[0]) || !c.ReadNumber(w[1]) || !c.ReadNumber(w[2])) return false;
  if (w[0] > 4 || w[1] > 8 || w[2] > 8) return false;

  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
  c.pos = dict;
  if (c.FindKey("/Index")) {
    c.SkipBlanksAndComments();
    if (!c.MatchText("[")) return false;
    for (;;) {
      std::int32_t first = 0, count = 0;
      if (!c.ReadNumber(first) || !c.ReadNumber(count)) return false;
      pairs.emplace_back(first, count);
      const std::uint8_t *mark = c.pos;
      const bool more = c.ReadNumber(value);
      c.pos = mark;
      if (!more) break;
    }
  }

  c.pos = dict;
  if (c.FindKey("/Prev")) {
    if (!c.ReadNumber(value)) return false;
    prev = value;
  }

  TByteBuffer rows;
  if (!ReadStreamData(dict, rows)) return false;
  const std::size_t rowWidth = std::size_t(w[0]) + std::size_t(w[1]) + std::size_t(w[2]);
  if (rowWidth == 0 || rows.size() % rowWidth != 0) return false;
  const std::size_t rowCount = rows.size() / rowWidth;
  if (pairs.empty()) pairs.emplace_back(0, static_cast<std::int32_t>(std::min<std::size_t>(rowCount, INT32_MAX)));
  xrefList.reserve(xrefList.size() + rowCount);

  std::size_t row = 0;
  for (const auto &[first, count] : pairs) {
    for (std::int32_t k = 0; k < count && row < rowCount; ++k, ++row) {
      const std::uint8_t *r = rows.data() + row * rowWidth;
      const std::int32_t number = CheckedObjectNumber(std::int64_t(first) + k);
      const std::uint64_t type = w[0] == 0 ? 1 : ReadBigEndianField(r, w[0]);
      const std::uint64_t field2 = ReadBigEndianField(r + w[0], w[1]);
      const std::uint64_t field3 = ReadBigEndianField(r + w[0] + w[1], w[2]);
      if (field2 > UINT32_MAX || field3 > UINT32_MAX) continue;
      if (type == 1)
        xrefList.push_back({number, std::uint32_t(field2), 0, false, false});
      else if (type == 2)
        xrefList.push_back({number, std::uint32_t(field3), std::uint32_t(field2), true, false});
    }
  }
  return true;
}

bool PdfReader::ReadXrefChain(std::int64_t offset) {
  const std::int64_t size = fileEnd_ - fileBegin_;
  // Opens the section at `at` once; a second visit means a loop.
  auto enter = [&](std::int64_t at) {
    if (at < 0 || at >= size || !visitedSections_.insert(at).second) return false;
    cursor = PdfCursor(fileBegin_, fileEnd_);
    cursor.pos = fileBegin_ + at;
    return true;
  };
  bool newest = true;
  for (std::int64_t next = offset; next >= 0; newest = false) {
    // A damaged older section is dropped whole; the newer ones stay.
    const std::size_t kept = xrefList.size();
    auto drop = [&] {
      xrefList.resize(kept);
      return !newest;
    };
    if (!enter(next)) return !newest;
    std::int64_t prev = -1, xrefStm = -1, unused = -1;
    if (cursor.MatchText("xref")) {
      if (!ReadXrefTable(prev, xrefStm)) return drop();
      // A hybrid file: the stream's entries come after the table's and
      // before the older sections.
      if (xrefStm >= 0 && (!enter(xrefStm) || !ReadXrefStream(unused))) return drop();
    } else if (!ReadXrefStream(prev)) {
      return drop();
    }
    next = prev;
  }
  return true;
}

// ---- objects ---------------------------------------------------------------

void PdfReader::IndexEntries() {
  indexed_ = true;
  entryIndex_.reserve(xrefList.size());
  for (std::size_t i = 0; i < xrefList.size(); ++i)
    if (!xrefList[i].isFree) entryIndex_.emplace(xrefList[i].objectNumber, i);  // keeps the first
}

const TXrefEntry *PdfReader::FindEntry(std::int32_t number) const {
  if (indexed_) {
    const auto it = entryIndex_.find(number);
    return it == entryIndex_.end() ? nullptr : &xrefList[it->second];
  }
  for (const TXrefEntry &e : xrefList)
    if (e.objectNumber == number && !e.isFree) return &e;
  return nullptr;
}

bool PdfReader::IsCompressedObject(std::int32_t number) const {
  const TXrefEntry *e = FindEntry(number);
  return e && e->isCompressed;
}

bool PdfReader::IsAtObject(const std::uint8_t *location, std::int32_t number) {
  cursor = PdfCursor(fileBegin_, fileEnd_);
  cursor.pos = location;
  std::int32_t found = 0;
  const PdfCursor start = cursor;
  try {
    if (!cursor.ReadNumber(found) || found != number) return false;
  } catch (const PdfNumberOverflow &) {
    return false;
  }
  cursor = start;
  return cursor.SkipObjectHeader();
}

bool PdfReader::GoToObject(std::int32_t number) {
  const TXrefEntry *e = FindEntry(number);
  if (!e || e->isCompressed || e->offset >= std::size_t(fileEnd_ - fileBegin_)) return false;
  return IsAtObject(fileBegin_ + e->offset, number);
}

void PdfReader::ScanObjectHeaders() {
  headersScanned_ = true;
  const std::string_view file(reinterpret_cast<const char *>(fileBegin_),
                              static_cast<std::size_t>(fileEnd_ - fileBegin_));
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(file[i]); };
  // Steps back over the digits ending before `i`; false unless 1 to 10.
  const auto digitsBefore = [&](std::size_t &i) {
    const std::size_t stop = i;
    while (i > 0 && IsDigit(byte(i - 1))) --i;
    return i < stop && stop - i <= 10;
  };
  const auto blanksBefore = [&](std::size_t &i) {
    const std::size_t stop = i;
    while (i > 0 && IsBlank(byte(i - 1))) --i;
    return i < stop;
  };
  for (std::size_t at = file.find("obj"); at != std::string_view::npos; at = file.find("obj", at + 3)) {
    const std::size_t after = at + 3;
    if (after < file.size() && !IsBlank(byte(after)) && !IsDelimiter(byte(after))) continue;
    std::size_t i = at;
    if (!blanksBefore(i) || !digitsBefore(i) || !blanksBefore(i)) continue;
    const std::size_t numberEnd = i;
    if (!digitsBefore(i)) continue;
    if (i > 0 && !IsBlank(byte(i - 1)) && !IsDelimiter(byte(i - 1))) continue;
    std::int64_t number = 0;
    for (std::size_t k = i; k < numberEnd; ++k) number = number * 10 + (byte(k) - '0');
    if (number > INT32_MAX) continue;
    scannedHeaders_[static_cast<std::int32_t>(number)] = fileBegin_ + i;
    headersInOrder_.emplace_back(static_cast<std::int32_t>(number), fileBegin_ + i);
  }
}

bool PdfReader::HasObjectHeaders() {
  if (!headersScanned_) ScanObjectHeaders();
  return !headersInOrder_.empty();
}

bool PdfReader::LocateObject(std::int32_t number) {
  if (GoToObject(number)) return true;
  if (!headersScanned_) ScanObjectHeaders();
  const auto it = scannedHeaders_.find(number);
  return it != scannedHeaders_.end() && IsAtObject(it->second, number);
}

const PdfReader::TDecodedStream *PdfReader::DecodeObjectStream(std::int32_t number) {
  if (const auto it = objectStreams_.find(number); it != objectStreams_.end()) return &it->second;
  if (!LocateObject(number)) return nullptr;
  PdfCursor &c = cursor;
  const std::uint8_t *dict = c.pos;
  if (!c.KeyIsName("/Type", "/ObjStm")) return nullptr;
  TDecodedStream s;
  std::int32_t first = 0;
  c.pos = dict;
  if (!c.FindKey("/N") || !c.ReadNumber(s.count)) return nullptr;
  c.pos = dict;
  if (!c.FindKey("/First") || !c.ReadNumber(first)) return nullptr;
  if (!ReadStreamData(dict, s.data) || std::size_t(first) > s.data.size()) return nullptr;

  PdfCursor header(s.data.data(), s.data.data() + first);
  s.objects.reserve(std::min<std::size_t>(std::size_t(s.count), std::size_t(first) / 4));
  try {
    for (std::int32_t object = 0, offset = 0; s.objects.size() < std::size_t(s.count) &&
                                              header.ReadNumber(object) && header.ReadNumber(offset);) {
      const std::size_t start = std::size_t(first) + std::size_t(offset);
      if (start >= s.data.size() || (!s.objects.empty() && start < s.objects.back().second)) break;
      s.objects.emplace_back(object, start);
    }
  } catch (const PdfNumberOverflow &) {  // the header ends there
  }
  if (objectStreamBytes_ + s.data.size() > kObjectStreamCacheBytes) {
    objectStreams_.clear();
    objectStreamBytes_ = 0;
  }
  objectStreamBytes_ += s.data.size();
  return &objectStreams_.emplace(number, std::move(s)).first->second;
}

bool PdfReader::LoadObjectFromStream(std::int32_t number, TByteBuffer &buffer) {
  const TXrefEntry *e = FindEntry(number);
  if (!e || !e->isCompressed || e->streamObjectNumber > INT32_MAX) return false;
  const std::size_t index = e->offset;
  const TDecodedStream *s = DecodeObjectStream(static_cast<std::int32_t>(e->streamObjectNumber));
  if (!s || index >= s->objects.size() || s->objects[index].first != number) return false;
  // The object runs to the next one, or to the end after the last.
  const std::size_t start = s->objects[index].second;
  std::size_t stop = s->data.size();
  if (index + 1 < s->objects.size())
    stop = s->objects[index + 1].second;
  else if (index + 1 < std::size_t(s->count))
    return false;  // the header breaks off after it
  if (start >= stop) return false;
  buffer.assign(s->data.begin() + std::ptrdiff_t(start), s->data.begin() + std::ptrdiff_t(stop));
  cursor = PdfCursor(buffer.data(), buffer.data() + buffer.size());
  return true;
}

PdfReader::TObjectPlace PdfReader::OpenObject(std::int32_t number, TByteBuffer &buffer) {
  if (!indexed_ && ++objectsOpened_ > 8) IndexEntries();
  if (IsCompressedObject(number) && LoadObjectFromStream(number, buffer)) return TObjectPlace::InStream;
  if (LocateObject(number)) return TObjectPlace::InFile;
  return TObjectPlace::Missing;
}

// ---- reconstruction --------------------------------------------------------

std::vector<std::int32_t> PdfReader::Reconstruct() {
  if (!headersScanned_) ScanObjectHeaders();
  xrefList.clear();
  entryIndex_.clear();
  indexed_ = false;
  rootObjectNumber = -1;

  // Where each object's newest definition stands: its header, or the
  // header of the object stream holding it.
  struct TDefinition {
    const std::uint8_t *at;
    TXrefEntry entry;
  };
  std::unordered_map<std::int32_t, TDefinition> newest;
  auto define = [&](const std::uint8_t *at, const TXrefEntry &entry) {
    auto [it, added] = newest.try_emplace(entry.objectNumber, TDefinition{at, entry});
    if (!added && it->second.at <= at) it->second = {at, entry};
  };
  for (const auto &[number, at] : headersInOrder_)
    define(at, {number, std::uint32_t(at - fileBegin_), 0, false, false});

  std::vector<std::pair<const std::uint8_t *, std::int32_t>> roots;  // position, /Root
  PdfCursor &c = cursor;
  std::int32_t value = 0;
  for (const auto &[number, at] : headersInOrder_) {
    if (!IsAtObject(at, number)) continue;
    const std::uint8_t *dict = c.pos;
    if (c.KeyIsName("/Type", "/XRef")) {
      c.pos = dict;
      if (c.FindKey("/Root") && c.ReadReference(value)) roots.emplace_back(at, value);
      c.pos = dict;
      encrypted |= c.FindKey("/Encrypt");
      continue;
    }
    c.pos = dict;
    if (!c.KeyIsName("/Type", "/ObjStm")) continue;
    const TDecodedStream *s = DecodeObjectStream(number);
    if (!s) continue;
    for (std::size_t k = 0; k < s->objects.size(); ++k)
      define(at, {s->objects[k].first, std::uint32_t(k), std::uint32_t(number), true, false});
  }

  const std::string_view file(reinterpret_cast<const char *>(fileBegin_),
                              static_cast<std::size_t>(fileEnd_ - fileBegin_));
  for (std::size_t at = file.find("trailer"); at != std::string_view::npos; at = file.find("trailer", at + 7)) {
    const std::uint8_t *dict = fileBegin_ + at + 7;
    c = PdfCursor(fileBegin_, fileEnd_);
    c.pos = dict;
    if (c.FindKey("/Root") && c.ReadReference(value)) roots.emplace_back(dict, value);
    c.pos = dict;
    encrypted |= c.FindKey("/Encrypt");
  }

  xrefList.reserve(newest.size());
  for (const auto &[number, definition] : newest) xrefList.push_back(definition.entry);
  IndexEntries();

  std::stable_sort(roots.begin(), roots.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
  std::vector<std::int32_t> candidates;
  for (const auto &[at, number] : roots)
    if (std::find(candidates.begin(), candidates.end(), number) == candidates.end()) candidates.push_back(number);
  if (!candidates.empty()) rootObjectNumber = candidates.front();
  return candidates;
}


}  // namespace lw
