// libFuzzer target for the JBIG2 decoder: the first byte says how many of the following bytes
// (four per unit) are the globals; the rest is the image data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/decode/jbig2/jbig2_decoder.h"

namespace {
// Large enough for every code path; small enough to keep runs fast under the sanitizers.
constexpr std::size_t kFuzzOutputCap = std::size_t{16} << 20;
constexpr int64_t kFuzzWorkPixels = int64_t{1} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const uint8_t> rest(data + 1, size - 1);
  const std::size_t split = std::min<std::size_t>(rest.size(), std::size_t{data[0]} * 4);
  std::vector<uint8_t> out;
  Jbig2ImageInfo info;
  const int32_t n = decodeJbig2(rest.subspan(split), rest.subspan(0, split), out, kFuzzOutputCap,
                                &info, kFuzzWorkPixels);
  if (n >= 0 && (static_cast<std::size_t>(n) != out.size() || out.size() > kFuzzOutputCap))
    __builtin_trap();
  return 0;
}
