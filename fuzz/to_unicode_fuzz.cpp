// Parses arbitrary bytes as a ToUnicode CMap, then looks up codes taken from the input and
// from a pseudo-random sequence seeded by it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/document/lex_source.h"
#include "engine/fonts/to_unicode_cmap.h"

namespace {

// Lookups per input: enough to reach every entry kind of a small CMap.
constexpr int kLookups = 256;

uint32_t nextRandom(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

bool isSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  C_PDF_Mem_Buffer source(data, static_cast<int32_t>(size));
  CMaps::ToUnicodeCMap cmap;
  cmap.parse(source);

  uint32_t state = 0x9E3779B9u;
  for (size_t i = 0; i < size; ++i) state = state * 31 + data[i];
  if (state == 0) state = 1;

  std::u16string text;
  for (int i = 0; i < kLookups; ++i) {
    uint8_t code[6];
    const uint32_t r = nextRandom(state);
    if (size > 0 && (r & 1)) {
      const size_t at = nextRandom(state) % size;
      for (int k = 0; k < 6; ++k) code[k] = data[(at + k) % size];
    } else {
      for (int k = 0; k < 6; ++k) code[k] = static_cast<uint8_t>(nextRandom(state));
    }
    const int32_t count = static_cast<int32_t>(1 + (r >> 1) % 6);
    const int length = static_cast<int>((r >> 8) % 7) - 1;
    text.clear();
    const bool found = cmap.toUnicode(code, count, length, text);
    if (found == text.empty()) __builtin_trap();
    // Every surrogate in the output is half of a valid pair.
    for (size_t k = 0; k < text.size(); ++k) {
      if (!isSurrogate(text[k])) continue;
      if (text[k] >= 0xDC00 || k + 1 >= text.size() || text[k + 1] < 0xDC00 ||
          text[k + 1] > 0xDFFF) {
        __builtin_trap();
      }
      ++k;
    }
    cmap.codeLength(code, count);
  }
  return 0;
}
