// Arbitrary bytes as a page's content stream: the page is scanned for its text without a
// painter, then drawn.
#include "fuzz/page_fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  page_fuzz::scanContent(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
