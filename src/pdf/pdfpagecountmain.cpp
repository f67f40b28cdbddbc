// pdfpagecount FILE... prints "COUNT<TAB>PATH" for each file, the value
// GetPdfPageCount returns (-1 included), and exits 0. For benchmarks and
// diagnosis.
#include "pdf/pdfpagecount.h"

#include <cstdio>

int main(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) std::printf("%d\t%s\n", lw::GetPdfPageCount(argv[i]), argv[i]);
  return 0;
}
