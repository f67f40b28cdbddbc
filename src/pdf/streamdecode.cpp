#include "pdf/streamdecode.h"

#include <sys/mman.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace lw {

// ---- memory ----------------------------------------------------------------

namespace {
constexpr std::size_t kPrefaultFrom = 64 * 1024;  // smaller blocks come from malloc
}

void *AllocatePrefaulted(std::size_t bytes) {
  if (bytes < kPrefaultFrom) {
    if (void *p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
  }
  void *p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  return p;
}

void FreePrefaulted(void *p, std::size_t bytes) {
  if (bytes < kPrefaultFrom)
    std::free(p);
  else
    ::munmap(p, bytes);
}

bool InflateBuffer(const std::uint8_t *source, std::size_t available, std::int32_t length,
                   TByteBuffer &out, std::size_t limit) {
  out.clear();
  if (length < 0 || source == nullptr) return false;
  const std::size_t inputSize = std::min<std::size_t>(available, static_cast<std::size_t>(length));

  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = const_cast<Bytef *>(source);
  zs.avail_in = static_cast<uInt>(inputSize);

  std::size_t capacity = std::min(std::max<std::size_t>(inputSize * 4, 64 * 1024), limit);
  bool ok = false;
  try {
    out.resize(capacity);
    for (;;) {
      const std::size_t produced = zs.total_out;
      zs.next_out = out.data() + produced;
      zs.avail_out = static_cast<uInt>(capacity - produced);
      const int ret = inflate(&zs, Z_NO_FLUSH);
      if (ret == Z_STREAM_END) {
        ok = true;
        break;
      }
      if (ret != Z_OK && ret != Z_BUF_ERROR) break;   // damaged data
      if (zs.avail_out > 0) break;                    // input ended first
      if (capacity >= limit) break;                   // too large: a bomb
      capacity = std::min(capacity * 2, limit);
      out.resize(capacity);
    }
  } catch (const std::bad_alloc &) {
    ok = false;
  }
  const std::size_t produced = zs.total_out;
  inflateEnd(&zs);
  if (!ok) {
    out.clear();
    out.shrink_to_fit();
    return false;
  }
  out.resize(produced);
  return true;
}

std::uint8_t PaethPredictor(std::uint8_t left, std::uint8_t above, std::uint8_t upperLeft) {
  const int p = int(left) + int(above) - int(upperLeft);
  const int pa = std::abs(p - left), pb = std::abs(p - above), pc = std::abs(p - upperLeft);
  if (pa <= pb && pa <= pc) return left;
  return pb <= pc ? above : upperLeft;
}

std::int32_t UndoPngPredictor(std::uint8_t *buffer, std::int32_t size, std::int32_t columns,
                              std::int32_t bytesPerPixel) {
  if (columns <= 0 || size <= 0) return size;
  const std::int32_t bpp = std::clamp(bytesPerPixel, 1, columns);
  std::uint8_t *out = buffer;          // start of the row being written
  const std::uint8_t *prev = nullptr;  // the previous reconstructed row
  std::int32_t in = 0;                 // read position: the next type byte
  while (in < size) {
    const std::uint8_t type = buffer[in++];
    const std::int32_t n = std::min(columns, size - in);
    const std::uint8_t *x = buffer + in;  // never behind `out`: safe in place
    // a: left, b: above, c: upper left; 0 outside the rows.
    auto left = [&](std::int32_t i) -> int { return i >= bpp ? out[i - bpp] : 0; };
    auto above = [&](std::int32_t i) -> int { return prev ? prev[i] : 0; };
    switch (type) {
      case 1:
        for (std::int32_t i = 0; i < n; ++i) out[i] = std::uint8_t(x[i] + left(i));
        break;
      case 2:
        if (!prev) {
          std::memmove(out, x, std::size_t(n));
          break;
        }
        for (std::int32_t i = 0; i < n; ++i) out[i] = std::uint8_t(x[i] + prev[i]);
        break;
      case 3:
        for (std::int32_t i = 0; i < n; ++i) out[i] = std::uint8_t(x[i] + (left(i) + above(i)) / 2);
        break;
      case 4:
        for (std::int32_t i = 0; i < n; ++i) {
          const std::uint8_t c = prev && i >= bpp ? prev[i - bpp] : 0;
          out[i] = std::uint8_t(x[i] + PaethPredictor(std::uint8_t(left(i)), std::uint8_t(above(i)), c));
        }
        break;
      default:
        std::memmove(out, x, std::size_t(n));
        break;
    }
    in += n;
    prev = out;
    out += n;
  }
  return static_cast<std::int32_t>(out - buffer);
}

void UndoTiffPredictor(std::uint8_t *buffer, std::size_t size, std::int32_t columns, std::int32_t bytesPerPixel) {
  if (columns <= 0 || bytesPerPixel <= 0) return;
  const std::size_t row = std::size_t(columns), bpp = std::size_t(bytesPerPixel);
  for (std::size_t start = 0; start < size; start += row) {
    const std::size_t stop = std::min(size, start + row);
    for (std::size_t i = start + bpp; i < stop; ++i) buffer[i] = std::uint8_t(buffer[i] + buffer[i - bpp]);
  }
}

}  // namespace lw
