// Page count of a PDF file, read from its linearization dictionary or its
// cross-reference information, with no PDF library. Depends on zlib only.
//
// The count is the page-tree root's /Count, reached through the catalog
// the newest trailer names. A damaged file (wrong startxref, a broken or
// missing cross-reference section, wrong offsets, junk before "%PDF-") is
// reconstructed from the "N G obj" headers and trailers found by scanning
// it, the newest definition of each object winning. A /Count the file has
// too few bytes for is not believed: the page tree's leaves are counted
// instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lw {

// Why a count could not be had (None when it could).
enum class PdfProblem { None, Unreadable, NotPdf, Damaged, Encrypted, NoPages };

struct PdfPageCountResult {
  int count = -1;                            // -1 when not found; 0 is a valid count (problem NoPages)
  PdfProblem problem = PdfProblem::Damaged;  // None exactly when count > 0
  bool encrypted = false;                    // the trailer names /Encrypt (the count may still be known)
};

// The page count of the PDF held in `data` (`size` bytes) with the reason
// when there is none: NotPdf when there is no "%PDF-" in the first 1024
// bytes and no "N G obj" header anywhere (an empty buffer or a null `data`
// included), Encrypted when the count is unknown and a trailer names
// /Encrypt (an encrypted object stream holding the page tree), NoPages for
// a count of 0, Damaged otherwise. Never throws.
PdfPageCountResult ReadPdfPageCount(const std::uint8_t *data, std::size_t size);

// ReadPdfPageCount over the file at `path` (UTF-8), mapped read-only into
// memory. Unreadable, count -1, when it cannot be opened or read, or is not
// a plain file (a folder, a pipe or a device: never waited on); an empty
// file is NotPdf. Never throws.
PdfPageCountResult ReadPdfPageCountFile(const std::string &path);

// Plain words for a problem, to follow a file's name: "cannot be read",
// "is not a PDF", "is damaged", "is password-protected", "has no pages";
// "" for None. Never null.
const char *PdfProblemText(PdfProblem problem);

// ReadPdfPageCount(data, size).count: the page count, which may be 0, or -1
// when it cannot be found. Never throws.
int GetPdfPageCountFromMemory(const std::uint8_t *data, std::size_t size);

// ReadPdfPageCountFile(path).count: the page count, or -1 for a file that
// cannot be opened or read, or whose count cannot be found. Never throws.
int GetPdfPageCount(const std::string &path);

}  // namespace lw
