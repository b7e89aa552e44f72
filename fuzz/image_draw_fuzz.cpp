// An image XObject from arbitrary dictionary entries (first line) and data (the rest), drawn.
#include "fuzz/page_fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  page_fuzz::drawImage(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
