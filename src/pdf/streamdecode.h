// Byte work under the PDF reader: inflating one zlib stream, undoing PNG
// row filters and reading big-endian fields. No PDF syntax lives here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lw {

// `bytes` of writable memory, from 64 KB on mapped with its pages present.
// Throws std::bad_alloc when none can be had.
void *AllocatePrefaulted(std::size_t bytes);
// Releases a block of AllocatePrefaulted, given its size. Cannot fail.
void FreePrefaulted(void *p, std::size_t bytes);

// Allocator for buffers that are filled once from start to end (decoded
// streams, the cross-reference list): blocks from 64 KB on are mapped with
// their pages already present, which spares a page fault per 4 KB.
// Throws std::bad_alloc.
template <class T>
struct TPrefaultAllocator {
  using value_type = T;
  TPrefaultAllocator() = default;
  template <class U>
  TPrefaultAllocator(const TPrefaultAllocator<U> &) {}
  T *allocate(std::size_t n) { return static_cast<T *>(AllocatePrefaulted(n * sizeof(T))); }
  void deallocate(T *p, std::size_t n) { FreePrefaulted(p, n * sizeof(T)); }
  friend bool operator==(const TPrefaultAllocator &, const TPrefaultAllocator &) { return true; }
};

// A decoded buffer.
using TByteBuffer = std::vector<std::uint8_t, TPrefaultAllocator<std::uint8_t>>;

// Largest output InflateBuffer produces. Cross-reference and object streams
// of real files stay far below it; anything larger is treated as damage.
inline constexpr std::size_t kMaxInflatedSize = 64u << 20;

// Inflates the zlib stream (header, deflate data, Adler-32) that starts at
// `source`, reading at most `length` bytes and never more than `available`
// (the bytes left in the caller's data). Bytes after the end of the stream
// are ignored. On success `out` holds the decoded bytes and true is
// returned. Returns false, with `out` empty, on any zlib error, on input that
// ends before the stream does, on a negative length and when the output
// would exceed `limit` bytes.
bool InflateBuffer(const std::uint8_t *source, std::size_t available, std::int32_t length,
                   TByteBuffer &out, std::size_t limit = kMaxInflatedSize);

// Removes the filter-type byte of each row (one type byte, then `columns`
// data bytes, `bytesPerPixel` of them to a pixel) and reconstructs the data
// in place. Types: 0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth, anything else as
// None. A short last row is reconstructed over the bytes it has. Returns the
// new size, `size` minus the number of rows; returns `size` unchanged when
// `columns` or `size` is not positive. Cannot fail.
std::int32_t UndoPngPredictor(std::uint8_t *buffer, std::int32_t size, std::int32_t columns,
                              std::int32_t bytesPerPixel = 1);

// Undoes horizontal differencing of 8-bit samples in place: in each row of
// `columns` bytes, every byte from the `bytesPerPixel`-th on gets the byte
// `bytesPerPixel` before it added. A short last row is reconstructed over
// the bytes it has. Does nothing when `columns` or `bytesPerPixel` is not
// positive. Cannot fail.
void UndoTiffPredictor(std::uint8_t *buffer, std::size_t size, std::int32_t columns, std::int32_t bytesPerPixel);

// The PNG Paeth predictor of three neighbouring bytes. Cannot fail.
std::uint8_t PaethPredictor(std::uint8_t left, std::uint8_t above, std::uint8_t upperLeft);

// The value of the `width`-byte unsigned big-endian field at `bytes`;
// 0 for a width of 0 or more than 8 (no byte is read then). Cannot fail.
// Inline: it runs three times for every cross-reference stream row.
inline std::uint64_t ReadBigEndianField(const std::uint8_t *bytes, std::int32_t width) {
  switch (width) {  // the widths writers use, unrolled
    case 1: return bytes[0];
    case 2: return std::uint64_t(bytes[0]) << 8 | bytes[1];
    case 3: return std::uint64_t(bytes[0]) << 16 | std::uint64_t(bytes[1]) << 8 | bytes[2];
    default: break;
  }
  if (width < 1 || width > 8) return 0;
  std::uint64_t value = 0;
  for (std::int32_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace lw
