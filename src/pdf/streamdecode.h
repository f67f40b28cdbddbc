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
// data bytes; every byte is one pixel) and reconstructs the data in place.
// Types: 0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth, anything else as None. A
// short last row is reconstructed over the bytes it has. Returns the new
// size, `size` minus the number of rows; returns `size` unchanged when
// `columns` or `size` is not positive. Cannot fail.
std::int32_t UndoPngPredictor(std::uint8_t *buffer, std::int32_t size, std::int32_t columns);

// The PNG Paeth predictor of three neighbouring bytes. Cannot fail.
std::uint8_t PaethPredictor(std::uint8_t left, std::uint8_t above, std::uint8_t upperLeft);

// The value of the `width`-byte unsigned big-endian field at `bytes`;
// 0 for a width of 0 or more than 4 (no byte is read then). Cannot fail.
std::uint32_t ReadBigEndianField(const std::uint8_t *bytes, std::int32_t width);

}  // namespace lw
