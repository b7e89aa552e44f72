// libFuzzer target for the JPEG (DCT) decoder.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/decode/dct_decoder.h"

namespace {
// Large enough for every code path; small enough to keep runs fast under the sanitizers.
constexpr std::size_t kFuzzOutputCap = std::size_t{16} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::vector<uint8_t> out;
  DctImageInfo info;
  // The input's length picks the scale, so every scale meets every kind of data.
  const int scale = 1 << (size & 3);
  const int32_t n = decodeDct({data, size}, out, kFuzzOutputCap, &info, scale);
  if (n < 0 || static_cast<std::size_t>(n) != out.size() || out.size() > kFuzzOutputCap)
    __builtin_trap();
  // A stopped sequential image keeps the rows made so far, never more than the frame.
  if (n > 0 && out.size() > static_cast<std::size_t>(info.outputWidth) * info.outputHeight *
                                static_cast<std::size_t>(info.components))
    __builtin_trap();
  return 0;
}
