// FlateReader on arbitrary bytes, read in pieces of changing size.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/decode/flate_reader.h"
#include "fuzz/filters_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FlateReader reader(std::span<const uint8_t>(data, size), kFuzzOutputCap);
  std::vector<uint8_t> piece(4099);
  for (std::size_t n = 1; reader.read(std::span<uint8_t>(piece.data(), n)) == n;)
    n = n % piece.size() + 1;
  return 0;
}
