// Parses arbitrary bytes as a code-to-CID CMap, then looks up codes taken from the input and
// from a pseudo-random sequence seeded by it.

#include <cstddef>
#include <cstdint>

#include "engine/document/lex_source.h"
#include "engine/fonts/cmap_encoding.h"

namespace {

// Lookups per input: enough to reach every entry kind of a small CMap.
constexpr int kLookups = 256;

uint32_t nextRandom(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  C_PDF_Mem_Buffer source(data, static_cast<int32_t>(size));
  CMaps::EncodingCMap cmap;
  cmap.parse(source);
  // A writing mode is horizontal or vertical, whatever the text says.
  const int32_t mode = cmap.writingMode();
  if (mode != 0 && mode != 1) __builtin_trap();

  uint32_t state = 0x9E3779B9u;
  for (size_t i = 0; i < size; ++i) state = state * 31 + data[i];
  if (state == 0) state = 1;

  for (int i = 0; i < kLookups; ++i) {
    uint8_t code[6];
    const uint32_t r = nextRandom(state);
    if (size > 0 && (r & 1)) {
      // A window of the input, which holds the codes the CMap itself names.
      const size_t at = nextRandom(state) % size;
      for (int k = 0; k < 6; ++k) code[k] = data[(at + k) % size];
    } else {
      for (int k = 0; k < 6; ++k) code[k] = static_cast<uint8_t>(nextRandom(state));
    }
    const int32_t count = static_cast<int32_t>(1 + (r >> 1) % 6);
    const int length = static_cast<int>((r >> 8) % 7) - 1;  // -1 .. 5, 0 = determine
    uint16_t cid = 0;
    cmap.codeLength(code, count);
    cmap.toCID(code, count, length, cid);
  }
  return 0;
}
