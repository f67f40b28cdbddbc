// The small PDF reader under the page counter: scanning primitives over PDF
// text, the cross-reference information (classic tables and cross-reference
// streams), access to objects by number, compressed ones included, and the
// reconstruction of a damaged file's object list from its object headers.
// It reads only what counting pages needs: streams stored as they are or
// under FlateDecode, with no predictor, the TIFF one or the PNG ones.
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
  // Steps over bytes below 0x21 and over comments ("%" to the line end).
  void SkipBlanksAndComments();
  // Steps over blanks, then reads the decimal digits that follow (no sign,
  // no point). Returns false, cursor after the blanks, when there is no
  // digit; otherwise stores the value and leaves the cursor after the last
  // digit. Throws PdfNumberOverflow for a value above 2147483647.
  bool ReadNumber(std::int32_t &value);
  // Reads "N G R" after blanks and comments: true with N in `number` and
  // the cursor after the "R"; false with the cursor where it was.
  bool ReadReference(std::int32_t &number);
  // Reads an object header "N G obj" after blanks: true with the cursor
  // after "obj"; false with the cursor where it was.
  bool SkipObjectHeader();
  // True, and the cursor moved past it, when `text` stands at the cursor.
  bool MatchText(std::string_view text);
  // True, and the cursor moved past it, when the name `name` (such as
  // "/XRef") stands after blanks and comments as a whole name: "/XRefs"
  // is not "/XRef". "#xx" escapes inside the name are decoded.
  bool MatchName(std::string_view name);
  // Steps over one object after blanks and comments: a number, name,
  // keyword, string, hex string, array or dictionary (nested ones whole),
  // or a reference "N G R". False, cursor unmoved, at the buffer end or at
  // a closing ">>", "]" or ")".
  bool SkipValue();
  // Finds the key `key` (such as "/Count") among the keys of a dictionary:
  // the cursor is inside it at a key, or before its "<<" (after blanks,
  // comments and an object header "N G obj"). Values are skipped whole, so
  // a name inside a string, a nested dictionary or an array, a value that
  // is a name and a longer key are never taken. On success the cursor is
  // just after the key; false at the dictionary's ">>", the buffer end or
  // anything that is no dictionary.
  bool FindKey(std::string_view key);
  // FindKey(key), then the name `value` (such as "/XRef") as a whole name:
  // true when both are there, the cursor after the name.
  bool KeyIsName(std::string_view key, std::string_view value);
  // From inside a dictionary at a key, moves just past the ">>" that closes
  // it (to the buffer end when it is not closed). Always true.
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
  bool encrypted = false;           // a trailer read names /Encrypt

  // Reads the sections of a classic table, the cursor just after "xref",
  // up to and including its trailer: appends the entries, takes /Root when
  // none was found yet, notes /Encrypt, and stores the trailer's /Prev and
  // /XRefStm offsets (-1 when absent) in `prev` and `xrefStm`. Returns false
  // on damage.
  bool ReadXrefTable(std::int64_t &prev, std::int64_t &xrefStm);
  // Reads one cross-reference stream, the cursor at its object number:
  // appends its entries, takes /Root when none was found yet (a stream
  // without /Root is damage when none was), notes /Encrypt, stores its
  // /Prev (-1 when absent). A first /W field of width 0 means type 1.
  // Returns false on damage, an unknown filter or a failed decode.
  bool ReadXrefStream(std::int64_t &prev);
  // Reads the newest section at `offset` and every older one reached
  // through /Prev and /XRefStm, whichever kind each is. Returns false when
  // the newest section cannot be read (or lies outside the file); an older
  // section that is damaged, outside the file or already read (a loop)
  // ends the chain, keeping the sections read before it.
  bool ReadXrefChain(std::int64_t offset);

  // Replaces the cross-reference information by what scanning the whole
  // file finds: the last "N G obj" header of each number and the objects of
  // every object stream, the one further down the file winning. Returns
  // the /Root of every trailer and cross-reference stream, newest first and
  // each once; notes /Encrypt in any trailer. Empty when there is none.
  std::vector<std::int32_t> Reconstruct();
  // True when the scan finds at least one "N G obj" header.
  bool HasObjectHeaders();

  // True when the first usable entry for `number` is uncompressed and the
  // object there is "number G obj"; the cursor is then just after "obj" in
  // the file data. False otherwise.
  bool GoToObject(std::int32_t number);
  // True when the first usable entry for `number` is a compressed one.
  bool IsCompressedObject(std::int32_t number) const;
  // Copies compressed object `number` out of its decoded object stream into
  // `buffer`; the cursor is at its first byte. False when the entry, the
  // object stream or the object cannot be found or decoded, or the object
  // is empty.
  bool LoadObjectFromStream(std::int32_t number, TByteBuffer &buffer);

  enum class TObjectPlace { Missing, InFile, InStream };
  // Finds object `number` wherever it is: compressed (cursor at its bytes
  // in `buffer`), uncompressed (cursor after "obj" in the file data), or,
  // when the cross-reference information does not lead to it, at the last
  // "N G obj" header found by scanning the file. Missing when none.
  TObjectPlace OpenObject(std::int32_t number, TByteBuffer &buffer);

 private:
  struct TDecodedStream {
    TByteBuffer data;
    std::int32_t count = 0;  // /N
    // Its header, read once: object number and where the object begins in
    // `data`, for at most /N objects, up to the first pair that is no pair
    // of numbers or points outside `data` or before the previous object.
    std::vector<std::pair<std::int32_t, std::size_t>> objects;
  };

  const TXrefEntry *FindEntry(std::int32_t number) const;
  void IndexEntries();
  bool LocateObject(std::int32_t number);  // GoToObject, then the scanned headers
  bool IsAtObject(const std::uint8_t *location, std::int32_t number);
  bool ReadStreamData(const std::uint8_t *dictStart, TByteBuffer &out);
  bool ReadIndirectLength(std::int32_t number, std::int32_t &length);
  const TDecodedStream *DecodeObjectStream(std::int32_t number);
  void ScanObjectHeaders();

  const std::uint8_t *fileBegin_;
  const std::uint8_t *fileEnd_;
  std::unordered_set<std::int64_t> visitedSections_;
  bool headersScanned_ = false;
  // Scanned headers: number -> the last "N G obj" with that number, and
  // every header in file order.
  std::unordered_map<std::int32_t, const std::uint8_t *> scannedHeaders_;
  std::vector<std::pair<std::int32_t, const std::uint8_t *>> headersInOrder_;
  // Number -> index in xrefList of its first usable entry, once built.
  // Built on the 9th object opened: a page-tree walk opens many.
  std::unordered_map<std::int32_t, std::size_t> entryIndex_;
  bool indexed_ = false;
  int objectsOpened_ = 0;
  // Decoded object streams by number, up to kMaxInflatedSize * 2 bytes.
  std::unordered_map<std::int32_t, TDecodedStream> objectStreams_;
  std::size_t objectStreamBytes_ = 0;
};

}  // namespace lw
