#include "engine/decode/dct_decoder.h"

// Placeholder until the decoder lands: nothing is decoded.
int32_t decodeDct(std::span<const uint8_t>, std::vector<uint8_t>& output, std::size_t,
                  DctImageInfo*) {
  output.clear();
  return 0;
}
