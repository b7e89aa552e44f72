#pragma once
// ASCIIHexDecode.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Pairs of hexadecimal digits give bytes; whitespace and other stray bytes are skipped; ">" ends
// the data; an unpaired last digit is completed with a zero digit.
int32_t decodeAsciiHex(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                       std::size_t maxOutput);
