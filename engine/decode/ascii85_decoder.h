#pragma once
// ASCII85Decode.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

int32_t decodeAscii85(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                      std::size_t maxOutput);
