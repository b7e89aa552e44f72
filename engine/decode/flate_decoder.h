#pragma once
// FlateDecode: zlib decompression.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Inflates a zlib stream. Data that is damaged part way (a bad checksum, corrupt or truncated
// data) keeps what was inflated before the damage; output is cut at maxOutput. -1 and no data
// only when nothing inflates.
int32_t decodeFlate(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                    std::size_t maxOutput);
