// libFuzzer target for JP2/JPX files: boxes, palettes, channel definitions, then the packed
// output of the JPXDecode filter.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/decode/jpx/jpx_decoder.h"

namespace {
// The output cap also bounds the image size decoded, which keeps each run fast.
constexpr std::size_t kFuzzOutputCap = std::size_t{64} << 10;
constexpr uint8_t kSignature[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // Always boxes: a signature box is supplied when the data would read as a bare code stream.
  std::vector<uint8_t> file;
  if (size == 0 || data[0] == 0xFF) file.assign(kSignature, kSignature + sizeof kSignature);
  file.insert(file.end(), data, data + size);
  std::vector<uint8_t> out;
  const int32_t n = decodeJpx(file, out, kFuzzOutputCap);
  if ((n < 0 && !out.empty()) || (n >= 0 && std::size_t(n) != out.size()) ||
      out.size() > kFuzzOutputCap)
    __builtin_trap();
  return 0;
}
