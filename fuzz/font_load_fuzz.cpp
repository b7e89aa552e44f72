// Loads a font dictionary whose objects (embedded programs, CMaps, width arrays) come from the
// input, then looks up, measures and draws a few of its glyphs under several transforms.

#include <cstddef>
#include <cstdint>

#include "engine/fonts/font_loader.h"
#include "tests/engine/fonts/font_fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  font_fuzz::runFontLoadInput(data, size);
  return 0;
}
