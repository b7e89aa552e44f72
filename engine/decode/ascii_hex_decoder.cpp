#include "engine/decode/ascii_hex_decoder.h"

int32_t decodeAsciiHex(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                       std::size_t maxOutput) {
  output.clear();
  int high = -1;
  for (uint8_t c : input) {
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else if (c == '>')
      break;
    else
      continue;
    if (high < 0) {
      high = v;
    } else {
      if (output.size() >= maxOutput) return static_cast<int32_t>(output.size());
      output.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0 && output.size() < maxOutput) output.push_back(static_cast<uint8_t>(high << 4));
  return static_cast<int32_t>(output.size());
}
