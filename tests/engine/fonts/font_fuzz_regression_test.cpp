// Replays every input the font-loading and text-showing fuzz targets found, and the font samples
// they started from.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/engine/fonts/font_fuzz_harness.h"
#include "tests/support/pdf_builder.h"

namespace fs = std::filesystem;

namespace {

int replay(const std::string& folder, void (*run)(const uint8_t*, std::size_t)) {
  const char* root = std::getenv("BREVIA_TEST_DATA");
  if (!root) return 0;
  const fs::path dir = fs::path(root) / folder;
  if (!fs::is_directory(dir)) return 0;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::string bytes = testing_pdf::readFile(entry.path().string());
    run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++count;
  }
  return count;
}

TEST(FontFuzzRegressions, FontLoading) {
  replay("fuzz/font_load_fuzz", font_fuzz::runFontLoadInput);
  replay("fonts/samples", font_fuzz::runFontLoadInput);
  const std::string plain = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
  font_fuzz::runFontLoadInput(reinterpret_cast<const uint8_t*>(plain.data()), plain.size());
}

TEST(FontFuzzRegressions, TextShowing) {
  replay("fuzz/text_show_fuzz", font_fuzz::runTextShowInput);
  const std::string content =
      "BT /F1 12 Tf 10 100 Td (Hello) Tj /F2 9 Tf [<00030041> -300 <0100>] TJ /F3 20 Tf (ab) Tj "
      "/F4 30 Tf 2 Tr 45 Tz (A) ' ET";
  font_fuzz::runTextShowInput(reinterpret_cast<const uint8_t*>(content.data()), content.size());
}

}  // namespace
