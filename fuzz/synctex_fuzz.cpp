// Reads arbitrary bytes as the synchronisation file TeX writes beside a PDF (plain or gzip, the
// library tells them apart) and asks it what the viewer asks: the boxes of the lines of each
// recorded input, and the source line under points of the first pages.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "viewer/sync/synctex_scanner.h"

namespace {

using Corvalis::Viewer::SyncTexScanner;

// Inputs (by tag), lines per input, pages and points per page asked about, at most.
constexpr int kMaxInputs = 8;
constexpr int kMaxLines = 24;
constexpr int kMaxPages = 3;
constexpr int kPointsPerSide = 4;
constexpr double kPointStep = 150;

std::string& folder() {
  static std::string made;
  if (made.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "synctex_fuzz.XXXXXX").string();
    if (mkdtemp(pattern.data())) {
      made = pattern;
      std::atexit([] { std::filesystem::remove_all(folder()); });
    }
  }
  return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = folder();
  if (dir.empty()) return 0;
  const std::string sync = dir + "/in.synctex";
  {
    FILE* f = std::fopen(sync.c_str(), "wb");
    if (!f) return 0;
    const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
    std::fclose(f);
    if (!written) return 0;
  }
  std::unique_ptr<SyncTexScanner> scanner = SyncTexScanner::open(dir + "/in.pdf");
  if (!scanner) return 0;
  for (int tag = 1; tag <= kMaxInputs; ++tag) {
    const std::string name = scanner->inputName(tag);
    if (name.empty()) continue;
    for (int line = 1; line <= kMaxLines; ++line) {
      scanner->forward(name, line, 0);
      scanner->forward(name, line, line);
    }
  }
  for (int page = 1; page <= kMaxPages; ++page)
    for (int i = 0; i < kPointsPerSide; ++i)
      for (int j = 0; j < kPointsPerSide; ++j)
        scanner->inverse(page, 20 + i * kPointStep, 20 + j * kPointStep);
  return 0;
}
