#pragma once
// RunLengthDecode.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

int32_t decodeRunLength(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                        std::size_t maxOutput);
