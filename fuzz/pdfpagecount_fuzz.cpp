// libFuzzer target: the page counter over arbitrary bytes. Any crash, leak,
// sanitizer report or answer outside [-1, 2147483647] is a finding.
#include "pdf/pdfpagecount.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const int pages = lw::GetPdfPageCountFromMemory(data, size);
  if (pages < -1) std::abort();
  return 0;
}
