// The natural language a PDF names for its text: the catalog's /Lang.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lw {

// The language tag of the PDF held in `data` (`size` bytes), such as
// "en-US" or "fa", from its catalog's /Lang (a string, or a reference to
// one), found through the cross-reference information or, for a damaged
// file, the objects found by scanning it. Empty when the file names none,
// names something that is no language tag, is encrypted (its strings are)
// or cannot be read. Never throws.
std::string ReadPdfLanguage(const std::uint8_t *data, std::size_t size);

}  // namespace lw
