// libFuzzer target for the JPEG 2000 code-stream decoder (headers, packets, code blocks,
// transforms).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/decode/jpx/jpx_decoder.h"

namespace {
// Small images keep each run fast; every code path is reachable below this size.
constexpr int64_t kFuzzMaxSamples = int64_t{1} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // Always a code stream: the start-of-code-stream marker is supplied when missing.
  std::vector<uint8_t> stream;
  if (size < 2 || data[0] != 0xFF || data[1] != 0x4F) stream = {0xFF, 0x4F};
  stream.insert(stream.end(), data, data + size);
  JpxImage image;
  if (decodeJpxImage(stream, image, 1, kFuzzMaxSamples)) {
    const std::size_t pixels = std::size_t(image.width) * image.height;
    for (const JpxPlane& p : image.planes)
      if (p.samples.size() != pixels || p.depth < 1 || p.depth > 16) __builtin_trap();
    for (int c : image.colourPlanes)
      if (c < 0 || c >= int(image.planes.size())) __builtin_trap();
  }
  return 0;
}
