// libFuzzer target for colour spaces (and the functions inside them): build a colour space from
// arbitrary PDF text with the objects it refers to, then convert colours and samples with it.
#include <cstddef>
#include <cstdint>

#include "engine/render/colour_space_factory.h"
#include "fuzz/render_fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  render_fuzz::runColourSpaceInput(data, size);
  return 0;
}
