// Draws a page whose content stream is the input, over fixed fonts of each kind, twice at two
// scales: the text operators, the show arithmetic, glyph drawing and text collection.

#include <cstddef>
#include <cstdint>

#include "engine/render/text_shower.h"
#include "tests/engine/fonts/font_fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  font_fuzz::runTextShowInput(data, size);
  return 0;
}
