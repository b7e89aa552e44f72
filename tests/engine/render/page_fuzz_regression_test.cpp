// Replays every input the page fuzz targets ever found.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "fuzz/page_fuzz_harness.h"
#include "tests/support/pdf_builder.h"

namespace fs = std::filesystem;

namespace {

void replay(const std::string& target, void (*run)(const std::string&)) {
  const char* root = std::getenv("BREVIA_TEST_DATA");
  if (!root) return;
  fs::path dir = fs::path(root) / "fuzz" / target;
  if (!fs::is_directory(dir)) return;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file()) run(testing_pdf::readFile(entry.path().string()));
}

TEST(PageFuzzRegressions, ContentAndImages) {
  replay("content", page_fuzz::drawContent);
  replay("image_draw", page_fuzz::drawImage);
  // The harness itself draws something for a plain input.
  page_fuzz::drawContent("0 0 1 rg 0 0 10 10 re f /X Do");
  page_fuzz::drawImage("/Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray\nab");
}

}  // namespace
