#include "pdf/pdfpagecount.h"

#include "pdf/pdfreader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace lw {

namespace {

struct TLinearization {
  std::int32_t pages = 0;        // /N
  std::int64_t fileLength = -1;  // /L, or -1 when the dictionary has none
};

// The /N (and /L) of a linearization dictionary standing in the file's first object.
std::optional<TLinearization> ReadLinearizedPageCount(const std::uint8_t *data, std::size_t size) {
  const std::size_t limit = size < 32 ? size : 32;
  const void *o = std::memchr(data, 'o', limit);
  const std::size_t at = o ? static_cast<const std::uint8_t *>(o) - data : 32;
  if (at + 3 > size || std::memcmp(data + at, "obj", 3) != 0) return std::nullopt;
  PdfCursor c(data, data + size);
  c.pos = data + at;
  if (!c.FindKey("/Linearized")) return std::nullopt;
  c.pos = data + at;
  TLinearization lin;
  if (!c.FindKey("/N ") || !c.ReadNumber(lin.pages)) return std::nullopt;
  c.pos = data + at;
  std::int32_t length = 0;
  if (c.FindKey("/L ") && c.ReadNumber(length)) lin.fileLength = length;
  return lin;
}

std::int32_t CountPagesFromXref(const std::uint8_t *data, std::size_t size) {
  PdfCursor tail(data, data + size);
  if (size < 5) return -1;
  tail.pos = data + size - 5;
  std::int32_t offset = 0;
  if (!tail.FindTextBackward("startxref") || tail.end - tail.pos < 4) return -1;
  if (!tail.ReadNumber(offset)) return -1;

  PdfReader reader(data, size);
  if (!reader.ReadXrefChain(offset) || reader.rootObjectNumber < 0) return -1;

  using Place = PdfReader::TObjectPlace;
  PdfCursor &c = reader.cursor;
  TByteBuffer object;  // a compressed object's bytes
  std::int32_t pagesRoot = 0, count = 0, generation = 0;
  if (reader.OpenObject(reader.rootObjectNumber, object) == Place::Missing) return -1;
  if (!c.FindKey("/Pages") || !c.ReadNumber(pagesRoot)) return -1;
  if (reader.OpenObject(pagesRoot, object) == Place::Missing) return -1;
  if (!c.FindKey("/Count") || !c.ReadNumber(count)) return -1;

  // "/Count 5 0 R": the count lives in object 5.
  if (c.ReadNumber(generation) && c.MatchText(" R")) {
    const Place place = reader.OpenObject(count, object);
    if (place == Place::Missing) return -1;
    if (place == Place::InFile && (!c.ReadNumber(generation) || !c.MatchText(" obj"))) return -1;
    if (!c.ReadNumber(count)) return -1;
  }
  return count;
}

std::int32_t CountPages(const std::uint8_t *data, std::size_t size) {
  const auto lin = ReadLinearizedPageCount(data, size);
  if (!lin) return CountPagesFromXref(data, size);
  // /L is the file's length when it was linearized. A longer (or shorter)
  // file was changed afterwards, typically by an incremental update that
  // may add pages: its cross-reference information knows better, and /N
  // stays the answer when that cannot be read.
  if (lin->fileLength < 0 || lin->fileLength == static_cast<std::int64_t>(size)) return lin->pages;
  const std::int32_t counted = CountPagesFromXref(data, size);
  return counted >= 0 ? counted : lin->pages;
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

}  // namespace

int GetPdfPageCountFromMemory(const std::uint8_t *data, std::size_t size) {
  if (data == nullptr || size == 0) return -1;
  try {
    return CountPages(data, size);
  } catch (...) {  // a number above 2147483647, exhausted memory
    return -1;
  }
}

int GetPdfPageCount(const std::string &path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  int answer = -1;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) {
    void *map = MAP_FAILED;
    if (S_ISREG(st.st_mode) && st.st_size > 0)
      map = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      answer = GetPdfPageCountFromMemory(static_cast<const std::uint8_t *>(map),
                                         static_cast<std::size_t>(st.st_size));
      ::munmap(map, static_cast<std::size_t>(st.st_size));
    } else {
      try {
        std::vector<std::uint8_t> bytes;
        if (ReadAll(fd, bytes)) answer = GetPdfPageCountFromMemory(bytes.data(), bytes.size());
      } catch (...) {
        answer = -1;
      }
    }
  }
  ::close(fd);
  return answer;
}

}  // namespace lw
