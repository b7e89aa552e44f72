// libFuzzer target for the vertex data of mesh shadings.
#include <cstddef>
#include <cstdint>

#include "fuzz/mesh_fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  mesh_fuzz::runMeshInput(data, size);
  return 0;
}
