// Replays fuzzer inputs through the page counter of the normal build:
//   pdf_fuzz_replay FOLDER...
// Every regular file of each folder is counted and must give the count that
// the manifest beside the folder, FOLDER.expected, records for its name
// ("NAME COUNT" lines, "#" comments). The run fails when a folder or its
// manifest is missing, when a file has no line there or a listed file is
// missing, and on any other count. A crash fails it too. Files ending in
// ".md" are notes, not inputs.
#include "pdf/pdfpagecount.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Name -> expected count; false when the manifest cannot be read.
bool ReadManifest(const fs::path &path, std::map<std::string, int> &expected) {
  std::ifstream in(path);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string name;
    int count = 0;
    if (line.empty() || line[0] == '#') continue;
    if (!(words >> name >> count)) return false;
    expected[name] = count;
  }
  return true;
}

int CountFile(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return lw::GetPdfPageCountFromMemory(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
}

// Replays one folder; returns the number of failures.
int ReplayFolder(const fs::path &folder, int &files) {
  std::map<std::string, int> expected;
  fs::path manifest = folder;
  manifest += ".expected";
  if (!ReadManifest(manifest, expected)) {
    std::fprintf(stderr, "no manifest: %s\n", manifest.c_str());
    return 1;
  }
  int failures = 0;
  std::error_code ec;
  for (const auto &entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    ++files;
    const std::string name = entry.path().filename().string();
    const int pages = CountFile(entry.path());
    const auto it = expected.find(name);
    std::printf("%d\t%s\n", pages, name.c_str());
    if (it == expected.end()) {
      std::fprintf(stderr, "%s: not in %s\n", name.c_str(), manifest.filename().c_str());
      ++failures;
      continue;
    }
    if (pages != it->second) {
      std::fprintf(stderr, "%s: %d pages, %d expected\n", name.c_str(), pages, it->second);
      ++failures;
    }
    expected.erase(it);
  }
  for (const auto &[name, count] : expected) {
    std::fprintf(stderr, "%s: listed but missing\n", name.c_str());
    ++failures;
  }
  return failures + (ec ? 1 : 0);
}

}  // namespace

int main(int argc, char **argv) {
  int failures = 0, files = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      failures += ReplayFolder(arg, files);
    } else {
      std::fprintf(stderr, "missing: %s\n", argv[i]);
      ++failures;
    }
  }
  std::printf("%d files replayed, %d failures\n", files, failures);
  return failures == 0 ? 0 : 1;
}
