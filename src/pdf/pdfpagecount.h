// Page count of a PDF file, read from its linearization dictionary or its
// cross-reference information, with no PDF library. Depends on zlib only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lw {

// The page count of the PDF held in `data` (`size` bytes), which may be 0:
// the linearization dictionary's /N while the file still has the length
// its /L gives, otherwise the page-tree root's /Count (and /N again when
// that cannot be read). Returns -1 when it cannot be found; never throws.
int GetPdfPageCountFromMemory(const std::uint8_t *data, std::size_t size);

// The page count of the PDF file at `path` (UTF-8), mapped read-only into
// memory. Returns -1 for a file that cannot be opened or read, or whose count
// cannot be found; never throws.
int GetPdfPageCount(const std::string &path);

}  // namespace lw
