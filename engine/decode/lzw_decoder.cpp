#include "engine/decode/lzw_decoder.h"

#include <array>

namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
// When the next free code reaches this the table starts again, as for a clear code.
constexpr int kTableLimit = 4097;

struct Entry {
  int32_t prefix;  // code of the string without its last byte; -1 for single bytes
  uint8_t last;
  uint8_t first;
  int32_t length;
};

}  // namespace

int32_t decodeLzw(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                  std::size_t maxOutput) {
  output.clear();
  std::vector<Entry> table(kTableLimit + 1);
  for (int c = 0; c < 256; ++c)
    table[c] = Entry{-1, static_cast<uint8_t>(c), static_cast<uint8_t>(c), 1};
  int next = kFirstFreeCode;
  int width = 9;
  int previous = -1;
  uint32_t bits = 0;
  int bitCount = 0;
  std::size_t in = 0;

  auto emit = [&](int code) -> bool {
    const int32_t length = table[code].length;
    if (output.size() + length > maxOutput) return false;
    std::size_t end = output.size() + length;
    output.resize(end);
    for (int c = code; c >= 0; c = table[c].prefix) output[--end] = table[c].last;
    return true;
  };

  for (;;) {
    while (bitCount < width && in < input.size()) {
      bits = (bits << 8) | input[in++];
      bitCount += 8;
    }
    if (bitCount < width) break;
    int code = static_cast<int>((bits >> (bitCount - width)) & ((1u << width) - 1));
    bitCount -= width;
    if (code == kClearCode) {
      next = kFirstFreeCode;
      width = 9;
      previous = -1;
      continue;
    }
    if (code == kEndCode) break;
    if (next >= kTableLimit) {
      next = kFirstFreeCode;
      width = 9;
      previous = -1;
    }
    if (code > next) break;
    if (previous < 0) {
      if (code >= next) break;  // nothing to build the string from
      if (!emit(code)) break;
      previous = code;
      continue;
    }
    uint8_t firstByte = code < next ? table[code].first : table[previous].first;
    table[next] = Entry{previous, firstByte, table[previous].first, table[previous].length + 1};
    ++next;
    if (!emit(code)) break;
    previous = code;
    // Early change: the width grows one code before the table needs it.
    if (next >= 2047)
      width = 12;
    else if (next >= 1023)
      width = 11;
    else if (next >= 511)
      width = 10;
  }
  return static_cast<int32_t>(output.size());
}
