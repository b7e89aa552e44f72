#pragma once
// JBIG2 images as PDF embeds them: segments without a file header, shared segments optionally
// in a separate globals stream, which is read first.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct Jbig2ImageInfo {
  int32_t width = 0;
  int32_t height = 0;
};

// How many pixels one image may decode, draw or allocate in all (see Jbig2Budget).
inline constexpr int64_t kJbig2DefaultWorkPixels = int64_t{1} << 29;

// Decodes the page into packed rows (each padded to whole bytes, most significant bit first)
// with 0 = black, as DeviceGray samples of a 1-bit image. Returns the byte count (output is
// resized to it), or -1 when no page could be made. A damaged image gives the page as far as it
// was decoded; output never exceeds maxOutput (the page is cut to whole rows).
int32_t decodeJbig2(std::span<const uint8_t> data, std::span<const uint8_t> globals,
                    std::vector<uint8_t>& output, std::size_t maxOutput,
                    Jbig2ImageInfo* info = nullptr, int64_t workPixels = kJbig2DefaultWorkPixels);
