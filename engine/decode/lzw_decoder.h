#pragma once
// LZWDecode: 9- to 12-bit codes, most significant bit first, early change.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Decodes until code 257, a code beyond the next free code, the end of the input or maxOutput
// bytes; returns the decoded length.
int32_t decodeLzw(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                  std::size_t maxOutput);
