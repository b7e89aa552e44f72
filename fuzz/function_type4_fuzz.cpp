// libFuzzer target for calculator (Type 4) functions: compile and evaluate arbitrary programs.
#include <cstddef>
#include <cstdint>

#include "engine/render/function.h"
#include "fuzz/render_fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  render_fuzz::runType4Input(data, size);
  return 0;
}
