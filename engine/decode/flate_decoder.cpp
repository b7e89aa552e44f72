#include "engine/decode/flate_decoder.h"

#include <algorithm>
#include <zlib.h>

int32_t decodeFlate(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                    std::size_t maxOutput) {
  output.clear();
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return -1;
  z.next_in = const_cast<Bytef*>(input.data());
  // Inputs are below 2 GiB, so one call takes them whole.
  z.avail_in = static_cast<uInt>(input.size());
  std::size_t capacity = std::min(maxOutput, std::max<std::size_t>(input.size() * 4, 4096));
  output.resize(capacity);
  int status = Z_OK;
  for (;;) {
    z.next_out = output.data() + z.total_out;
    z.avail_out = static_cast<uInt>(output.size() - z.total_out);
    status = inflate(&z, Z_FINISH);
    if (status == Z_STREAM_END) break;
    if (status != Z_OK && status != Z_BUF_ERROR) break;
    if (z.avail_out != 0) {
      // The input ended before the stream did.
      status = Z_DATA_ERROR;
      break;
    }
    if (output.size() >= maxOutput) {
      status = Z_MEM_ERROR;
      break;
    }
    output.resize(std::min(maxOutput, output.size() * 2));
  }
  std::size_t produced = z.total_out;
  inflateEnd(&z);
  if (status != Z_STREAM_END) {
    output.clear();
    return -1;
  }
  output.resize(produced);
  return static_cast<int32_t>(produced);
}
