// Replays fuzzer inputs through the page counter of the normal build:
//   pdf_fuzz_replay FILE_OR_FOLDER...
// Every regular file is counted; the run fails when an argument is missing
// or an answer lies outside [-1, 2147483647]. A crash fails it too.
#include "pdf/pdfpagecount.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

static bool Replay(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const int pages = lw::GetPdfPageCountFromMemory(reinterpret_cast<const std::uint8_t *>(bytes.data()),
                                                  bytes.size());
  std::printf("%d\t%s\n", pages, file.filename().c_str());
  return pages >= -1;
}

int main(int argc, char **argv) {
  int failures = 0, files = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      for (const auto &entry : fs::directory_iterator(arg, ec))
        if (entry.is_regular_file()) failures += !Replay(entry.path()), ++files;
    } else if (fs::is_regular_file(arg, ec)) {
      failures += !Replay(arg), ++files;
    } else {
      std::fprintf(stderr, "missing: %s\n", argv[i]);
      ++failures;
    }
  }
  std::printf("%d files replayed, %d failures\n", files, failures);
  return failures == 0 ? 0 : 1;
}
