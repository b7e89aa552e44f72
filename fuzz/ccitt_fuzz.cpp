// libFuzzer target for the CCITT fax decoder: fuzzed parameters and data, decoded both as a fax
// stream and as an MMR bitmap.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/decode/ccitt_decoder.h"
#include "fuzz/ccitt_fuzz_input.h"

namespace {
// Large enough for many rows; small enough to keep runs fast under the sanitizers.
constexpr std::size_t kFuzzOutputCap = std::size_t{4} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  CcittFuzzInput in;
  if (!readCcittFuzzInput(data, size, in)) return 0;
  const CcittParams& p = in.params;

  std::vector<uint8_t> out;
  const int32_t n = decodeCcitt({in.coded, in.codedSize}, out, kFuzzOutputCap, p);
  if (n < 0 || static_cast<std::size_t>(n) != out.size() || out.size() > kFuzzOutputCap)
    __builtin_trap();
  if (p.columns > 0 && n % ((p.columns + 7) / 8) != 0) __builtin_trap();

  const int32_t width = in.mmrWidth, height = in.mmrHeight;
  const std::size_t rowBytes = in.mmrRowBytes;
  std::vector<uint8_t> bitmap(rowBytes * static_cast<std::size_t>(height));
  const int32_t used =
      decodeMmrBitmap(in.coded, in.codedSize, width, height, bitmap.data(), rowBytes);
  if (used < -1 || used > static_cast<int32_t>(in.codedSize)) __builtin_trap();
  // Nothing is written past the width.
  const std::size_t lastByte = (static_cast<std::size_t>(width) - 1) / 8;
  const uint8_t padMask = static_cast<uint8_t>(0xFF >> (((width - 1) & 7) + 1));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = bitmap.data() + static_cast<std::size_t>(y) * rowBytes;
    if (row[lastByte] & padMask) __builtin_trap();
    for (std::size_t x = lastByte + 1; x < rowBytes; ++x)
      if (row[x]) __builtin_trap();
  }
  return 0;
}
