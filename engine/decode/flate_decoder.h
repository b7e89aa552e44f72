#pragma once
// FlateDecode: zlib decompression.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Inflates a zlib stream. Any error zlib reports (corrupt data, a truncated stream, a bad
// checksum) or output beyond maxOutput gives -1 and no data; otherwise the decoded length.
int32_t decodeFlate(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                    std::size_t maxOutput);
