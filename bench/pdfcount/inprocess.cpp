// In-process timing of GetPdfPageCount on files already in the page cache:
//   inprocess FILE...   prints pages, median and best time per call.
#include "pdf/pdfpagecount.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    int pages = lw::GetPdfPageCount(argv[i]);  // warm the page cache
    std::vector<double> us;
    for (int run = 0; run < 2000; ++run) {
      const auto t0 = std::chrono::steady_clock::now();
      pages = lw::GetPdfPageCount(argv[i]);
      const auto t1 = std::chrono::steady_clock::now();
      us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    std::sort(us.begin(), us.end());
    std::printf("%-28s %6d pages  in-process median %8.1f us  best %8.1f us\n", argv[i], pages,
                us[us.size() / 2], us.front());
  }
  return 0;
}
