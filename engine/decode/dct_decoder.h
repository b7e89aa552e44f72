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
};

// Decodes a JPEG stream. Writes rows top to bottom, pixels left to right, components
// interleaved, one byte per sample, never more than maxOutput bytes. Returns the number of
// sample bytes produced; 0 when nothing could be decoded. info, when given, receives the
// frame's geometry.
int32_t decodeDct(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                  std::size_t maxOutput, DctImageInfo* info = nullptr);
