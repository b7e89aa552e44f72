#include "engine/decode/ascii85_decoder.h"

int32_t decodeAscii85(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                      std::size_t maxOutput) {
  output.clear();
  uint32_t group[5];
  int count = 0;
  std::size_t i = 0;
  // Some writers keep the "<~" that opens ASCII85 text outside PDF.
  if (input.size() >= 2 && input[0] == '<' && input[1] == '~') i = 2;

  auto flush = [&](int n) -> bool {
    for (int k = n; k < 5; ++k) group[k] = 'u' - 33;
    uint32_t value = 0;
    for (int k = 0; k < 5; ++k) value = value * 85 + group[k];
    int bytes = n == 5 ? 4 : n - 1;
    if (output.size() + bytes > maxOutput) return false;
    for (int k = 0; k < bytes; ++k) output.push_back(static_cast<uint8_t>(value >> (24 - 8 * k)));
    return true;
  };

  for (; i < input.size(); ++i) {
    uint8_t c = input[i];
    if (c == '\r' || c == '\n' || c == ' ') continue;
    if (c == '~') break;
    if (c == 'z' && count == 0) {
      if (output.size() + 4 > maxOutput) return static_cast<int32_t>(output.size());
      output.insert(output.end(), 4, 0);
      continue;
    }
    // Bytes outside "!".."u" are taken by the same arithmetic, which wraps.
    group[count++] = static_cast<uint32_t>(c) - 33u;
    if (count == 5) {
      if (!flush(5)) return static_cast<int32_t>(output.size());
      count = 0;
    }
  }
  if (count >= 2) flush(count);
  return static_cast<int32_t>(output.size());
}
