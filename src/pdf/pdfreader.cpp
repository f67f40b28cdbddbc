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

// An object number computed from a table's first number plus a position.
std::int32_t CheckedObjectNumber(std::int64_t value) {
  if (value > INT32_MAX) throw PdfNumberOverflow();
  return static_cast<std::int32_t>(value);
}

}  // namespace

// ---- scanning primitives -------------------------------------------------

void PdfCursor::SkipBlanks() {
  while (pos < end && IsBlank(*pos)) ++pos;
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

bool PdfCursor::MatchText(std::string_view text) {
  if (static_cast<std::size_t>(end - pos) < text.size()) return false;
  if (std::memcmp(pos, text.data(), text.size()) != 0) return false;
  pos += text.size();
  return true;
}

bool PdfCursor::KeyIsName(std::string_view key, std::string_view value) {
  if (!FindKey(key)) return false;
  SkipBlanks();
  return MatchText(value);
}

bool PdfCursor::FindKey(std::string_view key) {
  int depth = 0;
  const std::uint8_t first = static_cast<std::uint8_t>(key.front());
  while (pos < end) {
    const std::uint8_t b = *pos;
    if (b == '<') {
      if (pos + 1 < end && pos[1] == '<') {
        ++depth;
        pos += 2;
      } else {
        ++pos;
      }
    } else if (b == '>') {
      if (pos + 1 < end && pos[1] == '>') {
        if (--depth <= 0) return false;
        pos += 2;
      } else {
        ++pos;
      }
    } else if (b == first) {
      if (depth < 2 && MatchText(key)) return true;
      ++pos;
    } else {
      ++pos;
    }
  }
  return false;
}

bool PdfCursor::SkipDictionary() {
  int depth = 1;
  while (pos < end) {
    const bool pair = pos + 1 < end && pos[1] == *pos;
    if (*pos == '<' && pair) {
      ++depth;
      pos += 2;
    } else if (*pos == '>' && pair) {
      pos += 2;
      if (--depth == 0) return true;
    } else {
      ++pos;
    }
  }
  return true;
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

bool PdfReader::ReadDecodeParms(const std::uint8_t *dictStart, std::int32_t &columns,
                                std::int32_t &predictor) {
  PdfCursor &c = cursor;
  columns = predictor = 0;
  c.pos = dictStart;
  std::int32_t value = 0;
  if (c.FindKey("/DecodeParms") && c.FindKey("/Columns") && c.ReadNumber(value)) columns = value;
  if (columns > 0) {
    c.SkipBlanks();
    if (c.MatchText("/Predictor") && c.ReadNumber(value)) predictor = value;
  }
  return true;
}

bool PdfReader::ReadStreamData(const std::uint8_t *dictStart, std::int32_t columns,
                               std::int32_t predictor, TByteBuffer &out) {
  PdfCursor &c = cursor;
  c.pos = dictStart;
  std::int32_t length = 0, generation = 0;
  if (!c.FindKey("/Length") || !c.ReadNumber(length)) return false;
  // "/Length 12 0 R": the length stands in another object. The data then
  // runs to the end of the file at most; inflating stops at the end of the
  // compressed stream all the same.
  const std::uint8_t *afterNumber = c.pos;
  bool indirect = false;
  if (c.ReadNumber(generation)) {
    c.SkipBlanks();
    indirect = c.MatchText("R");
  }
  c.pos = afterNumber;
  c.SkipDictionary();
  while (c.pos < c.end && *c.pos != 's') ++c.pos;
  if (!c.MatchText("stream")) return false;
  // Only white space ends the keyword's line: a zlib header may begin with
  // a byte below the blank (0x08, 0x18).
  while (c.pos < c.end && IsWhiteSpace(*c.pos)) ++c.pos;
  const std::size_t rest = static_cast<std::size_t>(c.end - c.pos);
  if (indirect) length = rest > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(rest);
  if (!InflateBuffer(c.pos, rest, length, out)) return false;
  if (columns > 0 && predictor > 9)
    out.resize(UndoPngPredictor(out.data(), static_cast<std::int32_t>(out.size()), columns));
  return true;
}

bool PdfReader::ReadXrefStream(std::int64_t &prev) {
  PdfCursor &c = cursor;
  prev = -1;
  std::int32_t value = 0;
  if (!c.ReadNumber(value) || !c.ReadNumber(value)) return false;
  const std::uint8_t *dict = c.pos;

  if (!c.KeyIsName("/Type", "/XRef")) return false;

  if (rootObjectNumber == -1) {
    c.pos = dict;
    if (!c.FindKey("/Root")) return false;
    c.SkipBlanks();
    if (!c.ReadNumber(rootObjectNumber)) return false;
  }

  c.pos = dict;
  if (!c.KeyIsName("/Filter", "/FlateDecode")) return false;

  std::int32_t columns = 0, predictor = 0;
  ReadDecodeParms(dict, columns, predictor);

  c.pos = dict;
  std::int32_t w1 = 0, w2 = 0, w3 = 0;
  if (!c.FindKey("/W")) return false;
  c.SkipBlanks();
  if (!c.MatchText("[") || !c.ReadNumber(w1) || !c.ReadNumber(w2) || !c.ReadNumber(w3)) return false;
  if (w1 != 1) return false;

  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
  c.pos = dict;
  if (c.FindKey("/Index")) {
    c.SkipBlanks();
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
  if (!ReadStreamData(dict, columns, predictor, rows)) return false;
  const std::size_t rowWidth = std::size_t(w1) + std::size_t(w2) + std::size_t(w3);
  if (rows.size() % rowWidth != 0) return false;
  const std::size_t rowCount = rows.size() / rowWidth;
  if (pairs.empty()) pairs.emplace_back(0, static_cast<std::int32_t>(rowCount));
  xrefList.reserve(xrefList.size() + rowCount);

  std::size_t row = 0;
  for (const auto &[first, count] : pairs) {
    for (std::int32_t k = 0; k < count && row < rowCount; ++k, ++row) {
      const std::uint8_t *r = rows.data() + row * rowWidth;
      const std::int32_t number = CheckedObjectNumber(std::int64_t(first) + k);
      if (r[0] == 1)
        xrefList.push_back({number, ReadBigEndianField(r + 1, w2), 0, false, false});
      else if (r[0] == 2)
        xrefList.push_back({number, ReadBigEndianField(r + 1 + w2, w3),
                            ReadBigEndianField(r + 1, w2), true, false});
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
  for (std::int64_t next = offset; next >= 0;) {
    if (!enter(next)) return false;
    std::int64_t prev = -1, xrefStm = -1, unused = -1;
    if (cursor.MatchText("xref")) {
      if (!ReadXrefTable(prev, xrefStm)) return false;
      // A hybrid file: the stream's entries come after the table's and
      // before the older sections.
      if (xrefStm >= 0 && (!enter(xrefStm) || !ReadXrefStream(unused))) return false;
    } else if (!ReadXrefStream(prev)) {
      return false;
    }
    next = prev;
  }
  return true;
}

// ---- objects ---------------------------------------------------------------

const TXrefEntry *PdfReader::FindEntry(std::int32_t number) const {
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
  return cursor.ReadNumber(found) && found == number;
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
    if (number <= INT32_MAX) scannedHeaders_[static_cast<std::int32_t>(number)] = fileBegin_ + i;
  }
}

bool PdfReader::LocateObject(std::int32_t number) {
  if (GoToObject(number)) return true;
  if (!headersScanned_) ScanObjectHeaders();
  const auto it = scannedHeaders_.find(number);
  return it != scannedHeaders_.end() && IsAtObject(it->second, number);
}

bool PdfReader::LoadObjectFromStream(std::int32_t number, TByteBuffer &buffer) {
  const TXrefEntry *e = FindEntry(number);
  if (!e || !e->isCompressed || e->streamObjectNumber > INT32_MAX) return false;
  const std::int64_t index = e->offset;
  if (!LocateObject(static_cast<std::int32_t>(e->streamObjectNumber))) return false;

  PdfCursor &c = cursor;
  const std::uint8_t *dict = c.pos;
  if (!c.KeyIsName("/Type", "/ObjStm")) return false;
  c.pos = dict;
  if (!c.KeyIsName("/Filter", "/FlateDecode")) return false;
  std::int32_t columns = 0, predictor = 0;
  ReadDecodeParms(dict, columns, predictor);
  std::int32_t count = 0, first = 0;
  c.pos = dict;
  if (!c.FindKey("/N") || !c.ReadNumber(count) || index >= count) return false;
  c.pos = dict;
  if (!c.FindKey("/First") || !c.ReadNumber(first)) return false;
  if (!ReadStreamData(dict, columns, predictor, buffer)) return false;

  PdfCursor d(buffer.data(), buffer.data() + buffer.size());
  std::int32_t value = 0, offset = 0, nextOffset = 0;
  for (std::int64_t k = 0; k < index; ++k)
    if (!d.ReadNumber(value) || !d.ReadNumber(value)) return false;
  if (!d.ReadNumber(value) || value != number || !d.ReadNumber(offset)) return false;
  const std::size_t start = std::size_t(first) + std::size_t(offset);
  std::size_t stop = buffer.size();
  if (index != count - 1) {
    if (!d.ReadNumber(value) || !d.ReadNumber(nextOffset) || nextOffset < offset) return false;
    stop = std::size_t(first) + std::size_t(nextOffset);
  }
  if (start >= stop || stop > buffer.size()) return false;
  std::memmove(buffer.data(), buffer.data() + start, stop - start);
  buffer.resize(stop - start);
  cursor = PdfCursor(buffer.data(), buffer.data() + buffer.size());
  return true;
}

PdfReader::TObjectPlace PdfReader::OpenObject(std::int32_t number, TByteBuffer &buffer) {
  if (IsCompressedObject(number) && LoadObjectFromStream(number, buffer)) return TObjectPlace::InStream;
  if (LocateObject(number)) return TObjectPlace::InFile;
  return TObjectPlace::Missing;
}

}  // namespace lw
