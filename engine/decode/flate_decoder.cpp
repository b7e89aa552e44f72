#include "engine/decode/flate_decoder.h"

#include <algorithm>
#include <zlib.h>

namespace {

constexpr int kZlibWindowBits = 15;

// Inflates as far as the data allows; the number of bytes produced, or -1 when zlib refuses the
// data before producing anything.
int64_t inflateAll(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                   std::size_t maxOutput, int windowBits) {
  output.clear();
  z_stream z{};
  if (inflateInit2(&z, windowBits) != Z_OK) return -1;
  z.next_in = const_cast<Bytef*>(input.data());
  // Inputs are below 4 GiB (stored streams are cut at 1 GiB), so one call takes them whole.
  z.avail_in = static_cast<uInt>(input.size());
  std::size_t capacity = std::min(maxOutput, std::max<std::size_t>(input.size() * 4, 4096));
  output.resize(capacity);
  int status = Z_OK;
  for (;;) {
    z.next_out = output.data() + z.total_out;
    z.avail_out = static_cast<uInt>(output.size() - z.total_out);
    status = inflate(&z, Z_SYNC_FLUSH);
    if (status == Z_STREAM_END) break;
    if (status != Z_OK && status != Z_BUF_ERROR) break;  // damaged data or a bad checksum
    if (z.avail_out != 0) break;                         // the input ended before the stream
    if (output.size() >= maxOutput) break;               // cut at the limit
    output.resize(std::min(maxOutput, output.size() * 2));
  }
  const std::size_t produced = z.total_out;
  inflateEnd(&z);
  output.resize(produced);
  if (produced == 0 && status != Z_STREAM_END) return -1;
  return static_cast<int64_t>(produced);
}

}  // namespace

int32_t decodeFlate(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                    std::size_t maxOutput) {
  const int64_t produced = inflateAll(input, output, maxOutput, kZlibWindowBits);
  if (produced < 0) {
    output.clear();
    return -1;
  }
  return static_cast<int32_t>(std::min<int64_t>(produced, INT32_MAX));
}
