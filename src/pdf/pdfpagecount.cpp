#include "pdf/pdfpagecount.h"

#include "pdf/pdfreader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace lw {

namespace {

// A page takes at least a byte of the file, its object, its reference
// among its parent's kids and its cross-reference entry together: a count
// above the file size cannot be true.
bool IsPossibleCount(std::int64_t count, std::size_t size) {
  return count >= 0 && static_cast<std::uint64_t>(count) <= size;
}

// Real files take more than this many bytes a page; blank pages packed in
// object streams come closest, at about 8. A /Count needing fewer is
// checked against the page tree's leaves rather than believed.
constexpr std::size_t kBelievedPageBytes = 16;

bool IsBelievableCount(std::int64_t count, std::size_t size) {
  return count >= 0 && static_cast<std::uint64_t>(count) <= size / kBelievedPageBytes;
}

// Most roots a reconstructed file is tried with.
constexpr std::size_t kMaxRootCandidates = 16;


// Runs one way of counting; a number above 2147483647 or exhausted memory
// ends that way only, with -1.
template <class F>
std::int32_t Guarded(F count) {
  try {
    return count();
  } catch (const PdfNumberOverflow &) {
    return -1;
  } catch (const std::bad_alloc &) {
    return -1;
  }
}

// Where "%PDF-" stands in the first 1024 bytes, if it does.
std::optional<std::size_t> FindHeader(const std::uint8_t *data, std::size_t size) {
  const std::string_view head(reinterpret_cast<const char *>(data), size < 1024 ? size : 1024);
  const std::size_t at = head.find("%PDF-");
  if (at == std::string_view::npos) return std::nullopt;
  return at;
}

struct TLinearization {
  std::int32_t pages = 0;        // /N
  std::int64_t fileLength = -1;  // /L, or -1 when the dictionary has none
};

// The /N (and /L) of a linearization dictionary standing in the file's
// first object, right after the header and its comment lines.
std::optional<TLinearization> ReadLinearization(const std::uint8_t *data, std::size_t size) {
  PdfCursor c(data, data + (size < 1024 ? size : 1024));
  c.SkipBlanksAndComments();
  const std::uint8_t *dict = c.pos;
  if (!c.FindKey("/Linearized")) return std::nullopt;
  TLinearization lin;
  try {
    c.pos = dict;
    if (!c.FindKey("/N") || !c.ReadNumber(lin.pages)) return std::nullopt;
    c.pos = dict;
    std::int32_t length = 0;
    if (c.FindKey("/L") && c.ReadNumber(length)) lin.fileLength = length;
  } catch (const PdfNumberOverflow &) {
    return std::nullopt;
  }
  return lin;
}

// The offset the last "startxref" gives, or -1.
std::int64_t ReadStartxref(const std::uint8_t *data, std::size_t size) {
  if (size < 5) return -1;
  PdfCursor tail(data, data + size);
  tail.pos = data + size - 5;
  std::int32_t offset = 0;
  if (!tail.FindTextBackward("startxref") || !tail.ReadNumber(offset)) return -1;
  return offset;
}

// True when the newest cross-reference section's trailer (or stream
// dictionary) names /Encrypt; read without the rest of the chain.
bool NewestTrailerNamesEncrypt(const std::uint8_t *data, std::size_t size) {
  const std::int64_t offset = ReadStartxref(data, size);
  if (offset < 0 || std::size_t(offset) >= size) return false;
  PdfCursor c(data, data + size);
  c.pos = data + offset;
  if (c.MatchText("xref")) {
    const std::string_view rest(reinterpret_cast<const char *>(c.pos), std::size_t(c.end - c.pos));
    const std::size_t at = rest.find("trailer");
    if (at == std::string_view::npos) return false;
    c.pos += at + 7;
  }
  return c.FindKey("/Encrypt");
}

// The page tree's leaves under object `root`, each node opened once: -1
// when a node is missing or no dictionary, when a kid is no reference, on a
// loop or a kid shared by two parents, and beyond the pages `size` bytes
// can hold.
std::int32_t CountLeaves(PdfReader &reader, std::int32_t root, std::size_t size) {
  const std::size_t limit = size;  // IsPossibleCount
  PdfCursor &c = reader.cursor;
  TByteBuffer object;
  std::vector<std::int32_t> pending{root};
  std::unordered_set<std::int32_t> seen;
  std::size_t leaves = 0;
  while (!pending.empty()) {
    const std::int32_t number = pending.back();
    pending.pop_back();
    if (!seen.insert(number).second || seen.size() > limit + 1) return -1;
    if (reader.OpenObject(number, object) == PdfReader::TObjectPlace::Missing) return -1;
    c.SkipBlanksAndComments();
    const std::uint8_t *dict = c.pos;
    if (!c.MatchText("<<")) return -1;
    c.pos = dict;
    if (c.KeyIsName("/Type", "/Page")) {
      if (++leaves > limit) return -1;
      continue;
    }
    c.pos = dict;
    if (!c.FindKey("/Kids")) {
      c.pos = dict;
      if (c.KeyIsName("/Type", "/Pages")) continue;  // an empty node
      if (++leaves > limit) return -1;               // a page without /Type
      continue;
    }
    c.SkipBlanksAndComments();
    if (!c.MatchText("[")) return -1;
    for (std::int32_t kid = 0; c.ReadReference(kid);) {
      if (pending.size() > limit) return -1;
      pending.push_back(kid);
    }
    c.SkipBlanksAndComments();
    if (!c.MatchText("]")) return -1;
  }
  return static_cast<std::int32_t>(leaves);
}

// The /Count of the page-tree root, direct or "/Count 5 0 R"; -1 when
// missing, no number, or above 2147483647.
std::int64_t ReadCount(PdfReader &reader, const std::uint8_t *dict) {
  PdfCursor &c = reader.cursor;
  c.pos = dict;
  if (!c.FindKey("/Count")) return -1;
  try {
    std::int32_t count = 0, holder = 0;
    TByteBuffer object;  // holds the number when it is compressed
    if (c.ReadReference(holder) && reader.OpenObject(holder, object) == PdfReader::TObjectPlace::Missing)
      return -1;
    return c.ReadNumber(count) ? count : -1;
  } catch (const PdfNumberOverflow &) {
    return -1;
  }
}

// The page count through catalog `root`: its page-tree root's /Count when
// the file has the bytes for it (IsBelievableCount), otherwise the tree's
// leaves. -1 when the catalog or the page-tree root cannot be opened.
std::int32_t CountFromRoot(PdfReader &reader, std::int32_t root, std::size_t size) {
  PdfCursor &c = reader.cursor;
  TByteBuffer object;  // a compressed object's bytes
  std::int32_t pagesRoot = 0;
  if (reader.OpenObject(root, object) == PdfReader::TObjectPlace::Missing) return -1;
  if (!c.FindKey("/Pages") || !c.ReadReference(pagesRoot)) return -1;
  if (reader.OpenObject(pagesRoot, object) == PdfReader::TObjectPlace::Missing) return -1;
  const std::int64_t count = ReadCount(reader, c.pos);
  if (IsBelievableCount(count, size)) return static_cast<std::int32_t>(count);
  return CountLeaves(reader, pagesRoot, size);
}

struct TCount {
  std::int32_t count = -1;
  bool encrypted = false;
  bool looksLikePdf = false;  // a header, or "N G obj" headers found by scanning
};

// Through the cross-reference chain that the last startxref begins.
std::int32_t CountFromXref(const std::uint8_t *data, std::size_t size, TCount &out) {
  const std::int64_t offset = ReadStartxref(data, size);
  if (offset < 0) return -1;
  PdfReader reader(data, size);
  if (!reader.ReadXrefChain(offset)) return -1;
  out.encrypted |= reader.encrypted;
  if (reader.rootObjectNumber < 0) return -1;
  return CountFromRoot(reader, reader.rootObjectNumber, size);
}

// Through the objects and trailers found by scanning the file.
std::int32_t CountFromScan(const std::uint8_t *data, std::size_t size, TCount &out) {
  PdfReader reader(data, size);
  if (!reader.HasObjectHeaders()) return -1;
  out.looksLikePdf = true;
  const std::vector<std::int32_t> roots = reader.Reconstruct();
  out.encrypted |= reader.encrypted;
  for (std::size_t i = 0; i < roots.size() && i < kMaxRootCandidates; ++i)
    if (const std::int32_t n = Guarded([&] { return CountFromRoot(reader, roots[i], size); }); n >= 0) return n;
  return -1;
}

TCount CountPages(const std::uint8_t *data, std::size_t size) {
  TCount out;
  // Junk before the header moves every offset: they count from "%PDF-".
  const std::optional<std::size_t> header = FindHeader(data, size);
  const std::uint8_t *pdf = header ? data + *header : data;
  const std::size_t pdfSize = header ? size - *header : size;
  out.looksLikePdf = header.has_value();

  const auto lin = ReadLinearization(pdf, pdfSize);
  // /N is believed as /Count is; when nothing else can be read it is still
  // the answer unless it cannot be true.
  const bool linearizedBelieved = lin && IsBelievableCount(lin->pages, pdfSize);
  const bool linearizedPossible = lin && IsPossibleCount(lin->pages, pdfSize);
  // /L is the file's length when it was linearized. A longer (or shorter)
  // file was changed afterwards, typically by an incremental update that
  // may add pages: its cross-reference information knows better.
  if (linearizedBelieved && lin->fileLength == static_cast<std::int64_t>(pdfSize)) {
    out.count = lin->pages;
    out.encrypted = NewestTrailerNamesEncrypt(pdf, pdfSize);
    return out;
  }

  out.count = Guarded([&] { return CountFromXref(pdf, pdfSize, out); });
  // Some writers count offsets from the first byte, junk included.
  if (out.count < 0 && header && *header > 0) out.count = Guarded([&] { return CountFromXref(data, size, out); });
  if (out.count < 0) out.count = Guarded([&] { return CountFromScan(pdf, pdfSize, out); });
  if (out.count < 0 && linearizedPossible) out.count = lin->pages;
  return out;
}

// Reads what `fd` holds to its end.
bool ReadAll(int fd, std::vector<std::uint8_t> &out) {
  std::uint8_t chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.insert(out.end(), chunk, chunk + n);
  }
}

PdfPageCountResult Unreadable() {
  PdfPageCountResult r;
  r.problem = PdfProblem::Unreadable;
  return r;
}

}  // namespace

PdfPageCountResult ReadPdfPageCount(const std::uint8_t *data, std::size_t size) {
  PdfPageCountResult result;
  if (data == nullptr || size == 0) {
    result.problem = PdfProblem::NotPdf;
    return result;
  }
  TCount counted;
  try {
    counted = CountPages(data, size);
  } catch (...) {  // nothing else is expected; -1 all the same
    counted = TCount{};
    counted.looksLikePdf = true;
  }
  result.count = counted.count;
  result.encrypted = counted.encrypted;
  if (counted.count > 0)
    result.problem = PdfProblem::None;
  else if (counted.count == 0)
    result.problem = PdfProblem::NoPages;
  else if (counted.encrypted)
    result.problem = PdfProblem::Encrypted;
  else if (!counted.looksLikePdf)
    result.problem = PdfProblem::NotPdf;
  else
    result.problem = PdfProblem::Damaged;
  return result;
}

PdfPageCountResult ReadPdfPageCountFile(const std::string &path) {
  // Without waiting: a pipe would block the open until something writes to
  // it. Only a plain file is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Unreadable();
  PdfPageCountResult answer = Unreadable();
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    void *map = MAP_FAILED;
    if (S_ISREG(st.st_mode) && st.st_size > 0)
      map = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      answer = ReadPdfPageCount(static_cast<const std::uint8_t *>(map), static_cast<std::size_t>(st.st_size));
      ::munmap(map, static_cast<std::size_t>(st.st_size));
    } else {
      try {
        std::vector<std::uint8_t> bytes;
        if (ReadAll(fd, bytes)) answer = ReadPdfPageCount(bytes.data(), bytes.size());
      } catch (const std::bad_alloc &) {
        answer = Unreadable();
      }
    }
  }
  ::close(fd);
  return answer;
}

const char *PdfProblemText(PdfProblem problem) {
  switch (problem) {
    case PdfProblem::None: return "";
    case PdfProblem::Unreadable: return "cannot be read";
    case PdfProblem::NotPdf: return "is not a PDF";
    case PdfProblem::Damaged: return "is damaged";
    case PdfProblem::Encrypted: return "is password-protected";
    case PdfProblem::NoPages: return "has no pages";
  }
  return "";
}

int GetPdfPageCountFromMemory(const std::uint8_t *data, std::size_t size) {
  return ReadPdfPageCount(data, size).count;
}

int GetPdfPageCount(const std::string &path) { return ReadPdfPageCountFile(path).count; }

}  // namespace lw
