#include "engine/decode/run_length_decoder.h"

#include <algorithm>

int32_t decodeRunLength(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                        std::size_t maxOutput) {
  output.clear();
  std::size_t i = 0;
  while (i < input.size()) {
    uint8_t length = input[i++];
    if (length == 128) break;
    if (length < 128) {
      std::size_t n = std::min<std::size_t>(length + 1, input.size() - i);
      n = std::min(n, maxOutput - output.size());
      output.insert(output.end(), input.begin() + i, input.begin() + i + n);
      i += length + 1;
    } else {
      if (i >= input.size()) break;
      std::size_t n = std::min<std::size_t>(257 - length, maxOutput - output.size());
      output.insert(output.end(), n, input[i++]);
    }
    if (output.size() >= maxOutput) break;
  }
  return static_cast<int32_t>(output.size());
}
