#pragma once
// Shared body of the single-filter fuzz targets.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Output cap for fuzzing: small enough to run fast, large enough to reach every path.
inline constexpr std::size_t kFuzzOutputCap = 1 << 24;

#define BREVIA_FILTER_FUZZ(call)                                            \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
    std::vector<uint8_t> out;                                               \
    std::span<const uint8_t> input(data, size);                             \
    call;                                                                   \
    return 0;                                                               \
  }
