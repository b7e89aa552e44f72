#pragma once
// Baseline and progressive JPEG (DCT) decoding into interleaved 8-bit samples.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct DctImageInfo {
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = false;
  bool adobe = false;       // an APP14 Adobe segment was seen
  bool jfif = false;        // an APP0 JFIF segment was seen
  int colourTransform = 0;  // non-zero: YCbCr (3 components) or YCCK (4) was converted
};

// Decodes a JPEG stream. Writes rows top to bottom, pixels left to right, components
// interleaved, one byte per sample, never more than maxOutput bytes: a frame whose samples
// would not fit is refused. Returns the number of sample bytes produced (output is resized to
// it); 0 when nothing could be decoded. A single-scan sequential image that stops early keeps
// the rows decoded so far; a progressive or multi-scan image gives all of it or nothing. info,
// when given, receives the frame's geometry and colour handling.
int32_t decodeDct(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                  std::size_t maxOutput, DctImageInfo* info = nullptr);
