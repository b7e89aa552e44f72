#pragma once
// How the CCITT fuzz target reads its input: the first bytes choose the parameters, the rest is
// the coded data. Shared with the test that replays what the target found.
#include <cstddef>
#include <cstdint>

#include "engine/decode/ccitt_decoder.h"

struct CcittFuzzInput {
  CcittParams params;
  // The same data is also decoded as an MMR bitmap of this size.
  int32_t mmrWidth = 0, mmrHeight = 0;
  std::size_t mmrRowBytes = 0;
  const uint8_t* coded = nullptr;
  std::size_t codedSize = 0;
};

// Bytes of parameters before the data.
inline constexpr std::size_t kCcittFuzzParamBytes = 4;

// False when the input is too short to hold the parameters.
inline bool readCcittFuzzInput(const uint8_t* data, std::size_t size, CcittFuzzInput& in) {
  if (size < kCcittFuzzParamBytes) return false;
  const uint8_t flags = data[0];
  CcittParams& p = in.params;
  p.k = static_cast<int8_t>(data[1]) % 5;  // negative, zero and positive
  // Mostly narrow rows, now and then very wide ones or ones past the limit.
  p.columns = (flags & 0x80) ? (data[2] << 12 | data[3] << 4) : (data[2] << 8 | data[3]) % 4100;
  p.rows = (flags & 0x40) ? (flags & 0x0F) : 0;
  p.endOfLine = flags & 0x01;
  p.encodedByteAlign = flags & 0x02;
  p.endOfBlock = !(flags & 0x04);
  p.blackIs1 = flags & 0x08;
  in.mmrWidth = p.columns > 0 && p.columns <= 4096 ? p.columns : 64;
  in.mmrHeight = 1 + (flags & 0x3F);
  in.mmrRowBytes = (static_cast<std::size_t>(in.mmrWidth) + 7) / 8 + (flags >> 7);
  in.coded = data + kCcittFuzzParamBytes;
  in.codedSize = size - kCcittFuzzParamBytes;
  return true;
}
