// The small PDF reader under the page counter: scanning primitives over PDF
// text, the cross-reference information (classic tables and cross-reference
// streams), and access to objects by number, compressed ones included. It
// reads only what counting pages needs and knows no filter but FlateDecode.
#pragma once

#include "pdf/streamdecode.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace lw {

// Thrown by PdfCursor::ReadNumber for a value above 2147483647; it ends the
// whole page count, which then answers -1.
struct PdfNumberOverflow : std::runtime_error {
  PdfNumberOverflow() : std::runtime_error("PDF number above 2147483647") {}
};

// A position inside one byte buffer (the file data or a decoded stream).
// Every scan is bounded by `end`; `begin` bounds the backward search.
struct PdfCursor {
  const std::uint8_t *begin = nullptr;
  const std::uint8_t *pos = nullptr;
  const std::uint8_t *end = nullptr;

  PdfCursor() = default;
  PdfCursor(const std::uint8_t *b, const std::uint8_t *e) : begin(b), pos(b), end(e) {}
  explicit PdfCursor(std::string_view text)
      : PdfCursor(reinterpret_cast<const std::uint8_t *>(text.data()),
                  reinterpret_cast<const std::uint8_t *>(text.data()) + text.size()) {}

  // Steps over bytes below 0x21.
  void SkipBlanks();
  // Steps over blanks, then reads the decimal digits that follow (no sign,
  // no point). Returns false, cursor after the blanks, when there is no
  // digit; otherwise stores the value and leaves the cursor after the last
  // digit. Throws PdfNumberOverflow for a value above 2147483647.
  bool ReadNumber(std::int32_t &value);
  // True, and the cursor moved past it, when `text` stands at the cursor.
  bool MatchText(std::string_view text);
  // Finds `key` (starting with "/") at depth 0 or 1 of the dictionary at or
  // after the cursor; the search ends at the ">>" closing the first
  // dictionary met. A longer name beginning with the key matches too. On
  // success the cursor is just after the key; false when not found.
  bool FindKey(std::string_view key);
  // FindKey(key), then blanks, then the name `value` (such as "/XRef"):
  // true when all three are there, the cursor after the name.
  bool KeyIsName(std::string_view key, std::string_view value);
  // From inside a dictionary, moves just past the ">>" that closes it (to
  // the buffer end when it is not closed). Always true.
  bool SkipDictionary();
  // Finds the nearest `text` ending at or before the cursor, searching
  // towards `begin`; on success the cursor is just after it. False when not
  // found or when the cursor lies before `begin`.
  bool FindTextBackward(std::string_view text);
};

// One object listed by the cross-reference information.
struct TXrefEntry {
  std::int32_t objectNumber = 0;
  // Uncompressed: byte offset from the file start. Compressed: the index
  // inside the object stream.
  std::uint32_t offset = 0;
  // Compressed: number of the object stream holding it.
  std::uint32_t streamObjectNumber = 0;
  bool isCompressed = false;
  // A free ("f") line of a classic table: listed, but never a location.
  bool isFree = false;
};

class PdfReader {
 public:
  // `data` is the whole file and must outlive the reader.
  PdfReader(const std::uint8_t *data, std::size_t size);

  PdfCursor cursor;                 // where the last operation left off
  std::vector<TXrefEntry, TPrefaultAllocator<TXrefEntry>> xrefList;  // newest section first
  std::int32_t rootObjectNumber = -1;

  // Reads the sections of a classic table, the cursor just after "xref",
  // up to and including its trailer: appends the entries, takes /Root when
  // none was found yet, and stores the trailer's /Prev and /XRefStm offsets
  // (-1 when absent) in `prev` and `xrefStm`. Returns false on damage.
  bool ReadXrefTable(std::int64_t &prev, std::int64_t &xrefStm);
  // Reads one cross-reference stream, the cursor at its object number:
  // appends its entries, takes /Root when none was found yet (a stream
  // without /Root is damage when none was), stores its /Prev (-1 when
  // absent). Returns false on damage or a failed inflate.
  bool ReadXrefStream(std::int64_t &prev);
  // Reads the newest section at `offset` and every older one reached
  // through /Prev and /XRefStm, whichever kind each is. Returns false on
  // damage, on an offset outside the file and on a chain that returns to a
  // section already read.
  bool ReadXrefChain(std::int64_t offset);

  // True when the first usable entry for `number` is uncompressed and the
  // object there carries that number; the cursor is then just after the
  // number in the file data. False otherwise.
  bool GoToObject(std::int32_t number);
  // True when the first usable entry for `number` is a compressed one.
  bool IsCompressedObject(std::int32_t number) const;
  // Cuts compressed object `number` out of its decoded object stream into
  // `buffer`; the cursor is at its first byte. False when the entry, the
  // object stream or the object cannot be found or decoded, or the object
  // is empty.
  bool LoadObjectFromStream(std::int32_t number, TByteBuffer &buffer);

  enum class TObjectPlace { Missing, InFile, InStream };
  // Finds object `number` wherever it is: compressed (cursor at its bytes
  // in `buffer`), uncompressed (cursor after its number in the file data),
  // or, when the cross-reference information does not lead to it, at the
  // last "N G obj" header found by scanning the file. Missing when none.
  TObjectPlace OpenObject(std::int32_t number, TByteBuffer &buffer);

 private:
  const TXrefEntry *FindEntry(std::int32_t number) const;
  bool LocateObject(std::int32_t number);  // GoToObject, then the scanned headers
  bool IsAtObject(const std::uint8_t *location, std::int32_t number);
  bool ReadDecodeParms(const std::uint8_t *dictStart, std::int32_t &columns,
                       std::int32_t &predictor);
  bool ReadStreamData(const std::uint8_t *dictStart, std::int32_t columns,
                      std::int32_t predictor, TByteBuffer &out);
  void ScanObjectHeaders();

  const std::uint8_t *fileBegin_;
  const std::uint8_t *fileEnd_;
  std::unordered_set<std::int64_t> visitedSections_;
  bool headersScanned_ = false;
  std::unordered_map<std::int32_t, const std::uint8_t *> scannedHeaders_;
};

}  // namespace lw
